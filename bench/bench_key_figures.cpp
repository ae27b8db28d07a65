// Key figures of a calculated project in a user database that holds 1,000 other calculated projects
// (realistic project, about 1,000 ledger rows each): median and slowest of repeated computations for
// one cost bearer and for all together, and the query plans (every query must search by index).

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QStringList>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/results/KeyFigures.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kOtherProjects = 1000;
constexpr int kRuns = 60;

// Copies the calculated project `source` with its result rows, count times, as calculation runs
// would have written them (each project's rows together).
void addCalculatedCopies(TestDb& db, int source, int count) {
    const QSqlDatabase user = db.user();
    QStringList columns = Sql::columnNames(user, "TAVO");
    columns.removeAll("ID");
    QStringList quoted;
    for (const QString& c : columns)
        quoted << Sql::quoted(c);
    const QString list = quoted.join(',');
    Transaction transaction(user);
    for (int i = 0; i < count; ++i) {
        Sql::exec(user, QStringLiteral("INSERT INTO TAVO (%1) SELECT %1 FROM TAVO WHERE ID = ?").arg(list),
                  {source});
        const int id = Sql::scalar(user, "SELECT last_insert_rowid()").toInt();
        Sql::exec(user,
                  "INSERT INTO Auswertung (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme) "
                  "SELECT ?, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme FROM Auswertung "
                  "WHERE TAVO = ?",
                  {id, source});
        Sql::exec(user,
                  "INSERT INTO bBvB (TAVO, \"Alter\", Jahr, Bewohner) SELECT ?, \"Alter\", Jahr, Bewohner "
                  "FROM bBvB WHERE TAVO = ?",
                  {id, source});
        Sql::exec(user,
                  "INSERT INTO bWvB (TAVO, Jahr, EFHg, EFHk, RHg, RHk, GWB) SELECT ?, Jahr, EFHg, EFHk, RHg, "
                  "RHk, GWB FROM bWvB WHERE TAVO = ?",
                  {id, source});
    }
    transaction.commit();
    Sql::exec(user, "ANALYZE");
}

void printPlan(const QSqlDatabase& db, const char* name, const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::exec(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql, params);
    std::printf("  %-10s", name);
    while (q.next())
        std::printf(" [%s]", qPrintable(q.value(3).toString()));
    std::printf("\n");
}

void measure(const QSqlDatabase& db, const QList<int>& projects, const char* label,
             const KeyFigureOptions& options) {
    std::vector<double> times;
    double saldo = 0.0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const KeyFigures f = computeKeyFigures(db, projects.at(run % projects.size()), options);
        times.push_back(timer.nsecsElapsed() / 1e6);
        saldo = f.saldo;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %6.2f ms   max %6.2f ms   (saldo %.2f)\n", label, times[times.size() / 2],
                times.back(), saldo);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NumberFormat::install();
    TestDb db;
    const int project = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), project);
    QElapsedTimer setup;
    setup.start();
    addCalculatedCopies(db, project, kOtherProjects);
    std::printf(
        "bench_key_figures: %d calculated projects, %lld ledger rows, %lld bBvB rows (filled in %.1f s)\n",
        kOtherProjects + 1, Sql::scalar(db.user(), "SELECT count(*) FROM Auswertung").toLongLong(),
        Sql::scalar(db.user(), "SELECT count(*) FROM bBvB").toLongLong(), setup.elapsed() / 1000.0);

    std::printf("query plans:\n");
    const QString where = QStringLiteral(" FROM Auswertung WHERE TAVO = ? AND Jahr BETWEEN 1 AND 20 "
                                         "AND Kostenträger = ?");
    const QVariantList params{project, QStringLiteral("Gemeinde")};
    printPlan(db.user(), "totals", QStringLiteral("SELECT Total(Ausgabe)") + where, params);
    printPlan(db.user(), "per type", QStringLiteral("SELECT Typ, Total(Ausgabe)") + where + " GROUP BY 1",
              params);
    printPlan(db.user(), "per year", QStringLiteral("SELECT Jahr, Total(Ausgabe)") + where + " GROUP BY Jahr",
              params);
    printPlan(db.user(), "bWvB", "SELECT Total(GWB) FROM bWvB WHERE TAVO = ? AND Jahr = 20", {project});
    printPlan(db.user(), "bBvB", "SELECT Total(Bewohner) FROM bBvB WHERE TAVO = ? AND Jahr = 20", {project});

    KeyFigureOptions gemeinde;
    KeyFigureOptions all;
    all.costBearer.clear();
    measure(db.user(), {project}, "first project, \"Gemeinde\"", gemeinde);
    measure(db.user(), {project}, "first project, all cost bearers", all);
    QList<int> spread;
    for (int i = 0; i < kRuns; ++i)
        spread << project + 1 + (i * 379) % kOtherProjects;
    measure(db.user(), spread, "60 different projects, \"Gemeinde\"", gemeinde);
    std::printf("target: at most 50 ms\n");
    return 0;
}
