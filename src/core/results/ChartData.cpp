#include "core/results/ChartData.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace ChartData {

void SeriesSet::throwIfOverflow() const {
    if (!overflow.isEmpty())
        throw TavoError(overflow);
}

QList<int> SeriesSet::years() const {
    QSet<int> all;
    for (const Series& s : series)
        for (auto it = s.values.constBegin(); it != s.values.constEnd(); ++it)
            all.insert(it.key());
    QList<int> sorted(all.begin(), all.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QString valueExpression(Quantity quantity) {
    switch (quantity) {
    case Quantity::Expenditure:
        return QStringLiteral("-\"Ausgabe\"");
    case Quantity::Revenue:
        return QStringLiteral("\"Einnahme\"");
    case Quantity::Balance:
        break;
    }
    return QStringLiteral("\"Einnahme\" - \"Ausgabe\"");
}

QStringList costBearers(const QSqlDatabase& master) {
    static const QString prefix = QStringLiteral("Anteil_");
    QStringList names;
    // The prefix is compared case-sensitively, as the filter group of the result page does.
    for (const QString& column : Sql::columnNames(master, QStringLiteral("Auswertung_Typen")))
        if (column.startsWith(prefix, Qt::CaseSensitive))
            names << column.mid(prefix.size(), 255);
    return names;
}

QStringList evaluationTypes(const QSqlDatabase& master) {
    QStringList types;
    // SELECT * walks the table in its stored order, as the type filter of the result page lists them
    // (selecting Typ alone would read the key index in alphabetical order instead).
    QSqlQuery query = Sql::exec(master, QStringLiteral("SELECT * FROM Auswertung_Typen"));
    const int typ = query.record().indexOf(QStringLiteral("Typ"));
    while (query.next())
        types << query.value(typ).toString();
    return types;
}

namespace {

// One series: the per-year sums of the project's rows of one cost bearer or one type. The name is a
// bound value; the grouping column and the summed expression come from fixed lists.
Series loadOne(const QSqlDatabase& user, int projectId, const QString& expression, const QString& column,
               const QString& name) {
    const QString sum =
        SqlDialect::orderedTotal(user, expression, QStringLiteral("\"Typ\" NULLS FIRST, \"rowid\""));
    const QString sql = QStringLiteral("SELECT \"Jahr\", %1 AS \"Wert\" FROM \"Auswertung\" "
                                       "WHERE \"TAVO\" = ? AND %2 = ? GROUP BY \"Jahr\" ORDER BY \"Jahr\"")
                            .arg(sum, Sql::quoted(column));
    QSqlQuery query = Sql::exec(user, sql, {projectId, name});
    Series series;
    series.name = name;
    while (query.next())
        series.values.insert(NumberFormat::toInt(query.value(0)), NumberFormat::toDouble(query.value(1)));
    return series;
}

} // namespace

SeriesSet load(const QSqlDatabase& user, int projectId, Quantity quantity, Grouping grouping,
               const QStringList& names) {
    const bool byCostBearer = grouping == Grouping::CostBearer;
    const QString column = byCostBearer ? QStringLiteral("Kostenträger") : QStringLiteral("Typ");
    const QString expression = valueExpression(quantity);
    // Every series from one state of the ledger.
    const ReadTransaction read(user);
    SeriesSet set;
    for (const QString& name : names) {
        if (set.series.size() == MaxSeries) {
            set.overflow = byCostBearer ? QStringLiteral("Zu viele Kostenträger definiert!")
                                        : QStringLiteral("Zu viele Kostentypen definiert!");
            break;
        }
        set.series << loadOne(user, projectId, expression, column, name);
    }
    return set;
}

} // namespace ChartData

} // namespace tavo
