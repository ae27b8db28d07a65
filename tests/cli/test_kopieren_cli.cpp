// tavo-cli kopieren: projects with their rows and results moved between two user databases.

#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/engine/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "support/EngineFixture.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace EngineFixture;

namespace {

struct Output {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Output runCli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(TAVO_TEST_CLI), args);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

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
    const Output out =
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
    QStringList all = rows(db, "SELECT * FROM TAVO WHERE ID = ?", {id}, {"ID", "Version"});
    const QList<QPair<QString, QString>> tables = {
        {"Bebauung", "ID"},      {"Besiedelung", "ID"}, {"Sonderausgaben", "ID"}, {"Szenarien", "Parameter"},
        {"Auswertung", "rowid"}, {"bWvB", "rowid"},     {"bBvB", "rowid"}};
    for (const auto& [table, order] : tables) {
        const QStringList tableRows =
            rows(db, QStringLiteral("SELECT * FROM %1 WHERE TAVO = ? ORDER BY %2").arg(table, order), {id});
        all << table + QString::number(tableRows.size()) << tableRows;
    }
    return all;
}

// Opens a user database file on a connection of the given name; close with closeFile().
QSqlDatabase openFile(const QString& path, const QString& name) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(path);
    db.open();
    return db;
}

void closeFile(const QString& name) {
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

// Everything a user database holds, for "nothing changed".
QStringList wholeDatabase(const QString& path) {
    QStringList all;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dump");
        db.setDatabaseName(path);
        if (!db.open())
            return {"nicht lesbar"};
        for (const QString& table : db.tables())
            all << table << rows(db, QStringLiteral("SELECT * FROM \"%1\"").arg(table), {}, {});
    }
    QSqlDatabase::removeDatabase("dump");
    return all;
}

} // namespace

class TestKopierenCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copiesProjectsBothWays();
    void failedCopyLeavesTargetUnchanged();
    void refusesUnknownProjectsAndDatabases();
    void copiesThroughAServer();
};

void TestKopierenCli::copiesProjectsBothWays() {
    TestDb source;
    const int current = insertRealisticProject(source);
    runCalculation(source.dbs(), current);
    source.insertRow(
        "Szenarien",
        {{"TAVO", current}, {"Szenario", "optimistisch"}, {"Parameter", "gsHebesatz"}, {"Wert", 550.0}});
    const int changed = insertRealisticProject(source, 302);
    runCalculation(source.dbs(), changed);
    Sql::exec(source.user(), "UPDATE TAVO SET gsHebesatz = gsHebesatz + 10 WHERE ID = ?", {changed});
    Sql::exec(source.user(), "UPDATE TAVO SET Version = 5"); // saved five times; not an input
    const QString beschreibung =
        Sql::scalar(source.user(), "SELECT Beschreibung FROM TAVO WHERE ID = ?", {current}).toString();

    const QString municipalitySql = "SELECT * FROM gBvB WHERE PG = 301 ORDER BY rowid";
    const QStringList municipality = rows(source.user(), municipalitySql, {});
    QVERIFY(!municipality.isEmpty());

    QTemporaryDir dir;
    const QString target = dir.filePath("ziel.db");
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init"} + master + QStringList{"--user", target}).exitCode, 0);

    // Project 1 of the target (the example) takes the first ID: both copies get new ones.
    Output copy = runCli(QStringList{"kopieren", "--von", source.userPath(), "--nach", target, "--project",
                                     "1", "--project", "2"} +
                         master);
    QCOMPARE(copy.exitCode, 0);
    QCOMPARE(QString::fromUtf8(copy.out),
             QString("Projekt 1 → 2: %1\nProjekt 2 → 3: %1\n").arg(beschreibung));

    {
        const QSqlDatabase db = openFile(target, "ziel");
        QVERIFY(db.isOpen());
        QCOMPARE(projectRows(db, 2), projectRows(source.user(), current));
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), changed));
        QVERIFY(Sql::scalar(db, "SELECT count(*) FROM Auswertung WHERE TAVO = 2").toInt() > 1000);
        QCOMPARE(rows(db, municipalitySql, {}), municipality);
        QCOMPARE(CalculationState::of(db, 1), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 2), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 3), CalculationState::State::Changed);
        QCOMPARE(Sql::scalar(db, "SELECT max(Version) FROM TAVO").toInt(), 0);
    }
    closeFile("ziel");

    // Every view exported from the copy is byte for byte the view of the original.
    const QList<QStringList> views = everyView();
    for (const QStringList& view : views)
        QCOMPARE(exported(target, 2, view, master), exported(source.userPath(), current, view, master));

    // And back: IDs 1 and 2 are taken in the source, so the copy becomes 3 there, again up to date.
    copy = runCli(QStringList{"kopieren", "--von", target, "--nach", source.userPath(), "--project", "2"} +
                  master);
    QCOMPARE(copy.exitCode, 0);
    QCOMPARE(QString::fromUtf8(copy.out), QString("Projekt 2 → 3: %1\n").arg(beschreibung));
    QCOMPARE(projectRows(source.user(), 3), projectRows(source.user(), current));
    QCOMPARE(CalculationState::of(source.user(), 3), CalculationState::State::Current);
    QCOMPARE(rows(source.user(), municipalitySql, {}), municipality); // replaced, not added
    QCOMPARE(exported(source.userPath(), 3, views.first(), master),
             exported(source.userPath(), current, views.first(), master));

    // Into an empty database every project keeps its ID, and a new project gets the next one above.
    const QString empty = dir.filePath("leer.db");
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", empty} + master).exitCode, 0);
    // Rows of a project 3 deleted long ago without cascade must not end up in the copy.
    {
        const QSqlDatabase db = openFile(empty, "leer");
        Sql::exec(db, "INSERT INTO Auswertung (TAVO, Jahr, Typ, Ausgabe) VALUES (3, 2000, 'alt', 1)");
        Sql::exec(db, "INSERT INTO Bebauung (TAVO, bbTyp, bbAnteil) VALUES (3, 'EFHg', 100)");
    }
    closeFile("leer");
    copy = runCli(QStringList{"kopieren", "--von", source.userPath(), "--nach", empty} + master);
    QCOMPARE(copy.exitCode, 0);
    QCOMPARE(copy.out.count('\n'), 3);
    QVERIFY(copy.out.startsWith("Projekt 1 → 1: "));
    QVERIFY(copy.out.contains("\nProjekt 3 → 3: "));
    {
        const QSqlDatabase db = openFile(empty, "leer");
        QVERIFY(db.isOpen());
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), 3));
        Sql::exec(db, "INSERT INTO TAVO (Beschreibung) VALUES ('neu')");
        QCOMPARE(Sql::scalar(db, "SELECT ID FROM TAVO WHERE Beschreibung = 'neu'").toInt(), 4);
    }
    closeFile("leer");
}

void TestKopierenCli::failedCopyLeavesTargetUnchanged() {
    QTemporaryDir dir;
    const QString target = dir.filePath("ziel.db");
    TestDb source;
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--user", target} + master).exitCode, 0);
    // The source project lies in the example's municipality, so its gBvB rows are replaced; the forced
    // error comes after the project, its rows and that delete.
    int examplePg = 0;
    {
        const QSqlDatabase db = openFile(target, "ziel");
        QVERIFY(db.isOpen());
        examplePg = Sql::scalar(db, "SELECT PG FROM TAVO WHERE ID = 1").toInt();
        QVERIFY(Sql::scalar(db, "SELECT count(*) FROM gBvB WHERE PG = ?", {examplePg}).toInt() > 0);
        Sql::exec(db, "CREATE TRIGGER erzwungen BEFORE INSERT ON gBvB BEGIN SELECT RAISE(ABORT, 'erzwungener "
                      "Fehler'); END");
    }
    closeFile("ziel");
    const int id = insertRealisticProject(source, examplePg);
    runCalculation(source.dbs(), id);

    const QStringList before = wholeDatabase(target);
    const Output copy =
        runCli(QStringList{"kopieren", "--von", source.userPath(), "--nach", target} + master);
    QCOMPARE(copy.exitCode, 1);
    QVERIFY2(copy.err.contains("erzwungener Fehler") && copy.err.contains("nichts kopiert"),
             qPrintable(copy.err));
    QVERIFY(copy.out.isEmpty());
    QCOMPARE(wholeDatabase(target), before);
}

void TestKopierenCli::refusesUnknownProjectsAndDatabases() {
    TestDb source;
    insertRealisticProject(source);
    QTemporaryDir dir;
    const QString target = dir.filePath("ziel.db");
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", target} + master).exitCode, 0);
    const QStringList both{"kopieren", "--master", source.masterPath(), "--von", source.userPath(),
                           "--nach",   target};
    const QStringList before = wholeDatabase(target);

    Output out = runCli(both + QStringList{"--project", "1", "--project", "7"});
    QCOMPARE(out.exitCode, 2);
    QVERIFY2(out.err.contains("ID 7"), qPrintable(out.err));
    QVERIFY(out.out.isEmpty());
    QCOMPARE(wholeDatabase(target), before);

    // The same file under another spelling, a missing target, a file that is no user database.
    const QString sameFile = source.dir() + "/./" + QFileInfo(source.userPath()).fileName();
    out =
        runCli({"kopieren", "--von", source.userPath(), "--nach", sameFile, "--master", source.masterPath()});
    QCOMPARE(out.exitCode, 2);
    QVERIFY2(out.err.contains("dieselbe"), qPrintable(out.err));
    QCOMPARE(runCli({"kopieren", "--von", source.userPath(), "--nach", dir.filePath("fehlt.db"), "--master",
                     source.masterPath()})
                 .exitCode,
             2);
    QVERIFY(!QFile::exists(dir.filePath("fehlt.db")));
    QCOMPARE(runCli({"kopieren", "--von", source.userPath(), "--nach", source.masterPath(), "--master",
                     source.masterPath()})
                 .exitCode,
             2);
    QCOMPARE(runCli({"kopieren", "--von", source.userPath()}).exitCode, 2);
    QCOMPARE(runCli(both + QStringList{"--project", "abc"}).exitCode, 2);
}

// From a file to a server and back into another file: the rows arrive unchanged, every view of the
// server's copy is the file's byte for byte, and the server's keys go on above the copied ones.
void TestKopierenCli::copiesThroughAServer() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    TestDb source;
    const int current = insertRealisticProject(source);
    runCalculation(source.dbs(), current);
    const int changed = insertRealisticProject(source, 302);
    runCalculation(source.dbs(), changed);
    Sql::exec(source.user(), "UPDATE TAVO SET gsHebesatz = gsHebesatz + 10 WHERE ID = ?", {changed});
    Sql::exec(source.user(),
              "INSERT INTO Sonderausgaben (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe) "
              "VALUES (?, 3, 'Sonstiges', 'Ölabscheider', 'Gemeinde', ?)",
              {current, 1.0 / 3.0});
    CalculationState::store(source.user(), current);

    PgTestDatabase server;
    QTemporaryDir dir;
    const QString file = dir.filePath("ziel.db");
    const QStringList master{"--master", source.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", server.url()} + master).exitCode, 0);
    QCOMPARE(runCli(QStringList{"init", "--user", file} + master).exitCode, 0);

    Output copy =
        runCli(QStringList{"kopieren", "--von", source.userPath(), "--nach", server.url()} + master);
    QCOMPARE(copy.exitCode, 0);
    QCOMPARE(copy.out.count('\n'), 2);
    QVERIFY(copy.out.startsWith("Projekt 1 → 1: ") && copy.out.contains("\nProjekt 2 → 2: "));
    for (const QStringList& view : everyView())
        QCOMPARE(exported(server.url(), 1, view, master), exported(source.userPath(), current, view, master));
    {
        const Databases onServer(source.masterPath(), server.url());
        QCOMPARE(CalculationState::of(onServer.user(), 1), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(onServer.user(), 2), CalculationState::State::Changed);
        Sql::exec(onServer.user(), "INSERT INTO TAVO (Beschreibung) VALUES ('neu')");
        QCOMPARE(Sql::scalar(onServer.user(), "SELECT ID FROM TAVO WHERE Beschreibung = 'neu'").toInt(), 3);
    }

    // The file's example holds ID 1: the copies get 2 and 3, their rows as in the first file.
    copy = runCli(
        QStringList{"kopieren", "--von", server.url(), "--nach", file, "--project", "1", "--project", "2"} +
        master);
    QCOMPARE(copy.exitCode, 0);
    QVERIFY(copy.out.startsWith("Projekt 1 → 2: ") && copy.out.contains("\nProjekt 2 → 3: "));
    {
        const QSqlDatabase db = openFile(file, "ziel");
        QCOMPARE(projectRows(db, 2), projectRows(source.user(), current));
        QCOMPARE(projectRows(db, 3), projectRows(source.user(), changed));
        QCOMPARE(CalculationState::of(db, 2), CalculationState::State::Current);
        QCOMPARE(CalculationState::of(db, 3), CalculationState::State::Changed);
    }
    closeFile("ziel");
}

QTEST_MAIN(TestKopierenCli)
#include "test_kopieren_cli.moc"
