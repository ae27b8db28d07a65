#pragma once

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

// The figures behind the finance chart: per series (one cost bearer or one evaluation type) the sum
// of the charted quantity per project year, read straight from the result ledger `Auswertung`. The
// main window's filters do not apply; every row of the project counts.
namespace ChartData {

// What the bars show, decided by the result grid the chart was opened from.
enum class Quantity {
    Expenditure, // "-Ausgabe": expenditure drawn below the zero line
    Revenue,     // "Einnahme"
    Balance      // "Einnahme - Ausgabe"
};

// One series per cost bearer or one per evaluation type.
enum class Grouping { CostBearer, Type };

// The chart has room for this many series; more raise an error after these are filled.
constexpr int MaxSeries = 8;

struct Series {
    QString name;
    QMap<int, double> values; // project year -> sum; years without rows are absent
};

struct SeriesSet {
    QList<Series> series; // at most MaxSeries, in the order of the names
    QString overflow;     // the German message when there were more names than MaxSeries, else empty

    // Throws TavoError(overflow) when the names did not all fit.
    void throwIfOverflow() const;

    // Every year that has a value in at least one series, ascending.
    QList<int> years() const;
};

// The SQL expression summed per year for a quantity.
QString valueExpression(Quantity quantity);

// The cost bearers in column order: every column of `Auswertung_Typen` whose name begins with
// "Anteil_", without that prefix.
QStringList costBearers(const QSqlDatabase& master);

// The evaluation types: column `Typ` of `Auswertung_Typen` in the table's stored order.
QStringList evaluationTypes(const QSqlDatabase& master);

// Reads the series of project `projectId` for the given names (cost bearers or types, by grouping).
// The first MaxSeries names are read; any further name sets SeriesSet::overflow to
// "Zu viele Kostenträger definiert!" or "Zu viele Kostentypen definiert!".
SeriesSet load(const QSqlDatabase& user, int projectId, Quantity quantity, Grouping grouping,
               const QStringList& names);

} // namespace ChartData

} // namespace tavo
