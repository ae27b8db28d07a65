#pragma once

#include <array>

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace tavo {

// The SQL of the result views, shared by the result pages of the main window and `tavo-cli export`,
// so both show exactly the same rows. Every filter value is a bound parameter.
namespace ResultQueries {

// The last item of both filter lists; choosing it (by position) means "no restriction".
QString noRestrictionItem(); // "keine Einschränkung"

// One executable view: the SQL text and its named parameters (keys without the colon).
struct Query {
    QString sql;
    QVariantMap params;
    // The text on a PostgreSQL server where it differs: a view of the ledger Auswertung, whose sums add
    // the rows up in SQLite's order and whose empty values sort first, so both give the same figures
    // and rows. Empty: sql runs on both.
    QString serverSql;
};

// The text of query for the database it runs on.
QString sqlFor(const QSqlDatabase& db, const Query& query);

// The three finance views, in the order of the page (expenditure, revenue, balance).
enum class ResultKind { Expenditure, Revenue, Balance };

// The items of the two filter groups, each list ending with noRestrictionItem().
struct FilterItems {
    QStringList costBearers; // the Anteil_ columns of Auswertung_Typen without the prefix, in column order
    QStringList types;       // the Typ values of Auswertung_Typen in table order
};

// Reads the filter items from the master table Auswertung_Typen.
FilterItems loadFilterItems(const QSqlDatabase& master);

// The two grouping items of the balance view, in their order.
QStringList groupingItems(); // "Jahr, Typ, Kostenträger", "Jahr, Kostenträger"

// The chosen item positions of the three radio groups.
struct FinanceChoice {
    int costBearer = 0; // initially the first cost bearer
    int type = -1;      // -1: the last item (no restriction), the initial choice
    int grouping = 0;   // index into groupingItems()
};

// The position of the "no restriction" type item of these items, the initial type choice.
FinanceChoice initialChoice(const FilterItems& items);

// The expenditure, revenue and balance queries of a project for the chosen filters. A position on
// the last item of a filter list means no restriction; rows with an empty cost bearer or type are
// never listed. Throws TavoError for a position outside the lists.
std::array<Query, 3> buildResultQueries(const FilterItems& items, const FinanceChoice& choice, int projectId);

// One of the three queries above.
Query buildResultQuery(ResultKind kind, const FilterItems& items, const FinanceChoice& choice, int projectId);

// The dwelling units per year of one project record (columns Jahr, Wohneinheiten).
Query buildDwellingQuery(int projectId);

// The five items of the area filter of the population view, in their order.
QStringList areaItems();

// The fields of a project record that choose and scale the population view.
struct PopulationSource {
    int id = 0;
    QString projekt;          // project group, empty when NULL
    int pg = 0;               // municipality
    double anteilZuzug = 0.0; // share moving in from other municipalities, in percent
};

// Reads ID, Projekt, PG and auAnteilZuzug of a project record. Throws TavoError when it is missing,
// and a German message naming the field when PG or auAnteilZuzug is no (finite) number.
PopulationSource readPopulationSource(const QSqlDatabase& userDb, int projectId);

// The balance (Einnahme minus Ausgabe) of a project's ledger in one project year 1..20 for one type.
struct YearTypeBalance {
    int year = 0;
    QString type; // empty for the rows without type
    double balance = 0.0;
};

// The balances of a project per year and type over the rows of one cost bearer, or of every cost
// bearer together when costBearer is empty; summed as the ledger views sum on either database.
QList<YearTypeBalance> balanceByYearAndType(const QSqlDatabase& userDb, int projectId,
                                            const QString& costBearer);

// A project of a municipality that has results, with its place in the order of the calculations.
struct CalculatedProject {
    int id = 0;
    QString projekt;       // project group, empty when NULL
    QString beschreibung;  // empty when NULL
    QString pgName;        // municipality name, empty when NULL
    int bezugsjahr = 0;    // reference year stamped by its calculation, 0 when NULL
    qint64 writeOrder = 0; // the larger, the later its ledger was written (the last row's number)
};

// The projects of municipality pg that have ledger rows, ordered by ID.
QList<CalculatedProject> calculatedProjects(const QSqlDatabase& userDb, int pg);

// The population query for the chosen area position 0..4 (the stored query's text with its named
// parameters). Throws TavoError "ungültiges Gebiet!" for any other position.
Query buildPopulationQueries(const QSqlDatabase& userDb, int area, const PopulationSource& source);

// Prepares, binds and executes a view on a scrollable query (as a grid model needs it). Throws
// TavoError with the driver's message on failure.
QSqlQuery execute(const QSqlDatabase& db, const Query& query);

// The total of a numeric column over every row the view returns, computed by the database over the
// very same query (NULL counts 0). The field must be one of the view's columns.
double columnTotal(const QSqlDatabase& db, const Query& query, const QString& fieldName);

// A footer total as the grids show it: thousands separators and exactly two decimals in the
// user's locale, at most 10 significant digits (1.234.567,89 under a German locale); a value with
// more than 10 integer digits comes out in scientific notation.
QString formatTotal(double total);

// columnTotal() formatted by formatTotal().
QString sumColumnText(const QSqlDatabase& db, const Query& query, const QString& fieldName);

} // namespace ResultQueries

} // namespace tavo
