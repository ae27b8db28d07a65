#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/ExampleProject.h"
#include "support/CliRun.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

// A shared database on the server in the hands of several planners: nothing one of them stores runs
// with the rights of another, every statement has a time limit, an address reaches only its own
// server and database, and missing rights are named as such.

namespace {

const char* const kSkip = "kein PostgreSQL-Testserver (TAVO_TEST_PG)";

void run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        QFAIL(qPrintable(sql + QStringLiteral(": ") + query.lastError().text()));
}

// A login role of the test server, removed with its rights however the test ends.
class Role {
public:
    Role(QSqlDatabase admin, const QString& name) : m_admin(std::move(admin)), m_name(name) {
        QSqlQuery(m_admin).exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(Sql::quoted(m_name)));
    }
    ~Role() {
        QSqlQuery(m_admin).exec(QStringLiteral("DROP OWNED BY %1").arg(Sql::quoted(m_name)));
        QSqlQuery(m_admin).exec(QStringLiteral("DROP ROLE %1").arg(Sql::quoted(m_name)));
    }
    Role(const Role&) = delete;
    Role& operator=(const Role&) = delete;

    // The rights the README gives a planner's own role.
    void grantPlannerRights() {
        run(m_admin,
            QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1")
                .arg(Sql::quoted(m_name)));
        run(m_admin, QStringLiteral("GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA public TO %1")
                         .arg(Sql::quoted(m_name)));
    }
    // The database's address with this role.
    QString url(const PgTestDatabase& server) const {
        const PgTestDatabase::Address a = *PgTestDatabase::parseUrl(server.url());
        return QStringLiteral("postgresql://%1@%2:%3/%4").arg(m_name, a.host).arg(a.port).arg(a.database);
    }

private:
    QSqlDatabase m_admin;
    QString m_name;
};

} // namespace

class TestPgHardening : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedQueryOfAnotherPlannerNeverRuns();
    void connectionLimitsAndRights();
    void localSocketAndQuotedValues();
};

void TestPgHardening::storedQueryOfAnotherPlannerNeverRuns() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase server;
    const QString master = TestDb::generatedMaster();
    Databases::createUserDatabase(server.url());
    {
        const Databases owner(master, server.url());
        QCOMPARE(ExampleProject::create(owner), 1);
    }
    const QStringList exportPopulation{"export",    "--master", master,   "--user",  server.url(),
                                       "--project", "1",        "--view", "bewohner"};
    const CliOutput before = runCli(exportPopulation);
    QCOMPARE(before.exitCode, 0);
    QVERIFY(before.out.count('\n') > 10);

    // A planner with exactly the README's rights stores a text that would drop a table its owner may.
    QSqlDatabase admin = server.open();
    Role planner(admin, server.name() + QStringLiteral("_planer"));
    planner.grantPlannerRights();
    {
        const Databases asPlanner(master, planner.url(server));
        QVERIFY(asPlanner.notices().isEmpty()); // neither superuser nor owner: nothing to warn about
        Sql::exec(asPlanner.user(),
                  QStringLiteral("UPDATE \"TAVO_Abfragen\" SET \"SQL\" = ? WHERE \"Name\" = 'Bewohner_bBvB'"),
                  {QStringLiteral(
                      "SELECT 1 AS \"Jahr\", 2 AS \"Bewohner\"; COMMIT; SET default_transaction_read_only = "
                      "off; COMMIT; DROP TABLE \"Szenarien\"")});
    }
    // The owner (here a superuser) exports: the real population, the table stays, two warnings.
    const CliOutput after = runCli(exportPopulation);
    QVERIFY2(after.exitCode == 0, qPrintable(after.err));
    QCOMPARE(after.out, before.out);
    QVERIFY(Sql::scalar(admin, QStringLiteral("SELECT to_regclass('\"Szenarien\"') IS NOT NULL")).toBool());
    QVERIFY2(after.err.contains(QStringLiteral("Warnung: Die gespeicherte Abfrage „Bewohner_bBvB“")) &&
                 after.err.contains(QStringLiteral("weicht ab und wird nicht verwendet")),
             qPrintable(after.err));
    QCOMPARE(after.err.count(QStringLiteral("weicht ab")), 1);
    QVERIFY2(after.err.contains(QStringLiteral("als Superuser „")), qPrintable(after.err));
    // The stored row stays as it was written.
    QVERIFY(Sql::scalar(admin, QStringLiteral(
                                   "SELECT \"SQL\" FROM \"TAVO_Abfragen\" WHERE \"Name\" = 'Bewohner_bBvB'"))
                .toString()
                .contains(QStringLiteral("DROP TABLE")));
}

void TestPgHardening::connectionLimitsAndRights() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    PgTestDatabase server;
    const QString master = TestDb::generatedMaster();
    Databases::createUserDatabase(server.url());
    {
        const Databases writing(master, server.url());
        QCOMPARE(Sql::scalar(writing.user(), QStringLiteral("SHOW statement_timeout")).toString(),
                 QStringLiteral("1min"));
        QCOMPARE(Sql::scalar(writing.user(), QStringLiteral("SHOW default_transaction_read_only")).toString(),
                 QStringLiteral("off"));
        QVERIFY(writing.notices().join(QString()).contains(QStringLiteral("Superuser")));
        const Databases reading(master, server.url(), Databases::Access::Read);
        QVERIFY(reading.isReadOnly());
        QCOMPARE(Sql::scalar(reading.user(), QStringLiteral("SHOW statement_timeout")).toString(),
                 QStringLiteral("1min"));
        QVERIFY_THROWS_EXCEPTION(TavoError,
                                 Sql::exec(reading.user(), QStringLiteral("DELETE FROM \"Auswertung\"")));
        // A statement that runs out of time is ended with a German message (the limit shortened here).
        Sql::exec(reading.user(), QStringLiteral("SET statement_timeout = 50"));
        try {
            Sql::exec(reading.user(), QStringLiteral("SELECT pg_sleep(5)"));
            QFAIL("the statement was not ended");
        } catch (const TavoError& e) {
            QVERIFY2(
                e.message().startsWith(QStringLiteral("Der Datenbankserver hat den Schritt nach 60 Sekunden "
                                                      "abgebrochen")),
                qPrintable(e.message()));
        }
    }
    // A database that is not there is named with the cause.
    const QString missing = server.url() + QStringLiteral("_fehlt");
    try {
        const Databases dbs(master, missing);
        QFAIL("a missing database was opened");
    } catch (const TavoError& e) {
        QVERIFY2(
            e.message().endsWith(QStringLiteral("_fehlt“ kann nicht geöffnet werden: diese Datenbank gibt es "
                                                "auf dem Server nicht.")),
            qPrintable(e.message()));
    }
    // A role without rights on the tables is told so, not sent to make them anew.
    QSqlDatabase admin = server.open();
    Role stranger(admin, server.name() + QStringLiteral("_fremd"));
    try {
        const Databases dbs(master, stranger.url(server));
        QFAIL("a role without rights was let in");
    } catch (const TavoError& e) {
        QVERIFY2(
            e.message().contains(QStringLiteral("Keine Berechtigung für Tabelle „TAVO“ (Rolle „%1_fremd“)")
                                     .arg(server.name())),
            qPrintable(e.message()));
    }
    // A council member may read: the reading commands work, a write is refused with the table and role.
    run(admin, QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1")
                   .arg(Sql::quoted(server.name() + "_fremd")));
    const Databases reader(master, stranger.url(server), Databases::Access::Read);
    QCOMPARE(Sql::scalar(reader.user(), QStringLiteral("SELECT count(*) FROM \"TAVO\"")).toInt(), 0);
    const Databases writer(master, stranger.url(server));
    try {
        Sql::exec(writer.user(), QStringLiteral("UPDATE \"TAVO\" SET \"Beschreibung\" = 'x'"));
        QFAIL("a write without the right went through");
    } catch (const TavoError& e) {
        QCOMPARE(
            e.message(),
            QStringLiteral("Keine Berechtigung für Tabelle „TAVO“ (Rolle „%1_fremd“).").arg(server.name()));
    }
}

void TestPgHardening::localSocketAndQuotedValues() {
    if (!PgTestDatabase::available())
        QSKIP(kSkip);
    const QString folder = qEnvironmentVariable("TAVO_TEST_PG_DIR");
    if (folder.isEmpty())
        QSKIP("der Ordner des Testservers (TAVO_TEST_PG_DIR) fehlt");
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    const PgTestDatabase::Address a = *PgTestDatabase::parseUrl(server.url());
    const QString socket = QStringLiteral("postgresql://%1@:%2/%3?host=%4&application_name=TAVO%20Bauamt")
                               .arg(a.user)
                               .arg(a.port)
                               .arg(a.database, folder);
    const Databases dbs(TestDb::generatedMaster(), socket);
    QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT current_setting('application_name')")).toString(),
             QStringLiteral("TAVO Bauamt"));
    // Messages and the About box name what the connection really reached.
    QCOMPARE(
        dbs.userPath(),
        QStringLiteral("postgresql://%1@:%2/%3?host=%4").arg(a.user).arg(a.port).arg(a.database, folder));
    QVERIFY(
        Sql::scalar(dbs.user(), QStringLiteral("SELECT inet_server_addr() IS NULL")).toBool()); // a socket
    // Without a socket folder the client library's default applies (here PGHOST); messages name it.
    qputenv("PGHOST", folder.toUtf8());
    const Databases byDefault(
        TestDb::generatedMaster(),
        QStringLiteral("postgresql://%1@:%2/%3").arg(a.user).arg(a.port).arg(a.database));
    qunsetenv("PGHOST");
    QCOMPARE(byDefault.userPath(), dbs.userPath());
}

QTEST_GUILESS_MAIN(TestPgHardening)
#include "test_pg_hardening.moc"
