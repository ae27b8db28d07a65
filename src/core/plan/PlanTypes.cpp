#include "core/plan/PlanTypes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavo {

namespace {

// Lower case, umlauts spelt out, "ß" as "ss", blanks, "-", "_" and "/" removed: "Straßen-Achse" and
// "strassenachse" compare equal.
QString folded(const QString& text) {
    QString s = text.toLower();
    s.replace(QChar(0x00E4), QLatin1String("ae"));
    s.replace(QChar(0x00F6), QLatin1String("oe"));
    s.replace(QChar(0x00FC), QLatin1String("ue"));
    s.replace(QChar(0x00DF), QLatin1String("ss"));
    s.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).remove(QLatin1Char('_')).remove(QLatin1Char('/'));
    return s;
}

} // namespace

const QVector<PlanRole>& planRoles() {
    static const QVector<PlanRole> roles = {PlanRole::Baugebiet, PlanRole::Verkehrsflaeche,
                                            PlanRole::Gruenflaeche, PlanRole::Leitung, PlanRole::Bauplatz};
    return roles;
}

QString planRoleName(PlanRole role) {
    switch (role) {
    case PlanRole::Baugebiet:
        return QStringLiteral("Baugebiet");
    case PlanRole::Verkehrsflaeche:
        return QStringLiteral("Verkehrsfläche");
    case PlanRole::Gruenflaeche:
        return QStringLiteral("Grünfläche");
    case PlanRole::Leitung:
        return QStringLiteral("Straßenachse/Leitung");
    case PlanRole::Bauplatz:
        return QStringLiteral("Bauplatz");
    case PlanRole::Keine:
        break;
    }
    return QStringLiteral("keine");
}

QString planRoleKey(PlanRole role) {
    switch (role) {
    case PlanRole::Baugebiet:
        return QStringLiteral("Baugebiet");
    case PlanRole::Verkehrsflaeche:
        return QStringLiteral("Verkehrsflaeche");
    case PlanRole::Gruenflaeche:
        return QStringLiteral("Gruenflaeche");
    case PlanRole::Leitung:
        return QStringLiteral("Leitung");
    case PlanRole::Bauplatz:
        return QStringLiteral("Bauplatz");
    case PlanRole::Keine:
        break;
    }
    return QStringLiteral("Keine");
}

PlanRole planRoleFromText(const QString& text) {
    const QString f = folded(text);
    if (f.isEmpty())
        return PlanRole::Keine;
    static const QVector<QPair<QString, PlanRole>> names = {
        {QStringLiteral("baugebiet"), PlanRole::Baugebiet},
        {QStringLiteral("verkehrsflaeche"), PlanRole::Verkehrsflaeche},
        {QStringLiteral("verkehrsflaechen"), PlanRole::Verkehrsflaeche},
        {QStringLiteral("gruenflaeche"), PlanRole::Gruenflaeche},
        {QStringLiteral("gruenflaechen"), PlanRole::Gruenflaeche},
        {QStringLiteral("strassenachse"), PlanRole::Leitung},
        {QStringLiteral("strassenachsen"), PlanRole::Leitung},
        {QStringLiteral("leitung"), PlanRole::Leitung},
        {QStringLiteral("leitungen"), PlanRole::Leitung},
        {QStringLiteral("strassenachseleitung"), PlanRole::Leitung},
        {QStringLiteral("bauplatz"), PlanRole::Bauplatz},
        {QStringLiteral("bauplaetze"), PlanRole::Bauplatz},
    };
    for (const auto& name : names) {
        if (f == name.first)
            return name.second;
    }
    return PlanRole::Keine;
}

const QStringList& planNetworks() {
    static const QStringList networks = {QStringLiteral("Wasser"),      QStringLiteral("Kanal"),
                                         QStringLiteral("Beleuchtung"), QStringLiteral("Strom"),
                                         QStringLiteral("Daten"),       QStringLiteral("Gas"),
                                         QStringLiteral("Nahwärme")};
    return networks;
}

QString planNetworkOf(const QString& text) {
    const QString f = folded(text);
    if (f.isEmpty())
        return QString();
    for (const QString& network : planNetworks()) {
        const QString n = folded(network);
        // "Wasserleitung", "Kanalnetz", "Straßenbeleuchtung", "Stromleitung", "Nahwärmeleitung"
        if (f == n || f.startsWith(n) || f.endsWith(n))
            return network;
    }
    return QString();
}

QByteArray PlanAssignment::toJson() const {
    QJsonObject layers;
    for (auto it = layerRoles.cbegin(); it != layerRoles.cend(); ++it)
        layers.insert(it.key(), planRoleKey(it.value()));
    QJsonObject values;
    for (auto it = valueRoles.cbegin(); it != valueRoles.cend(); ++it)
        values.insert(it.key(), planRoleKey(it.value()));
    QJsonObject o;
    o.insert(QStringLiteral("ebenen"), layers);
    o.insert(QStringLiteral("rollenfeld"), roleField);
    o.insert(QStringLiteral("werte"), values);
    o.insert(QStringLiteral("netzfeld"), networkField);
    o.insert(QStringLiteral("typfeld"), buildingTypeField);
    o.insert(QStringLiteral("crs"), crsOverride);
    o.insert(QStringLiteral("leitungenOhneNetzFuerAlle"), unnamedLinesForAllNetworks);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

namespace {

bool readRoles(const QJsonValue& value, const QString& key, QMap<QString, PlanRole>* roles, QString* error) {
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isObject()) {
        *error = QStringLiteral("Zuordnung: \"%1\" muss ein Objekt sein.").arg(key);
        return false;
    }
    const QJsonObject o = value.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const PlanRole role = planRoleFromText(it.value().toString());
        if (role == PlanRole::Keine && folded(it.value().toString()) != QLatin1String("keine")) {
            *error = QStringLiteral("Zuordnung: unbekannte Rolle \"%1\" für \"%2\".")
                         .arg(it.value().toString(), it.key());
            return false;
        }
        roles->insert(it.key(), role);
    }
    return true;
}

} // namespace

PlanAssignment PlanAssignment::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("Die Zuordnung ist kein gültiges JSON-Objekt (Zeichen %1: %2).")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return {};
    }
    const QJsonObject o = doc.object();
    PlanAssignment a;
    if (!readRoles(o.value(QStringLiteral("ebenen")), QStringLiteral("ebenen"), &a.layerRoles, error) ||
        !readRoles(o.value(QStringLiteral("werte")), QStringLiteral("werte"), &a.valueRoles, error))
        return {};
    a.roleField = o.value(QStringLiteral("rollenfeld")).toString();
    a.networkField = o.value(QStringLiteral("netzfeld")).toString();
    a.buildingTypeField = o.value(QStringLiteral("typfeld")).toString();
    a.crsOverride = o.value(QStringLiteral("crs")).toString();
    a.unnamedLinesForAllNetworks = o.value(QStringLiteral("leitungenOhneNetzFuerAlle")).toBool(true);
    return a;
}

} // namespace tavo
