#include "core/plan/PlanTargets.h"

#include <cmath>

#include <QSet>

#include "core/projects/DerivedInputs.h"
#include "core/projects/InputTables.h"

namespace tavo {

namespace PlanTargets {

namespace {

// The suffix of a network's line columns ("ifLfm" / "ifLfmAnschl" + suffix); Kanal has three.
QString columnSuffix(const QString& network) {
    static const QHash<QString, QString> suffixes = {
        {QStringLiteral("Wasser"), QStringLiteral("Wasserleitung")},
        {QStringLiteral("Beleuchtung"), QStringLiteral("Straßenbeleuchtung")},
        {QStringLiteral("Strom"), QStringLiteral("Stromleitung")},
        {QStringLiteral("Daten"), QStringLiteral("Datenleitung")},
        {QStringLiteral("Gas"), QStringLiteral("Gasleitung")},
        {QStringLiteral("Nahwärme"), QStringLiteral("Nahwärme")},
    };
    return suffixes.value(network);
}

QStringList layersOf(const PlanReading& r, std::initializer_list<PlanRole> roles) {
    QStringList layers;
    for (const PlanFeature& f : r.features)
        if (std::find(roles.begin(), roles.end(), f.role) != roles.end() && !layers.contains(f.layer))
            layers << f.layer;
    return layers;
}

double number(const QSqlRecord& record, const char* column) {
    return record.value(QString::fromUtf8(column)).toDouble();
}

// A green or traffic area: measured when the plan has it (with its share of the gross land), else
// re-derived from its share when the gross land is measured, else left alone.
double addArea(const char* areaColumn, const char* shareColumn, double measured, const QStringList& layers,
               double gross, bool grossMeasured, const QSqlRecord& project, QVector<Target>* out) {
    const QString area = QString::fromUtf8(areaColumn);
    const QString share = QString::fromUtf8(shareColumn);
    const bool shares = DerivedArithmetic::wholeGross(gross) > 0;
    if (!layers.isEmpty()) {
        const double value = std::round(measured);
        out->append({area, value, layers});
        if (shares)
            out->append({share, DerivedArithmetic::shareOfArea(value, gross), layers});
        return value;
    }
    const double current = number(project, areaColumn);
    if (!grossMeasured)
        return current;
    const double value = DerivedArithmetic::areaOfShare(gross, number(project, shareColumn), current);
    out->append({area, value, {}, false});
    return value;
}

void addAreas(const PlanReading& r, const QSqlRecord& project, QVector<Target>* out) {
    const QStringList grossLayers = layersOf(r, {PlanRole::Baugebiet});
    const QStringList trafficLayers = layersOf(r, {PlanRole::Verkehrsflaeche});
    const QStringList greenLayers = layersOf(r, {PlanRole::Gruenflaeche});
    if (grossLayers.isEmpty() && trafficLayers.isEmpty() && greenLayers.isEmpty())
        return;
    const bool grossMeasured = !grossLayers.isEmpty();
    const double gross =
        grossMeasured ? std::round(r.measures.baugebietM2) : number(project, "bgFlBaulandBrutto");
    if (grossMeasured)
        out->append({QStringLiteral("bgFlBaulandBrutto"), gross, grossLayers});
    const double green = addArea("bgFlGrünflächen", "bgAntGrünflächen", r.measures.gruenM2, greenLayers,
                                 gross, grossMeasured, project, out);
    const double traffic = addArea("bgFlVerkehrsflächen", "bgAntVerkehrsflächen", r.measures.verkehrM2,
                                   trafficLayers, gross, grossMeasured, project, out);
    const double net = DerivedArithmetic::wholeGross(gross) - std::trunc(green) - std::trunc(traffic);
    out->append({QStringLiteral("bgFlBaulandNetto"), net, {}, false});
}

// One group of line columns ("" inner lines, "Anschl" connecting lines) from lengths per network.
void addLines(const QMap<QString, double>& lengths, const QString& infix, bool separateSystem,
              const QStringList& layers, QVector<Target>* out) {
    for (const QString& network : planNetworks()) {
        if (!lengths.contains(network))
            continue;
        const double length = std::round(lengths.value(network));
        if (network == QLatin1String("Kanal")) {
            const DerivedArithmetic::SewerLengths sewer =
                DerivedArithmetic::sewerLengths(length, separateSystem);
            out->append({QStringLiteral("ifLfm%1KanalTrennsystem").arg(infix), sewer.separate, layers});
            out->append({QStringLiteral("ifLfm%1KanalMischsystem").arg(infix), sewer.combined, layers});
            out->append(
                {QStringLiteral("ifLfm%1KanalStrEntwässerung").arg(infix), sewer.roadDrainage, layers});
        } else {
            out->append({QStringLiteral("ifLfm%1%2").arg(infix, columnSuffix(network)), length, layers});
        }
    }
}

void addBuildingMix(const PlanReading& r, const QList<QSqlRecord>& buildings, QVector<Target>* out) {
    static const QStringList known = {QStringLiteral("EFHg"), QStringLiteral("EFHk"), QStringLiteral("RHg"),
                                      QStringLiteral("RHk"), QStringLiteral("GWB")};
    int total = 0;
    for (auto it = r.measures.bauplaetze.cbegin(); it != r.measures.bauplaetze.cend(); ++it)
        if (known.contains(it.key()))
            total += it.value();
    if (total == 0)
        return;
    const QStringList layers = layersOf(r, {PlanRole::Bauplatz});
    QStringList types;
    for (const QSqlRecord& row : buildings)
        if (!types.contains(row.value(QStringLiteral("bbTyp")).toString()))
            types << row.value(QStringLiteral("bbTyp")).toString();
    for (const QString& type : known)
        if (r.measures.bauplaetze.value(type) > 0 && !types.contains(type))
            types << type;
    for (const QString& type : types)
        out->append({buildingKeyPrefix() + type, 100.0 * r.measures.bauplaetze.value(type) / total, layers});
}

} // namespace

QVector<Target> targets(const PlanReading& r, const QSqlRecord& project, const QList<QSqlRecord>& buildings) {
    QVector<Target> out;
    addAreas(r, project, &out);
    // A project with a combined but no separate sewer keeps its system.
    const bool separate =
        !(number(project, "ifLfmKanalMischsystem") > 0 && number(project, "ifLfmKanalTrennsystem") == 0);
    addLines(r.measures.leitungM, QString(), separate, layersOf(r, {PlanRole::Leitung}), &out);
    addLines(r.measures.anschlussNetzM, QStringLiteral("Anschl"), separate,
             layersOf(r, {PlanRole::Leitung, PlanRole::Bauplatz}), &out);
    addBuildingMix(r, buildings, &out);
    for (Target& t : out)
        t.layers.removeDuplicates();
    return out;
}

QString caption(const QString& fieldKey) {
    if (fieldKey.startsWith(buildingKeyPrefix()))
        return QStringLiteral("Bebauung %1, Anteil (%)").arg(fieldKey.mid(buildingKeyPrefix().size()));
    for (const InputTables::Page& page : InputTables::inputPages())
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& row : group.rows) {
                const QString title =
                    group.title ? QString::fromUtf8(group.title) + QLatin1Char(' ') : QString();
                if (row.first.column && fieldKey == QString::fromUtf8(row.first.column))
                    return title + InputTables::inputCaption(group, row, false);
                if (row.second.column && fieldKey == QString::fromUtf8(row.second.column))
                    return title + InputTables::inputCaption(group, row, true);
            }
    return fieldKey;
}

} // namespace PlanTargets

} // namespace tavo
