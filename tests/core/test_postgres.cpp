#include <atomic>
#include <mutex>
#include <thread>

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/ServerAddress.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "core/services/ExampleProject.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/RecordConflict.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/DatasetText.h"
#include "core/results/KeyFigures.h"
#include "core/results/ResultQueries.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

// The user database on a PostgreSQL server: the same program on a file and on a server gives the same
// rows to the last digit, a failed run leaves the server's tables as they were, stored queries cannot
// write there either, and several runs at once neither block each other forever nor duplicate rows.

using namespace ResultQueries;

namespace {

const char* const kSkip = "kein PostgreSQL-Testserver (TAVO_TEST_PG)";

// The same second project on both databases: the example with other inputs and special expenditures
// whose designations test the order of empty values, umlauts and lower case.
int addVariant(const Databases& dbs) {
    const int id = duplicateProject(dbs, 1);
    Sql::exec(dbs.user(),
              QStringLiteral("UPDATE \"TAVO\" SET \"bgFlBaulandBrutto\" = 47113.5, \"gsHebesatz\" = 437.5, "
                             "\"auAnteilZuzug\" = 61.3, "
                             "\"fiZinsenSoll\" = 3.7 WHERE \"ID\" = ?"),
              {id});
    const QList<QVariantList> rows = {{id, 3, "Sonstiges", QVariant(), "Gemeinde", 1234.567},
                                      {id, 3, "Sonstiges", "Ölabscheider", "Gemeinde", 0.1},
                                      {id, 3, "Sonstiges", "apfelbaum", "Gemeinde", 0.2},
                                      {id, 3, "Sonstiges", "Zaun", "Gemeinde", 1.0 / 3.0},
                                      {id, 7, "Sonstiges", "Zaun", "Land", 98765.4321}};
    for (const QVariantList& row : rows)
        Sql::exec(dbs.user(),
                  QStringLiteral("INSERT INTO \"Sonderausgaben\" (\"TAVO\", \"Jahr\", \"Typ\", "
                                 "\"Bezeichnung\", \"Kostenträger\", \"Ausgabe\") "
                                 "VALUES (?, ?, ?, ?, ?, ?)"),
                  row);
    return id;
}

// Every view of a project as its exported text: the finance views for each cost bearer and type and
// both groupings, dwelling units, and the inhabitants of every area.
QStringList allViews(const Databases& dbs, int projectId) {
    QStringList texts;
    const FilterItems items = loadFilterItems(dbs.master());
    for (int grouping = 0; grouping < groupingItems().size(); ++grouping) {
        for (int bearer = 0; bearer < items.costBearers.size(); ++bearer) {
            for (int type = 0; type < items.types.size(); ++type) {
                const FinanceChoice choice{bearer, type, grouping};
                for (const Query& q : buildResultQueries(items, choice, projectId)) {
                    QSqlQuery result = execute(dbs.user(), q);
                    texts << DatasetText::fromQuery(result);
                }
            }
        }
    }
    QSqlQuery units = execute(dbs.user(), buildDwellingQuery(projectId));
    texts << DatasetText::fromQuery(units);
    const PopulationSource source = readPopulationSource(dbs.user(), projectId);
    for (int area = 0; area < areaItems().size(); ++area) {
        QSqlQuery people = execute(dbs.user(), buildPopulationQueries(dbs.user(), area, source));
        texts << DatasetText::fromQuery(people);
    }
    return texts;
}

int count(const Databases& dbs, const QString& sql, const QVariantList& params = {}) {
    return Sql::scalar(dbs.user(), sql, params).toInt();
}

} // namespace

class TestPostgres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameResultsAsTheFile();
    void failedRunAndStoredQueriesLeaveTheTables();
    void runsAtOnce();
};

void TestPostgres::sameResultsAsTheFile() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase server;
    QTemporaryDir dir;
    const QString master = TestDb::generatedMaster();
    const QString file = dir.filePath(QStringLiteral("TAVO_User.db"));
    for (const QString& location : {file, server.url()}) {
        Databases::createUserDatabase(location);
        const Databases dbs(master, location);
        QCOMPARE(ExampleProject::create(dbs), 1);
        runCalculation(dbs, addVariant(dbs));
    }
    // Making the tables twice is refused.
    QVERIFY_THROWS_EXCEPTION(TavoError, Databases::createUserDatabase(server.url()));

    const Databases onFile(master, file);
    const Databases onServer(master, server.url());
    for (int id : {1, 2}) {
        QVERIFY(count(onServer, QStringLiteral("SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = ?"),
                      {id}) > 700);
        const QStringList expected = allViews(onFile, id);
        const QStringList actual = allViews(onServer, id);
        QCOMPARE(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(actual.at(i), expected.at(i));
        // The key figures add the ledger up in the same order: equal to the last bit.
        for (const QString& bearer : {QStringLiteral("Gemeinde"), QString()}) {
            const KeyFigureOptions options{bearer, 3.5};
            const KeyFigures a = computeKeyFigures(onFile.user(), id, options);
            const KeyFigures b = computeKeyFigures(onServer.user(), id, options);
            QCOMPARE(b.saldo, a.saldo);
            QCOMPARE(b.barwert, a.barwert);
            QCOMPARE(b.bewohner, a.bewohner);
        }
    }
    // The special expenditure without designation lists first in its year, "Ölabscheider" after "Zaun"
    // and "apfelbaum" after both, byte by byte as in the file.
    const QString noName = QStringLiteral("\r\n3\tSonstiges\t\tGemeinde\t1234.567\r\n");
    bool seen = false;
    for (const QString& view : allViews(onServer, 2)) {
        const int first = view.indexOf(noName);
        if (first < 0)
            continue;
        seen = true;
        QVERIFY(first < view.indexOf(QStringLiteral("\tZaun\t")));
        QVERIFY(view.indexOf(QStringLiteral("\tZaun\t")) < view.indexOf(QStringLiteral("\tapfelbaum\t")));
        QVERIFY(view.indexOf(QStringLiteral("\tapfelbaum\t")) < view.indexOf(QStringLiteral("\tÖlabscheider\t")));
    }
    QVERIFY(seen);
}

void TestPostgres::failedRunAndStoredQueriesLeaveTheTables() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const Databases dbs(TestDb::generatedMaster(), server.url());
    const int id = ExampleProject::create(dbs);
    const QString ledger = QStringLiteral("SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = ?");
    const int rows = count(dbs, ledger, {id});
    const int municipality = count(dbs, QStringLiteral("SELECT count(*) FROM \"gBvB\""));
    QVERIFY(rows > 700);
    QCOMPARE(municipality, 96 * 20);

    // A run that fails in the middle leaves the previous results, row for row.
    Sql::exec(
        dbs.user(),
        QStringLiteral("UPDATE \"TAVO\" SET \"bgGstFl_RHg\" = 0, \"Bezugsjahr\" = 1999 WHERE \"ID\" = ?"),
        {id});
    QVERIFY_THROWS_EXCEPTION(TavoError, runCalculation(dbs, id));
    QCOMPARE(count(dbs, ledger, {id}), rows);
    QCOMPARE(count(dbs, QStringLiteral("SELECT count(*) FROM \"gBvB\"")), municipality);
    QCOMPARE(count(dbs, QStringLiteral("SELECT \"Bezugsjahr\" FROM \"TAVO\" WHERE \"ID\" = ?"), {id}), 1999);
    // The connection is usable again after the rollback.
    Sql::exec(dbs.user(), QStringLiteral("UPDATE \"TAVO\" SET \"bgGstFl_RHg\" = 350 WHERE \"ID\" = ?"), {id});
    runCalculation(dbs, id);
    QCOMPARE(count(dbs, ledger, {id}), rows);

    // A stored query is never run: one that would delete the ledger leaves it, and the view shows the
    // program's own figures.
    const PopulationSource source = readPopulationSource(dbs.user(), id);
    const auto populationTotal = [&] {
        return columnTotal(dbs.user(), buildPopulationQueries(dbs.user(), 1, source),
                           QStringLiteral("Bewohner"));
    };
    const double population = populationTotal();
    QVERIFY(population > 0);
    for (const QString& text :
         {QStringLiteral("WITH weg AS (DELETE FROM \"Auswertung\" RETURNING \"Jahr\") SELECT \"Jahr\" FROM weg"),
          QStringLiteral("DELETE FROM \"Auswertung\"")}) {
        Sql::exec(dbs.user(),
                  QStringLiteral("UPDATE \"TAVO_Abfragen\" SET \"SQL\" = ? WHERE \"Name\" = 'Bewohner_bBvB'"),
                  {text});
        QCOMPARE(populationTotal(), population);
        QCOMPARE(count(dbs, ledger, {id}), rows);
    }
    // Writing works again afterwards.
    Sql::exec(dbs.user(),
              QStringLiteral("UPDATE \"TAVO\" SET \"Beschreibung\" = 'geändert' WHERE \"ID\" = ?"), {id});

    // Two planners on the server: the later save of the project both opened is refused, until the
    // second one chooses to overwrite.
    const Databases other(TestDb::generatedMaster(), server.url());
    ProjectRecord first(dbs.user());
    ProjectRecord second(other.user());
    first.load(id);
    second.load(id);
    second.setValue(QStringLiteral("gsHebesatz"), 450.0);
    second.post();
    first.setValue(QStringLiteral("gsHebesatz"), 480.0);
    QVERIFY_THROWS_EXCEPTION(RecordConflict, first.post());
    QCOMPARE(
        Sql::scalar(dbs.user(), QStringLiteral("SELECT \"gsHebesatz\" FROM \"TAVO\" WHERE \"ID\" = ?"), {id})
            .toDouble(),
        450.0);
    first.post(ProjectRecord::WriteMode::Overwrite);
    QCOMPARE(
        Sql::scalar(dbs.user(), QStringLiteral("SELECT \"gsHebesatz\" FROM \"TAVO\" WHERE \"ID\" = ?"), {id})
            .toDouble(),
        480.0);

    // The upgrade adds a column an older server database lacks, as it does for a file.
    Sql::exec(dbs.user(), QStringLiteral("ALTER TABLE \"TAVO\" DROP COLUMN \"Bezugsjahr\""));
    const Databases reopened(TestDb::generatedMaster(), server.url());
    QCOMPARE(count(reopened, QStringLiteral("SELECT count(\"Bezugsjahr\") FROM \"TAVO\"")), 0);
}

void TestPostgres::runsAtOnce() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const QString master = TestDb::generatedMaster();
    QList<int> ids;
    QList<int> ledgerRows;
    const QString ledger = QStringLiteral("SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = ?");
    {
        const Databases dbs(master, server.url());
        ids << ExampleProject::create(dbs);
        for (int i = 0; i < 3; ++i)
            ids << duplicateProject(dbs, ids.first());
        // The rows one run of each writes, one after the other.
        for (int id : ids.mid(0, 3)) {
            runCalculation(dbs, id);
            ledgerRows << count(dbs, ledger, {id});
        }
    }
    // Six runs at once, two of each of three projects of one municipality; every connection lives in
    // its own thread, as on six machines.
    std::atomic<int> failures{0};
    QStringList messages;
    std::mutex lock;
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i) {
        const int id = ids.at(i % 3);
        threads.emplace_back([&, id] {
            try {
                const Databases dbs(master, server.url());
                runCalculation(dbs, id);
            } catch (const TavoError& e) {
                ++failures;
                const std::lock_guard<std::mutex> guard(lock);
                messages << e.message();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    QVERIFY2(failures == 0, qPrintable(messages.join(QLatin1Char('\n'))));
    const Databases dbs(master, server.url());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(count(dbs, ledger, {ids.at(i)}), ledgerRows.at(i));
        QCOMPARE(count(dbs, QStringLiteral("SELECT count(*) FROM \"bBvB\" WHERE \"TAVO\" = ?"), {ids.at(i)}),
                 96 * 20);
    }
    // The municipality's rows exist once, however many runs rewrote them at the same time.
    QCOMPARE(count(dbs, QStringLiteral("SELECT count(*) FROM \"gBvB\"")), 96 * 20);
    QCOMPARE(count(dbs, ledger, {ids.last()}), 0);
}

QTEST_GUILESS_MAIN(TestPostgres)
#include "test_postgres.moc"
