#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/services/ExampleProject.h"
#include "core/projects/ProjectRecords.h"
#include "core/scenarios/Scenarios.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

// A planner who signs in to the server with a role of their own, allowed to read and write the tables
// and to draw their keys but not to create tables, opens the database and works as its owner does.

namespace {

void run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        QFAIL(qPrintable(sql + QStringLiteral(": ") + query.lastError().text()));
}

// The role, removed with its rights again however the test ends.
class PlannerRole {
public:
    PlannerRole(QSqlDatabase admin, const QString& name) : m_admin(std::move(admin)), m_name(name) {
        QSqlQuery(m_admin).exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(Sql::quoted(m_name)));
    }
    ~PlannerRole() {
        QSqlQuery(m_admin).exec(QStringLiteral("DROP OWNED BY %1").arg(Sql::quoted(m_name)));
        QSqlQuery(m_admin).exec(QStringLiteral("DROP ROLE %1").arg(Sql::quoted(m_name)));
    }
    PlannerRole(const PlannerRole&) = delete;
    PlannerRole& operator=(const PlannerRole&) = delete;

private:
    QSqlDatabase m_admin;
    QString m_name;
};

} // namespace

class TestPgPlannerRole : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ownRoleWithoutCreateRight();
};

void TestPgPlannerRole::ownRoleWithoutCreateRight() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    const QString master = TestDb::generatedMaster();
    Databases::createUserDatabase(server.url());
    {
        const Databases owner(master, server.url());
        QCOMPARE(ExampleProject::create(owner), 1);
    }
    QSqlDatabase admin = server.open();
    const QString name = server.name() + QStringLiteral("_planer");
    const PlannerRole role(admin, name);
    run(admin, QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1")
                   .arg(Sql::quoted(name)));
    run(admin, QStringLiteral("GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA public TO %1")
                   .arg(Sql::quoted(name)));
    // The role may not create a table, as in a database its owner keeps to themselves.
    QCOMPARE(Sql::scalar(admin, QStringLiteral("SELECT has_schema_privilege(?, current_schema(), 'CREATE')"),
                         {name})
                 .toBool(),
             false);

    const PgTestDatabase::Address address = *PgTestDatabase::parseUrl(server.url());
    const QString asPlanner = QStringLiteral("postgresql://%1@%2:%3/%4")
                                  .arg(name, address.host)
                                  .arg(address.port)
                                  .arg(address.database);
    const Databases dbs(master, asPlanner);
    const QString ledger = QStringLiteral("SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = ?");
    const int rows = Sql::scalar(dbs.user(), ledger, {1}).toInt();
    QVERIFY(rows > 700);
    runCalculation(dbs, 1);
    QCOMPARE(Sql::scalar(dbs.user(), ledger, {1}).toInt(), rows);
    // The copy is a full one: with the example's two special expenditures, it books as many rows.
    const int copy = duplicateProject(dbs, 1);
    QCOMPARE(copy, 2);
    runCalculation(dbs, copy);
    QCOMPARE(Sql::scalar(dbs.user(), ledger, {copy}).toInt(), rows);
    // A new project of the example's municipality gets the next key and the preset's twenty years.
    const int created = createProject(dbs, 306);
    QCOMPARE(created, 3);
    applySettlementPreset(dbs, created, QStringLiteral("ohne_Mobilisierung"));
    QCOMPARE(
        Sql::scalar(dbs.user(),
                    QStringLiteral("SELECT count(DISTINCT \"Jahr\") FROM \"Besiedelung\" WHERE \"TAVO\" = ?"),
                    {created})
            .toInt(),
        20);
    // Its scenarios are stored and read back; deleting the project takes its rows along.
    Scenarios::Settings settings = Scenarios::loadSettings(dbs.user(), created);
    const QString amount = Scenarios::parameterNames().last(); // a factor, not the whole years of the shift
    Scenarios::setParameterValue(settings.pessimistic, amount, 12.25);
    Scenarios::saveSettings(dbs.user(), created, settings);
    QCOMPARE(Scenarios::parameterValue(Scenarios::loadSettings(dbs.user(), created).pessimistic, amount),
             12.25);
    Sql::exec(dbs.user(), QStringLiteral("DELETE FROM \"TAVO\" WHERE \"ID\" = ?"), {created});
    for (const char* table : {"Besiedelung", "Szenarien"})
        QCOMPARE(Sql::scalar(dbs.user(),
                             QStringLiteral("SELECT count(*) FROM %1 WHERE \"TAVO\" = ?")
                                 .arg(Sql::quoted(QLatin1String(table))),
                             {created})
                     .toInt(),
                 0);
}

QTEST_GUILESS_MAIN(TestPgPlannerRole)
#include "test_pg_planner_role.moc"
