#include "core/projects/Plausibility.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/UserSchema.h"
#include "core/projects/InputTables.h"
#include "core/projects/StoredInputs.h"

namespace tavo {

namespace {

// An input as the planner knows it: its caption on the input pages with the column name, or the
// column name alone where no page shows it.
QString fieldLabel(const QString& column) {
    for (const InputTables::Page& page : InputTables::inputPages())
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& row : group.rows)
                if ((row.first.column && column == QLatin1String(row.first.column)) ||
                    (row.second.column && column == QLatin1String(row.second.column)))
                    return row.caption && *row.caption
                               ? QStringLiteral("„%1“ (%2)")
                                     .arg(QString::fromUtf8(row.caption)
                                              .trimmed()
                                              .remove(QRegularExpression(QStringLiteral(":$"))),
                                          column)
                               : column;
    return column;
}

// The building types, as the settlement grid has them as columns.
const char* const kTypes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

// Shares are typed as whole or short decimal numbers; a sum within this of 100 counts as 100.
const double kTolerance = 1e-6;

// The last project year a booking can fall into.
const int kLastYear = 20;

const char* const kGross = "bgFlBaulandBrutto";

// A stored number; false for NULL, an empty text and a text that is no number (the calculation
// reports the latter with the field's name).
bool storedNumber(const QVariant& value, double* out) {
    if (value.isNull() || !value.isValid() || value.toString().trimmed().isEmpty())
        return false;
    bool ok = false;
    const double number = NumberFormat::storedNumber(value, &ok);
    if (ok)
        *out = number;
    return ok;
}

QString shown(double value) {
    return NumberFormat::general(value);
}

// Detail rows by year, rows without year first and those of one year in the order of entry, as the
// database orders them (numbers before text).
QList<QSqlRecord> byYear(QList<QSqlRecord> rows) {
    const auto key = [](const QSqlRecord& row) {
        const QVariant year = row.value(QStringLiteral("Jahr"));
        const int kind = year.isNull() ? 0 : NumberFormat::isNumber(year) ? 1 : 2;
        return std::make_pair(kind, kind == 1 ? year.toDouble() : 0.0);
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&key](const QSqlRecord& a, const QSqlRecord& b) { return key(a) < key(b); });
    return rows;
}

QString yearList(const QList<int>& years) {
    QStringList texts;
    for (int year : years)
        texts << QString::number(year);
    return years.size() == 1 ? QStringLiteral("im Jahr ") + texts.first()
                             : QStringLiteral("in den Jahren ") + texts.join(QStringLiteral(", "));
}

// The types that get a share of the mix; a warning when the shares do not add up to 100 %.
QSet<QString> checkBuildingMix(const QList<QSqlRecord>& rows, QStringList& warnings) {
    QSet<QString> types;
    double sum = 0;
    for (const QSqlRecord& row : rows) {
        double share = 0;
        if (storedNumber(row.value(QStringLiteral("bbAnteil")), &share)) {
            sum += share;
            if (share > 0)
                types.insert(row.value(QStringLiteral("bbTyp")).toString());
        }
    }
    if (rows.isEmpty())
        warnings << QStringLiteral("Die Bebauung ist leer: die Anteile ergeben 0 % statt 100 %.");
    else if (std::abs(sum - 100.0) > kTolerance)
        warnings
            << QStringLiteral("Die Anteile der Bebauung ergeben zusammen %1 % statt 100 %.").arg(shown(sum));
    return types;
}

// Per type: values outside 0 to 100 % in a year, and a column of a type in the mix whose years add
// up to more than 100 %. Less is legitimate: part of the area is not yet built by year 20.
void checkSettlement(const QList<QSqlRecord>& rows, const QSet<QString>& typesInMix, QStringList& warnings) {
    const int typeCount = int(std::size(kTypes));
    QList<QList<int>> outside(typeCount);
    QList<double> sums(typeCount, 0.0);
    for (const QSqlRecord& row : byYear(rows)) {
        const int year = NumberFormat::toInt(row.value(QStringLiteral("Jahr")));
        for (int t = 0; t < typeCount; ++t) {
            double value = 0;
            if (!storedNumber(row.value(QLatin1String(kTypes[t])), &value))
                continue;
            sums[t] += value;
            if (value < 0 || value > 100)
                outside[t] << year;
        }
    }
    for (int t = 0; t < typeCount; ++t) {
        const QString type = QString::fromLatin1(kTypes[t]);
        if (!outside[t].isEmpty())
            warnings << QStringLiteral("Besiedelung %1: Werte außerhalb von 0 bis 100 % %2.")
                            .arg(type, yearList(outside[t]));
        if (typesInMix.contains(type) && sums[t] - 100.0 > kTolerance)
            warnings << QStringLiteral("Die Besiedelung %1 ergibt zusammen %2 % statt 100 %.")
                            .arg(type, shown(sums[t]));
    }
}

void checkArea(const QSqlRecord& project, QStringList& warnings) {
    const QVariant value = project.value(QString::fromUtf8(kGross));
    double area = 0;
    if (value.isNull() || value.toString().trimmed().isEmpty())
        warnings << QStringLiteral("Die Gesamtfläche (%1) ist leer.").arg(QString::fromUtf8(kGross));
    else if (storedNumber(value, &area) && area <= 0)
        warnings << QStringLiteral("Die Gesamtfläche (%1) ist %2 m², nicht größer als 0.")
                        .arg(QString::fromUtf8(kGross), shown(area));
}

void checkMunicipality(const QSqlDatabase& master, const QSqlRecord& project, QStringList& warnings) {
    const QVariant value = project.value(QStringLiteral("PG"));
    double pg = 0;
    if (value.isNull() || value.toString().trimmed().isEmpty()) {
        warnings << QStringLiteral("Es ist keine Gemeinde (PG) eingetragen.");
        return;
    }
    if (!storedNumber(value, &pg))
        return;
    const bool known =
        std::trunc(pg) == pg && std::abs(pg) < 2147483647.0 &&
        Sql::scalar(master, QStringLiteral("SELECT count(*) FROM PG WHERE ID = ?"), {int(pg)}).toInt() > 0;
    if (!known)
        warnings << QStringLiteral("Die Gemeinde %1 fehlt in der Tabelle PG.").arg(shown(pg));
}

void checkSpecialExpenditures(const QList<QSqlRecord>& rows, QStringList& warnings) {
    for (const QSqlRecord& row : byYear(rows)) {
        QString name = row.value(QStringLiteral("Bezeichnung")).toString().trimmed();
        name = name.isEmpty() ? QStringLiteral("Sonderausgabe ohne Bezeichnung")
                              : QStringLiteral("Sonderausgabe „%1“").arg(name);
        double year = 0;
        if (!storedNumber(row.value(QStringLiteral("Jahr")), &year))
            warnings << QStringLiteral("%1: es ist kein Jahr eingetragen.").arg(name);
        else if (year < 1 || year > kLastYear)
            warnings << QStringLiteral("%1: das Jahr %2 liegt außerhalb von 1 bis %3.")
                            .arg(name, shown(year))
                            .arg(kLastYear);
        double amount = 0;
        if (storedNumber(row.value(QStringLiteral("Ausgabe")), &amount) && amount < 0)
            warnings << QStringLiteral("%1: die Ausgabe %2 ist negativ.").arg(name, shown(amount));
    }
}

// The largest numeric entry of every value list of the project columns.
QHash<QString, double> largestListValues(const QSqlDatabase& master) {
    QHash<QString, double> largest;
    QSqlQuery q =
        Sql::exec(master, QStringLiteral("SELECT Feld, Wert FROM FeldWerte WHERE Tabelle = 'TAVO'"));
    while (q.next()) {
        bool ok = false;
        const double value = NumberFormat::neutral(q.value(1).toString(), &ok);
        if (!ok)
            continue;
        const QString field = q.value(0).toString();
        const auto it = largest.constFind(field);
        if (it == largest.constEnd() || value > *it)
            largest.insert(field, value);
    }
    return largest;
}

void checkValueRanges(const QSqlDatabase& master, const QSqlRecord& project, QStringList& warnings) {
    const QHash<QString, double> largest = largestListValues(master);
    // The record's fields by position (names compared without case, as the record does): looking each
    // column up by name would search the whole record.
    QHash<QString, int> positions;
    for (int i = 0; i < project.count(); ++i)
        positions.insert(project.fieldName(i).toLower(), i);
    for (const UserSchema::Column& c : UserSchema::projectColumns()) {
        const QString column = QString::fromUtf8(c.name);
        // The reference year is stamped by the calculation itself.
        if (column == QLatin1String("Bezugsjahr") || !largest.contains(column))
            continue;
        double value = 0;
        if (!storedNumber(project.value(positions.value(column.toLower(), -1)), &value))
            continue;
        const double top = largest.value(column);
        if (value < 0 && column != QLatin1String(kGross))
            warnings << QStringLiteral("%1 ist %2, kleiner als 0.").arg(fieldLabel(column), shown(value));
        else if (top > 0 && value > 10 * top)
            warnings << QStringLiteral("%1 ist %2, mehr als das Zehnfache des größten Listenwerts %3.")
                            .arg(fieldLabel(column), shown(value), shown(top));
    }
}

// The settled percent of every type of the mix over the project years 1 to 20, in the settlement
// grid's column order.
QList<std::pair<QString, double>> settledShares(const StoredInputs& inputs) {
    QStringList discard;
    const QSet<QString> typesInMix = checkBuildingMix(inputs.buildings, discard);
    QList<std::pair<QString, double>> shares;
    for (const char* type : kTypes) {
        if (!typesInMix.contains(QLatin1String(type)))
            continue;
        double sum = 0;
        for (const QSqlRecord& row : inputs.settlements) {
            const int year = NumberFormat::toInt(row.value(QStringLiteral("Jahr")));
            double value = 0;
            if (year >= 1 && year <= kLastYear && storedNumber(row.value(QLatin1String(type)), &value))
                sum += value;
        }
        shares.append({QString::fromLatin1(type), sum});
    }
    return shares;
}

} // namespace

namespace Plausibility {

QString unbuiltNote(const QSqlDatabase& user, int projectId) {
    QStringList parts;
    for (const auto& [type, settled] : settledShares(StoredInputs::read(user, projectId)))
        if (100.0 - settled > kTolerance)
            parts << QStringLiteral("%1 %2 %").arg(type, NumberFormat::general(100.0 - settled));
    if (parts.isEmpty())
        return QString();
    return QStringLiteral("Bis zum Jahr %1 ist nicht alles gebaut: noch nicht fertiggestellt sind %2 der "
                          "Wohneinheiten dieser Bebauungstypen. Ihre Kosten und Einnahmen liegen nach dem "
                          "Betrachtungszeitraum und fehlen in diesem Bericht.")
        .arg(kLastYear)
        .arg(parts.join(QStringLiteral(", ")));
}

QStringList warnings(const Databases& dbs, int projectId) {
    return warnings(dbs.master(), StoredInputs::read(dbs.user(), projectId));
}

QStringList warnings(const QSqlDatabase& master, const StoredInputs& inputs) {
    QStringList found;
    if (!inputs.found)
        return found;
    const QSet<QString> typesInMix = checkBuildingMix(inputs.buildings, found);
    checkSettlement(inputs.settlements, typesInMix, found);
    checkArea(inputs.project, found);
    checkMunicipality(master, inputs.project, found);
    checkSpecialExpenditures(inputs.specials, found);
    checkValueRanges(master, inputs.project, found);
    return found;
}

} // namespace Plausibility

} // namespace tavo
