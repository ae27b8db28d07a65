#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "support/PgTestDatabase.h"

using namespace tavo;

// A window stays open while the database server is stopped and started again: the statement that
// meets the broken connection fails with a message that says so, the next one works on a new
// connection, and a transaction that was under way when the connection broke writes nothing.

namespace {

const char* const kSkip = "kein PostgreSQL-Testserver (TAVO_TEST_PG)";

// Ends the server process behind db from another connection, as a stopped server does.
void dropConnection(const QSqlDatabase& db, const QSqlDatabase& admin) {
    const qlonglong pid = Sql::scalar(db, QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    QVERIFY(pid > 0);
    QSqlQuery kill(admin);
    kill.prepare(QStringLiteral("SELECT pg_terminate_backend(?)"));
    kill.addBindValue(pid);
    QVERIFY2(kill.exec() && kill.next() && kill.value(0).toBool(), qPrintable(kill.lastError().text()));
}

// The message of the TavoError a statement throws, or an empty text when it does not throw.
QString failureOf(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    try {
        Sql::exec(db, sql, params);
    } catch (const TavoError& e) {
        return e.message();
    }
    return QString();
}

int rows(const QSqlDatabase& db, const QString& where) {
    return Sql::scalar(db, QStringLiteral("SELECT count(*) FROM werte WHERE %1").arg(where)).toInt();
}

} // namespace

class TestPgConnection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void brokenConnection();
};

void TestPgConnection::brokenConnection() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase pg;
    QSqlDatabase db = pg.open();
    const QSqlDatabase admin = pg.open();
    Sql::exec(db, QStringLiteral("CREATE TABLE werte (x bigint)"));
    const QString insert = QStringLiteral("INSERT INTO werte (x) VALUES (?)");

    // Outside a transaction: one failure in plain words, then the next statement runs again.
    dropConnection(db, admin);
    const QString lost = failureOf(db, insert, {1});
    QVERIFY2(lost.contains(QStringLiteral("Verbindung zum Datenbankserver ist unterbrochen")),
             qPrintable(lost));
    QVERIFY(!db.isOpen());
    QCOMPARE(failureOf(db, insert, {2}), QString());
    QVERIFY(db.isOpen());
    QCOMPARE(rows(db, QStringLiteral("x = 1")), 0);
    QCOMPARE(rows(db, QStringLiteral("x = 2")), 1);

    // A query its caller prepares and executes itself (result views, batch writes) as well.
    dropConnection(db, admin);
    QVERIFY(failureOf(db, insert, {7}).contains(QStringLiteral("unterbrochen")));
    {
        QSqlQuery own(db);
        Sql::prepare(own, insert);
        own.addBindValue(8);
        Sql::execPrepared(own);
    }
    QCOMPARE(rows(db, QStringLiteral("x IN (7, 8)")), 1);

    // Statements without values (sent unprepared) and named ones take the same way back.
    dropConnection(db, admin);
    QVERIFY(failureOf(db, QStringLiteral("SELECT 1"), {}).contains(QStringLiteral("unterbrochen")));
    QCOMPARE(Sql::execNamed(db, QStringLiteral("SELECT count(*) FROM werte WHERE x = :x"), {{"x", 2}}).next(),
             true);

    // Inside a transaction: the rest of it is not written on a new connection of its own.
    {
        Transaction tx(db);
        Sql::exec(db, insert, {3});
        dropConnection(db, admin);
        QVERIFY(failureOf(db, insert, {4}).contains(QStringLiteral("unterbrochen")));
        QVERIFY(failureOf(db, insert, {5}).contains(QStringLiteral("unterbrochen")));
        QVERIFY(!db.isOpen());
    }
    QCOMPARE(rows(db, QStringLiteral("x IN (3, 4, 5)")), 0);

    // A transaction begun after the break opens the connection anew and commits.
    dropConnection(db, admin);
    QVERIFY(!failureOf(db, QStringLiteral("SELECT 1"), {}).isEmpty());
    {
        Transaction tx(db);
        Sql::exec(db, insert, {6});
        tx.commit();
    }
    QCOMPARE(rows(db, QStringLiteral("x = 6")), 1);
}

QTEST_GUILESS_MAIN(TestPgConnection)
#include "test_pg_connection.moc"
