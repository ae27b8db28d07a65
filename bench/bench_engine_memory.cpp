// The calculation of a realistic project side by side: in memory (inputs read once, nothing
// written), persisted (the whole run of "Berechnen", one transaction), and as a baseline the bare
// insertion of the same rows with one prepared single-row INSERT per table in one transaction; then
// 1,000 Monte Carlo runs and one break-even search over the in-memory calculation.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/engine/Calculation.h"
#include "core/services/CalculationRun.h"
#include "core/engine/EngineInput.h"
#include "core/scenarios/BreakEven.h"
#include "core/scenarios/MonteCarlo.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kMemoryRuns = 500;
constexpr int kPersistedRuns = 40;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The rows a persisted run of the project writes, as plain values per table.
struct Rows {
    std::vector<QVariantList> ledger, inhabitants, municipality, units;
};

Rows rowsOf(const EngineResult& result) {
    Rows rows;
    for (const LedgerEntry& e : result.ledger)
        rows.ledger.push_back(
            {result.projectId, e.jahr, e.typ, e.bezeichnung, e.kostentraeger, e.ausgabe, e.einnahme});
    for (const SpecialEntry& e : result.special)
        rows.ledger.push_back({result.projectId, e.stored.jahr, e.stored.typ, e.stored.bezeichnung,
                               e.stored.kostentraeger, e.ausgabe, 0.0});
    for (int age = 0; age <= Engine::OldestAge; ++age)
        for (int year = 1; year <= Engine::PlanningYears; ++year)
            rows.inhabitants.push_back({result.projectId, age, year, result.inhabitants[age][year]});
    for (const MunicipalityAgeRow& r : result.municipality)
        for (int year = 1; year <= Engine::PlanningYears; ++year)
            rows.municipality.push_back({result.pg, r.age, year, r.values[year]});
    for (int year = 1; year <= Engine::PlanningYears; ++year) {
        QVariantList v{result.projectId, year};
        for (double u : result.units[year])
            v << u;
        rows.units.push_back(v);
    }
    return rows;
}

void insertAll(const QSqlDatabase& db, const QString& sql, const std::vector<QVariantList>& rows) {
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariantList& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            query.bindValue(i, row[i]);
        query.exec();
    }
}

// The minimal program: one prepared INSERT per table, one transaction, nothing else.
double baselineInsert(TestDb& db, const Rows& rows, int projectId) {
    const QSqlDatabase user = db.user();
    QElapsedTimer timer;
    timer.start();
    QSqlQuery(user).exec(QStringLiteral("BEGIN"));
    insertAll(user,
              QStringLiteral("INSERT INTO Auswertung (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, "
                             "Einnahme) VALUES (?, ?, ?, ?, ?, ?, ?)"),
              rows.ledger);
    insertAll(user, QStringLiteral("INSERT INTO bBvB (TAVO, \"Alter\", Jahr, Bewohner) VALUES (?, ?, ?, ?)"),
              rows.inhabitants);
    insertAll(user, QStringLiteral("INSERT INTO gBvB (PG, \"Alter\", Jahr, Bewohner) VALUES (?, ?, ?, ?)"),
              rows.municipality);
    insertAll(user,
              QStringLiteral(
                  "INSERT INTO bWvB (TAVO, Jahr, EFHg, EFHk, RHg, RHk, GWB) VALUES (?, ?, ?, ?, ?, ?, ?)"),
              rows.units);
    QSqlQuery(user).exec(QStringLiteral("COMMIT"));
    const double ms = timer.nsecsElapsed() / 1e6;
    // Removed again outside the measurement, so that every round starts from the same tables.
    Transaction cleanup(user);
    for (const char* table : {"Auswertung", "bBvB", "bWvB"})
        Sql::exec(user, QStringLiteral("DELETE FROM %1 WHERE TAVO = ?").arg(QLatin1String(table)),
                  {projectId});
    Sql::exec(user, QStringLiteral("DELETE FROM gBvB WHERE PG = ?"), {rows.municipality.front()[0]});
    cleanup.commit();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDb db;
    const int project = EngineFixture::insertRealisticProject(db);

    QElapsedTimer loadTimer;
    loadTimer.start();
    const EngineInput input = EngineInput::load(db.dbs(), project);
    const double loadMs = loadTimer.nsecsElapsed() / 1e6;
    const EngineResult result = calculate(input);
    const Rows rows = rowsOf(result);

    std::vector<double> memory;
    for (int i = 0; i < kMemoryRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        const EngineResult r = calculate(input);
        memory.push_back(timer.nsecsElapsed() / 1e6);
        if (r.ledger.size() != result.ledger.size())
            return 1;
    }

    // Persisted runs and baseline rounds alternate, so that both see the same state of the machine.
    std::vector<double> persisted;
    std::vector<double> baseline;
    runCalculation(db.dbs(), project); // warm-up
    for (int i = 0; i < kPersistedRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        runCalculation(db.dbs(), project);
        persisted.push_back(timer.nsecsElapsed() / 1e6);
        Sql::exec(db.user(), QStringLiteral("DELETE FROM Auswertung WHERE TAVO = ?"), {project});
        Sql::exec(db.user(), QStringLiteral("DELETE FROM bBvB WHERE TAVO = ?"), {project});
        Sql::exec(db.user(), QStringLiteral("DELETE FROM bWvB WHERE TAVO = ?"), {project});
        Sql::exec(db.user(), QStringLiteral("DELETE FROM gBvB WHERE PG = ?"), {result.pg});
        baseline.push_back(baselineInsert(db, rows, project));
    }

    const std::size_t written =
        rows.ledger.size() + rows.inhabitants.size() + rows.municipality.size() + rows.units.size();
    std::printf("bench_engine_memory: realistic project, %zu ledger rows, %zu rows written in all\n",
                rows.ledger.size(), written);
    std::printf("reading the inputs once:               %7.3f ms\n", loadMs);
    std::printf("in-memory run (median of %d):         %7.3f ms   (target <= 1 ms)\n", kMemoryRuns,
                median(memory));
    std::printf("persisted run (median of %d):          %7.3f ms\n", kPersistedRuns, median(persisted));
    std::printf("baseline insert of the same rows:       %7.3f ms\n", median(baseline));
    std::printf("ratio persisted / baseline (medians):   %7.2f      (target <= 1.5)\n",
                median(persisted) / median(baseline));

    // The range of the project: 1,000 Monte Carlo runs on every core, wall time, three rounds.
    std::vector<double> monteCarlo;
    MonteCarlo::Options options;
    options.runs = 1000;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        MonteCarlo::run(input, Scenarios::builtInSettings(), options);
        monteCarlo.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("1,000 Monte Carlo runs, all cores:      %7.1f ms   (median of 3, target <= 1500 ms)\n",
                median(monteCarlo));
    QElapsedTimer breakEvenTimer;
    breakEvenTimer.start();
    BreakEven::Request request;
    request.field = QStringLiteral("gsHebesatz");
    BreakEven::find(input, request);
    std::printf("break-even of gsHebesatz:               %7.1f ms\n", breakEvenTimer.nsecsElapsed() / 1e6);
    return 0;
}
