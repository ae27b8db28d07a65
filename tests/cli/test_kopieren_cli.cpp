// tavo-cli kopieren: projects with their rows and results moved between two user databases.

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

// The views of tavo-cli export: each finance view, one grouping more, and the inhabitants of every area.
QList<QStringList> everyView() {
    QList<QStringList> views;
    for (const char* view : {"ausgaben", "einnahmen", "saldo", "wohneinheiten"})
        views << QStringList{"--view", view};
    views << QStringList{"--view", "saldo", "--gruppierung", "Jahr, Kostenträger"};
    for (const char* area : {"0", "1", "2", "3", "4"})
        views << QStringList{"--view", "bewohner", "--gebiet", area};
    return views;
}

// A project's view as tavo-cli export writes it; an error as its message, which no view equals.
QByteArray exported(const QString& user, int id, const QStringList& view, const QStringList& master) {
    const CliOutput out =
        runCli(QStringList{"export", "--user", user, "--project", QString::number(id)} + master + view);
    return out.exitCode == 0 && !out.out.isEmpty() ? out.out : QByteArray("Fehler: ") + out.err.toUtf8();
}

// Every row of a query as text, the given columns left out.
QStringList rows(const QSqlDatabase& db, const QString& sql, const QVariantList& params,
                 const QStringList& skip = {QStringLiteral("ID"), QStringLiteral("TAVO"),
                                            QStringLiteral("rowid")}) {
    QStringList lines;
    QSqlQuery query = Sql::exec(db, sql, params);
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            if (!skip.contains(query.record().fieldName(i)))
                fields << query.record().fieldName(i) + QLatin1Char('=') + query.value(i).toString();
        lines << fields.join(QLatin1Char('|'));
    }
    return lines;
}

// The rows of a project that must come over unchanged, table by table in their stored order; the
// keys and the edit counter are the target's own.
QStringList projectRows(const QSqlDatabase& db, int id) {
    QStringList all = rows(db, "SELECT * FROM \"TAVO\" WHERE \"ID\" = ?", {id}, {"ID", "Version"});
    const QList<QPair<QString, QString>> tables = {
        {"Bebauung", "ID"},      {"Besiedelung", "ID"}, {"Sonderausgaben", "ID"}, {"Szenarien", "Parameter"},
        {"Auswertung", "rowid"}, {"bWvB", "rowid"},     {"bBvB", "rowid"}};
    for (const auto& [table, order] : tables) {
        const QStringList tableRows = rows(db,
                                           QStringLiteral("SELECT * FROM %1 WHERE \"TAVO\" = ? ORDER BY %2")
                                               .arg(Sql::quoted(table), Sql::quoted(order)),
                                           {id});
        all << table + QString::number(tableRows.size()) << tableRows;
    }
    return all;
}

// A connection to a user database file for the time of a block.
struct FileConnection {
    QSqlDatabase db;
    explicit FileConnection(const QString& path) : db(QSqlDatabase::addDatabase("QSQLITE", path)) {
        db.setDatabaseName(path);
        db.open();
    }
    ~FileConnection() {
        const QString name = db.connectionName();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
};

// Everything a user database holds, for "nothing changed".
QStringList wholeDatabase(const QString& path) {
    const FileConnection file(path);
    QStringList all;
    for (const QString& table : file.db.tables())
        all << table << rows(file.db, QStringLiteral("SELECT * FROM \"%1\"").arg(table), {}, {});
    return all;
}

// Project 1 calculated and up to date (with a scenario and an amount that needs all its digits), project
// 2 calculated and changed since; both saved five times, which is no input.
void addProjects(TestDb& source) {
    insertRealisticProject(source);
    source.insertRow(
        "Szenarien",
        {{"TAVO", 1}, {"Szenario", "optimistisch"}, {"Parameter", "gsHebesatz"}, {"Wert", 550.0}});
    source.insertRow("Sonderausgaben", {{"TAVO", 1},
                                        {"Jahr", 3},
                                        {"Typ", "Sonstiges"},
                                        {"Bezeichnung", "Ölabscheider"},
                                        {"Kostenträger", "Gemeinde"},
                                        {"Ausgabe", 1.0 / 3.0}});
    runCalculation(source.dbs(), 1);
    runCalculation(source.dbs(), insertRealisticProject(source, 302));
    Sql::exec(source.user(), "UPDATE \"TAVO\" SET \"gsHebesatz\" = \"gsHebesatz\" + 10 WHERE \"ID\" = 2");
    Sql::exec(source.user(), "UPDATE \"TAVO\" SET \"Version\" = 5");
}

CliOutput kopieren(const QString& from, const QString& to, const QStringList& more, const TestDb& source) {
    return runCli(QStringList{"kopieren", "--master", source.masterPath(), "--von", from, "--nach", to} +
                  more);
}

} // namespace

class TestKopierenCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copiesProjectsBothWays();
    void refusesOrCopiesNothing();
    void copiesThroughAServer();
};

void TestKopierenCli::copiesProjectsBothWays() {
    TestDb source;
    addProjects(source);
    const QString beschreibung =
        Sql::scalar(source.user(), "SELECT \"Beschreibung\" FROM \"TAVO\" WHERE \"ID\" = 1").toString();
    const QString municipalitySql = "SELECT * FROM \"gBvB\" WHERE \"PG\" = 301 ORDER BY \"rowid\"";
    const QStringList municipality = rows(source.user(), municipalitySql, {});
    QVERIFY(!municipality.isEmpty());

    QTemporaryDir dir;
    const QString target = dir.filePath("ziel.db");
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--user", target} + master).exitCode, 0);

    // Project 1 of the target (the example) takes the first ID: both copies get new ones.
    CliOutput copy = kopieren(source.userPath(), target, {"--project", "1", "--project", "2"}, source);
    QCOMPARE(copy.exitCode, 0);
    QCOMPARE(QString::fromUtf8(copy.out),
             QString("Projekt 1 → 2: %1\nProjekt 2 → 3: %1\n").arg(beschreibung));
    {
        const FileConnection connection(target);
        const QSqlDatabase db = connection.db;
        QCOMPARE(projectRows(db, 2), projectRows(source.user(), 1));
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), 2));
        QVERIFY(Sql::scalar(db, "SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = 2").toInt() > 1000);
        QCOMPARE(rows(db, municipalitySql, {}), municipality);
        QCOMPARE(CalculationState::of(db, 1), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 2), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 3), CalculationState::State::Changed);
        QCOMPARE(Sql::scalar(db, "SELECT max(\"Version\") FROM \"TAVO\"").toInt(), 0);
    }
    // Every view exported from the copy is byte for byte the view of the original.
    for (const QStringList& view : everyView())
        QCOMPARE(exported(target, 2, view, master), exported(source.userPath(), 1, view, master));

    // And back: IDs 1 and 2 are taken in the source, so the copy becomes 3 there, again up to date;
    // the municipality's rows are replaced, not added.
    copy = kopieren(target, source.userPath(), {"--project", "2"}, source);
    QCOMPARE(QString::fromUtf8(copy.out), QString("Projekt 2 → 3: %1\n").arg(beschreibung));
    QCOMPARE(projectRows(source.user(), 3), projectRows(source.user(), 1));
    QCOMPARE(CalculationState::of(source.user(), 3), CalculationState::State::Current);
    QCOMPARE(rows(source.user(), municipalitySql, {}), municipality);

    // Into an empty database every project keeps its ID, and a new project gets the next one above.
    // Rows of a project 3 deleted long ago without cascade must not end up in the copy.
    const QString empty = dir.filePath("leer.db");
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", empty} + master).exitCode, 0);
    {
        const FileConnection connection(empty);
        const QSqlDatabase db = connection.db;
        Sql::exec(db, "INSERT INTO \"TAVO\" (\"ID\", \"Beschreibung\") VALUES (3, 'alt')");
        Sql::exec(db, "INSERT INTO \"Auswertung\" (\"TAVO\", \"Jahr\", \"Typ\", \"Ausgabe\") VALUES (3, "
                      "2000, 'alt', 1)");
        Sql::exec(db, "INSERT INTO \"Bebauung\" (\"TAVO\", \"bbTyp\", \"bbAnteil\") VALUES (3, 'EFHg', 100)");
        Sql::exec(db, "DELETE FROM \"TAVO\""); // this connection does not enforce the references
    }
    copy = kopieren(source.userPath(), empty, {}, source);
    QCOMPARE(copy.out.count('\n'), 3);
    QVERIFY(copy.out.startsWith("Projekt 1 → 1: ") && copy.out.contains("\nProjekt 3 → 3: "));
    {
        const FileConnection connection(empty);
        const QSqlDatabase db = connection.db;
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), 3));
        Sql::exec(db, "INSERT INTO \"TAVO\" (\"Beschreibung\") VALUES ('neu')");
        QCOMPARE(Sql::scalar(db, "SELECT \"ID\" FROM \"TAVO\" WHERE \"Beschreibung\" = 'neu'").toInt(), 4);
    }
}

void TestKopierenCli::refusesOrCopiesNothing() {
    TestDb source;
    QTemporaryDir dir;
    const QString target = dir.filePath("ziel.db");
    QCOMPARE(runCli({"init", "--master", source.masterPath(), "--user", target}).exitCode, 0);
    // The source project lies in the example's municipality, so its gBvB rows are replaced; the forced
    // error comes after the project, its rows and that delete.
    int examplePg = 0;
    {
        const FileConnection connection(target);
        const QSqlDatabase db = connection.db;
        examplePg = Sql::scalar(db, "SELECT \"PG\" FROM \"TAVO\" WHERE \"ID\" = 1").toInt();
        QVERIFY(Sql::scalar(db, "SELECT count(*) FROM \"gBvB\" WHERE \"PG\" = ?", {examplePg}).toInt() > 0);
        Sql::exec(db,
                  "CREATE TRIGGER erzwungen BEFORE INSERT ON \"gBvB\" BEGIN SELECT RAISE(ABORT, 'erzwungener "
                  "Fehler'); END");
    }
    runCalculation(source.dbs(), insertRealisticProject(source, examplePg));
    const QStringList before = wholeDatabase(target);

    CliOutput out = kopieren(source.userPath(), target, {"--project", "1", "--project", "7"}, source);
    QCOMPARE(out.exitCode, 2);
    QVERIFY2(out.err.contains("ID 7") && out.out.isEmpty(), qPrintable(out.err));
    QCOMPARE(wholeDatabase(target), before);

    out = kopieren(source.userPath(), target, {}, source);
    QCOMPARE(out.exitCode, 1);
    QVERIFY2(out.err.contains("erzwungener Fehler") && out.err.contains("nichts kopiert"),
             qPrintable(out.err));
    QVERIFY(out.out.isEmpty());
    QCOMPARE(wholeDatabase(target), before);

    // The same file under another spelling; a missing target is not made.
    out = kopieren(source.userPath(), source.dir() + "/./" + QFileInfo(source.userPath()).fileName(), {},
                   source);
    QCOMPARE(out.exitCode, 2);
    QVERIFY2(out.err.contains("dieselbe"), qPrintable(out.err));
    QCOMPARE(kopieren(source.userPath(), dir.filePath("fehlt.db"), {}, source).exitCode, 2);
    QVERIFY(!QFile::exists(dir.filePath("fehlt.db")));
}

// From a file to a server and back into another file: the rows arrive unchanged, every view of the
// server's copy is the file's byte for byte, and the server's keys go on above the copied ones.
void TestKopierenCli::copiesThroughAServer() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    TestDb source;
    addProjects(source);
    PgTestDatabase server;
    QTemporaryDir dir;
    const QString file = dir.filePath("ziel.db");
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", server.url()} + master).exitCode, 0);
    QCOMPARE(runCli(QStringList{"init", "--user", file} + master).exitCode, 0);

    CliOutput copy = kopieren(source.userPath(), server.url(), {}, source);
    QCOMPARE(copy.out.count('\n'), 2);
    QVERIFY(copy.out.startsWith("Projekt 1 → 1: ") && copy.out.contains("\nProjekt 2 → 2: "));
    for (const QStringList& view : everyView())
        QCOMPARE(exported(server.url(), 1, view, master), exported(source.userPath(), 1, view, master));
    {
        const Databases onServer(source.masterPath(), server.url());
        QCOMPARE(CalculationState::of(onServer.user(), 1), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(onServer.user(), 2), CalculationState::State::Changed);
        Sql::exec(onServer.user(), "INSERT INTO \"TAVO\" (\"Beschreibung\") VALUES ('neu')");
        QCOMPARE(Sql::scalar(onServer.user(), "SELECT \"ID\" FROM \"TAVO\" WHERE \"Beschreibung\" = 'neu'")
                     .toInt(),
                 3);
    }

    // The file's example holds ID 1: the copies get 2 and 3, their rows as in the first file.
    copy = kopieren(server.url(), file, {"--project", "1", "--project", "2"}, source);
    QVERIFY(copy.out.startsWith("Projekt 1 → 2: ") && copy.out.contains("\nProjekt 2 → 3: "));
    {
        const FileConnection connection(file);
        const QSqlDatabase db = connection.db;
        QCOMPARE(projectRows(db, 2), projectRows(source.user(), 1));
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), 2));
        QCOMPARE(CalculationState::of(db, 2), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 3), CalculationState::State::Changed);
    }

    // An older file may hold a number as text: the server's typed column gets the number, so both
    // calculate the same.
    Sql::exec(source.user(),
              "UPDATE \"TAVO\" SET \"ifLfmWasserleitung\" = '33', \"gsHebesatz\" = '437.5' WHERE \"ID\" = 2");
    runCalculation(source.dbs(), 2);
    copy = kopieren(source.userPath(), server.url(), {"--project", "2"}, source);
    QCOMPARE(copy.exitCode, 0);
    QVERIFY(copy.out.startsWith("Projekt 2 → 4: "));
    {
        const Databases onServer(source.masterPath(), server.url());
        QCOMPARE(Sql::scalar(onServer.user(), "SELECT \"ifLfmWasserleitung\" FROM \"TAVO\" WHERE \"ID\" = 4")
                     .toLongLong(),
                 33);
        QCOMPARE(
            Sql::scalar(onServer.user(), "SELECT \"gsHebesatz\" FROM \"TAVO\" WHERE \"ID\" = 4").toDouble(),
            437.5);
        runCalculation(onServer, 4);
    }
    // (The project group's areas 2 and 3 count the server's earlier copy of the project as well.)
    for (const QStringList& view : everyView().mid(0, 7))
        QCOMPARE(exported(server.url(), 4, view, master), exported(source.userPath(), 2, view, master));
    // Text that is no number, or a fraction in a whole-number column (which the calculation reads as
    // it is, but the server would round), stops the copy; nothing reaches the server.
    for (const char* change :
         {"UPDATE \"TAVO\" SET \"gsHebesatz\" = 'viel' WHERE \"ID\" = 2",
          "UPDATE \"TAVO\" SET \"gsHebesatz\" = 437.5, \"ifLfmWasserleitung\" = 33.5 WHERE \"ID\" = 2"}) {
        Sql::exec(source.user(), change);
        copy = kopieren(source.userPath(), server.url(), {"--project", "2"}, source);
        QCOMPARE(copy.exitCode, 1);
        QVERIFY(copy.err.contains(QString::fromLatin1(change).contains("viel") ? "gsHebesatz"
                                                                               : "ifLfmWasserleitung"));
    }
    const Databases onServer(source.masterPath(), server.url());
    QCOMPARE(Sql::scalar(onServer.user(), "SELECT count(*) FROM \"TAVO\"").toInt(), 4);
}

QTEST_MAIN(TestKopierenCli)
#include "test_kopieren_cli.moc"
