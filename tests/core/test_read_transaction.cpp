// One state per answer: the reads of one answer inside a ReadTransaction see one state of the user
// database while a second connection writes a recalculation, on a file and on a server, and the
// transaction takes no write lock.

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "core/services/ExampleProject.h"
#include "core/results/KeyFigures.h"
#include "support/EngineFixture.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

using State = CalculationState::State;

namespace {

// The figures of one answer belong together: the balance is the sum of the years' balances and
// the last cumulative balance.
void verifyConsistent(const KeyFigures& f) {
    double sum = 0.0;
    for (int j = 1; j <= KeyFigures::Years; ++j)
        sum += f.saldoJeJahr[j];
    QVERIFY2(EngineFixture::near(sum, f.saldo), qPrintable(QStringLiteral("%1 / %2").arg(sum).arg(f.saldo)));
    QVERIFY(EngineFixture::near(f.kumuliert[KeyFigures::Years], f.saldo));
}

bool sameFigures(const KeyFigures& a, const KeyFigures& b) {
    return a.saldo == b.saldo && a.saldoJeJahr == b.saldoJeJahr && a.barwert == b.barwert &&
           a.kumuliert == b.kumuliert;
}

// A second connection to the user file, as another program would have it; it waits for no lock.
QSqlDatabase otherConnection(const QString& name, const QString& path, bool readOnly = false) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    db.open();
    return db;
}

bool run(QSqlDatabase db, const QString& sql, const QVariantList& params = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : params)
        q.addBindValue(v);
    return q.exec();
}

} // namespace

class TestReadTransaction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fileKeepsOneStateWithoutWriteLock();
    void serverKeepsOneStateWhileAnotherRuns();
};

void TestReadTransaction::fileKeepsOneStateWithoutWriteLock() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    const KeyFigures before = computeKeyFigures(db.user(), id, KeyFigureOptions());
    verifyConsistent(before);
    {
        QSqlDatabase writer = otherConnection(QStringLiteral("writer"), db.userPath());
        QVERIFY(writer.isOpen());
        int changedRows = 0;
        {
            ReadTransaction answer(db.user());
            const KeyFigures first = computeKeyFigures(db.user(), id, KeyFigureOptions());
            QVERIFY(sameFigures(first, before));
            // The answer holds no write lock: another program may begin writing ...
            QVERIFY(run(writer, QStringLiteral("BEGIN IMMEDIATE")));
            QSqlQuery change(writer);
            change.prepare(QStringLiteral(
                "UPDATE \"Auswertung\" SET \"Ausgabe\" = \"Ausgabe\" + 1000 WHERE \"TAVO\" = ? AND "
                "\"Jahr\" = 1 AND \"Kostenträger\" = 'Gemeinde'"));
            change.addBindValue(id);
            QVERIFY(change.exec());
            changedRows = change.numRowsAffected();
            QVERIFY(changedRows > 0);
            // ... but its commit waits for the answer, which reads one state to its end; a nested
            // read transaction (the figures' own) does not end the answer's.
            QVERIFY(!run(writer, QStringLiteral("COMMIT")));
            {
                ReadTransaction nested(db.user());
                nested.finish();
            }
            QVERIFY(!run(writer, QStringLiteral("COMMIT")));
            const KeyFigures second = computeKeyFigures(db.user(), id, KeyFigureOptions());
            QVERIFY(sameFigures(second, before));
        }
        // The answer is done: the write goes through and the next answer sees it.
        QVERIFY(run(writer, QStringLiteral("COMMIT")));
        const KeyFigures after = computeKeyFigures(db.user(), id, KeyFigureOptions());
        verifyConsistent(after);
        QVERIFY(EngineFixture::near(after.saldo, before.saldo - 1000.0 * changedRows));
        QVERIFY(EngineFixture::near(after.saldoJeJahr[1], before.saldoJeJahr[1] - 1000.0 * changedRows));

        // A connection that may only read has its read transactions too.
        QSqlDatabase reader = otherConnection(QStringLiteral("reader"), db.userPath(), true);
        {
            ReadTransaction answer(reader);
            const KeyFigures read = computeKeyFigures(reader, id, KeyFigureOptions());
            QVERIFY(sameFigures(read, after));
            QCOMPARE(CalculationState::of(reader, id), State::Current);
        }
        writer.close();
        reader.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
}

void TestReadTransaction::serverKeepsOneStateWhileAnotherRuns() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const Databases dbs(TestDb::generatedMaster(), server.url());
    const Databases colleague(TestDb::generatedMaster(), server.url());
    const int id = ExampleProject::create(dbs);
    const KeyFigures before = computeKeyFigures(dbs.user(), id, KeyFigureOptions());
    verifyConsistent(before);
    {
        ReadTransaction answer(dbs.user());
        QVERIFY(sameFigures(computeKeyFigures(dbs.user(), id, KeyFigureOptions()), before));
        // A colleague changes the inputs and calculates the project anew, committed in between.
        Sql::exec(colleague.user(),
                  QStringLiteral("UPDATE \"TAVO\" SET \"gsHebesatz\" = \"gsHebesatz\" * 2 WHERE \"ID\" = ?"),
                  {id});
        runCalculation(colleague, id);
        // The answer goes on reading the state it began with: figures and their state alike.
        const KeyFigures second = computeKeyFigures(dbs.user(), id, KeyFigureOptions());
        QVERIFY(sameFigures(second, before));
        QCOMPARE(CalculationState::of(dbs.user(), id), State::Current);
    }
    const KeyFigures after = computeKeyFigures(dbs.user(), id, KeyFigureOptions());
    verifyConsistent(after);
    QVERIFY(after.einnahmen > before.einnahmen);
    QCOMPARE(CalculationState::of(dbs.user(), id), State::Current);
}

QTEST_GUILESS_MAIN(TestReadTransaction)
#include "test_read_transaction.moc"
