// Speed of showing a project's result pages with a big user database: 1,000 calculated projects,
// each with ~2,000 ledger rows, 20 dwelling-unit rows and 96 x 20 population rows. Measures what
// the two result pages do when a project is opened: the three finance views fully loaded, their five
// footer totals, the dwelling-unit view and the population view. Prints the median and the slowest
// of repeated runs, and the query plans (every view must search by index, not scan).

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlQueryModel>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/results/ResultQueries.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace ResultQueries;

namespace {

constexpr int kProjects = 1000;
constexpr int kLedgerRows = 2000;
constexpr int kRuns = 60;

const char* const kFillProjects =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
    "INSERT INTO TAVO (ID, Projekt, PG, auAnteilZuzug, Beschreibung) "
    "SELECT i, 'Projekt ' || (i / 10), 301 + i % 16, 10 + i % 60, 'Baugebiet ' || i FROM n";

// Realistic spread: 20 years, the eight evaluation types, the five cost bearers, about a third of the
// rows revenue, the rest expenditure.
const char* const kFillLedger =
    "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
    "INSERT INTO Auswertung (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme) "
    "SELECT t.ID, 1 + i % 20, "
    "CASE (i / 20) % 8 WHEN 0 THEN 'öffentliches Gut' WHEN 1 THEN 'Kanal' WHEN 2 THEN 'Wasser' "
    "WHEN 3 THEN 'sonstige Leitungen' WHEN 4 THEN 'Finanzausgleich' WHEN 5 THEN 'soz. Infrastruktur "
    "Erhaltung' "
    "WHEN 6 THEN 'soz. Infrastruktur Errichtung' ELSE 'Sonstiges' END, "
    "'Posten ' || ((i / 20) % 25), "
    "CASE (i / 160) % 5 WHEN 0 THEN 'Gemeinde' WHEN 1 THEN 'Abwasserverband' WHEN 2 THEN 'Wasserverband' "
    "WHEN 3 THEN 'Energieversorger' ELSE 'Land' END, "
    "CASE WHEN i % 3 = 0 THEN 0 ELSE (i * 37 % 1000) * 12.5 + t.ID / 7.0 END, "
    "CASE WHEN i % 3 = 0 THEN (i * 53 % 900) * 8.25 ELSE 0 END "
    "FROM TAVO t CROSS JOIN n";

const char* const kFillDwellings =
    "WITH RECURSIVE y(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM y WHERE j < 20) "
    "INSERT INTO bWvB (TAVO, Jahr, EFHg, EFHk, RHg, RHk, GWB) "
    "SELECT t.ID, j, j * 1.5, j * 0.5, j * 0.8, j * 0.3, j * 2.0 FROM TAVO t CROSS JOIN y";

const char* const kFillPopulation =
    "WITH RECURSIVE y(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM y WHERE j < 20), "
    "a(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM a WHERE k < 95) "
    "INSERT INTO bBvB (TAVO, \"Alter\", Jahr, Bewohner) "
    "SELECT t.ID, k, j, j * 0.4 + (k % 7) * 0.05 FROM TAVO t CROSS JOIN y CROSS JOIN a";

const char* const kFillForecast =
    "WITH RECURSIVE y(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM y WHERE j < 20), "
    "a(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM a WHERE k < 95), "
    "g(pg) AS (SELECT 301 UNION ALL SELECT pg + 1 FROM g WHERE pg < 316) "
    "INSERT INTO gBvB (PG, \"Alter\", Jahr, Bewohner) "
    "SELECT pg, k, j, 60 + j - k * 0.4 FROM g, y, a";

void fill(TestDb& db) {
    QElapsedTimer timer;
    timer.start();
    Transaction tx(db.user());
    Sql::exec(db.user(), QString::fromUtf8(kFillProjects).arg(kProjects));
    Sql::exec(db.user(), QString::fromUtf8(kFillLedger).arg(kLedgerRows - 1));
    Sql::exec(db.user(), QString::fromUtf8(kFillDwellings));
    Sql::exec(db.user(), QString::fromUtf8(kFillPopulation));
    Sql::exec(db.user(), QString::fromUtf8(kFillForecast));
    tx.commit();
    Sql::exec(db.user(), QStringLiteral("ANALYZE"));
    std::printf("filled %d projects, %lld ledger rows, %lld bBvB rows in %.1f s\n", kProjects,
                Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM Auswertung")).toLongLong(),
                Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM bBvB")).toLongLong(),
                timer.elapsed() / 1000.0);
}

// Loads a view completely, as a result grid does.
int load(const QSqlDatabase& db, const Query& query) {
    QSqlQueryModel model;
    model.setQuery(execute(db, query));
    while (model.canFetchMore())
        model.fetchMore();
    return model.rowCount();
}

// Everything the two pages do when a project is opened; returns the rows shown.
int showResultPages(const QSqlDatabase& db, const FilterItems& items, const FinanceChoice& choice, int area,
                    int projectId) {
    const auto finance = buildResultQueries(items, choice, projectId);
    int rows = 0;
    for (const Query& q : finance)
        rows += load(db, q);
    sumColumnText(db, finance[0], QStringLiteral("Ausgabe"));
    sumColumnText(db, finance[1], QStringLiteral("Einnahme"));
    for (const char* field : {"Einnahmen", "Ausgaben", "Saldo"})
        sumColumnText(db, finance[2], QString::fromUtf8(field));
    rows += load(db, buildPopulationQueries(db, area, readPopulationSource(db, projectId)));
    rows += load(db, buildDwellingQuery(projectId));
    return rows;
}

void printPlan(const QSqlDatabase& db, const QString& name, const Query& query) {
    Query explain = query;
    explain.sql = QStringLiteral("EXPLAIN QUERY PLAN ") + query.sql;
    QSqlQuery q = execute(db, explain);
    std::printf("  %s:", qPrintable(name));
    while (q.next())
        std::printf(" [%s]", qPrintable(q.value(3).toString()));
    std::printf("\n");
}

void measure(const QSqlDatabase& db, const FilterItems& items, const char* label, const FinanceChoice& choice,
             int area) {
    QList<double> times;
    int rows = 0;
    for (int run = 0; run < kRuns; ++run) {
        const int projectId = 1 + (run * 379) % kProjects;
        QElapsedTimer timer;
        timer.start();
        rows = showResultPages(db, items, choice, area, projectId);
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-48s median %7.2f ms   max %7.2f ms   (%d rows shown in the last run)\n", label,
                times.at(times.size() / 2), times.last(), rows);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NumberFormat::install();
    TestDb db;
    fill(db);
    const FilterItems items = loadFilterItems(db.master());
    const FinanceChoice initial = initialChoice(items);
    const FinanceChoice all{static_cast<int>(items.costBearers.size()) - 1,
                            static_cast<int>(items.types.size()) - 1, 0};
    FinanceChoice filtered = all;
    filtered.type = items.types.indexOf(QStringLiteral("Kanal"));
    filtered.grouping = 1;

    std::printf("query plans (project 500):\n");
    const auto finance = buildResultQueries(items, all, 500);
    printPlan(db.user(), QStringLiteral("Ausgaben"), finance[0]);
    printPlan(db.user(), QStringLiteral("Einnahmen"), finance[1]);
    printPlan(db.user(), QStringLiteral("Saldo"), finance[2]);
    printPlan(db.user(), QStringLiteral("WE"), buildDwellingQuery(500));
    const PopulationSource source = readPopulationSource(db.user(), 500);
    for (int area = 0; area < 5; area += 2)
        printPlan(db.user(), QStringLiteral("BeV area %1").arg(area),
                  buildPopulationQueries(db.user(), area, source));

    measure(db.user(), items, "open project (first cost bearer, area 0)", initial, 0);
    measure(db.user(), items, "no restriction, area 1", all, 1);
    measure(db.user(), items, "type Kanal, grouping Jahr/Kostentraeger, area 3", filtered, 3);
    measure(db.user(), items, "no restriction, area 4 (forecast)", all, 4);
    std::printf("target: at most 100 ms per opening\n");
    return 0;
}
