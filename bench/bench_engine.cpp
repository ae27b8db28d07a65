// Calculation run of a realistic project (five building rows of all five types, every network and
// fiscal table filled, 20 settlement rows) on file databases: median over repeated runs, first on
// its own, then with 1,000 other calculated projects in the same user database.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

constexpr int kRuns = 30;
constexpr int kOtherProjects = 1000;

struct Figures {
    double median, min, max, cpuMedian;
};

// CPU time of this process in ms: less disturbed than wall time when other work shares the cores.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

Figures measure(TestDb& db, int projectId) {
    runCalculation(db.dbs(), projectId); // warm-up
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        runCalculation(db.dbs(), projectId);
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[times.size() / 2], times.front(), times.back(), cpu[cpu.size() / 2]};
}

// Copies the calculated project `source` with all its detail and result rows, count times.
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
                  "INSERT INTO Bebauung (TAVO, bbTyp, bbBauklasse, bbAnteil) SELECT ?, bbTyp, bbBauklasse, "
                  "bbAnteil FROM Bebauung WHERE TAVO = ? ORDER BY ID",
                  {id, source});
        Sql::exec(
            user,
            "INSERT INTO Besiedelung (TAVO, Jahr, EFHg, EFHk, RHg, RHk, GWB) SELECT ?, Jahr, EFHg, EFHk, "
            "RHg, RHk, GWB FROM Besiedelung WHERE TAVO = ? ORDER BY ID",
            {id, source});
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
}

void print(const char* label, const Figures& f) {
    std::printf("%-42s median %6.2f ms  min %6.2f ms  max %6.2f ms  (CPU time median %6.2f ms)\n", label,
                f.median, f.min, f.max, f.cpuMedian);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDb db;
    const int project = EngineFixture::insertRealisticProject(db);
    const int template_ = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), template_);
    const int ledgerRows = EngineFixture::ledgerRows(db, template_);

    const Figures alone = measure(db, project);
    std::printf("bench_engine: realistic project, %d ledger rows, %d runs each\n", ledgerRows, kRuns);
    print("calculation run, project alone:", alone);
    if (app.arguments().contains("--alone"))
        return 0;

    QElapsedTimer setup;
    setup.start();
    addCalculatedCopies(db, template_, kOtherProjects);
    std::printf("(added %d calculated projects in %.0f ms)\n", kOtherProjects, setup.nsecsElapsed() / 1e6);
    const Figures crowded = measure(db, project);
    print("calculation run, 1,000 other projects:", crowded);
    std::printf("ratio crowded / alone (median): %.2f   (targets: median <= 25 ms, ratio <= 1.3)\n",
                crowded.median / alone.median);
    return 0;
}
