// tavo-cli calc: exit codes, messages and the results it leaves in the user database.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

struct CliResult {
    int exitCode = -1;
    QString err;
};

CliResult runCalc(const QStringList& args) {
    const CliOutput output = tavo::runCli(QStringList{"calc"} + args);
    return {output.exitCode, output.err};
}

struct ProgramOutput {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramOutput runProgram(const QString& program, const QStringList& args) {
    CliRunOptions options;
    options.program = program;
    options.timeoutMs = 60000;
    const CliOutput output = tavo::runCli(args, options);
    return {output.exitCode, QString::fromUtf8(output.out), output.err};
}

} // namespace

class TestEngineCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void calculatesOneProject();
    void reportsUsageErrors();
    void calculatesAllAndGoesOnAfterFailure();
    void warnsAboutImplausibleInputsAndCalculates();
    void usesDatabasesBesideTheProgram();
    void killedRunLeavesEachProjectComplete();
    void concurrentRunsWaitForEachOther();
    void fullDiskKeepsPreviousResults();
    void helpVersionAndOptionForms();
};

void TestEngineCli::calculatesOneProject() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const QStringList files{"--master", db.masterPath(), "--user", db.userPath()};
    CliResult result = runCalc(files + QStringList{"--project", QString::number(id)});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(ledgerRows(db, id) > 1000);
    QCOMPARE(ledgerCount(db, id, "Eigenmittel"), 0);

    const int bad = db.insertProject({{"PG", 301}, {"bgFlBaulandNetto", 1000}});
    insertBuilding(db, bad, "XYZ", "I", 10);
    result = runCalc(files + QStringList{"--project", QString::number(bad)});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("Unbekannter Bebauungstyp: XYZ"), qPrintable(result.err));
    // The failed run is rolled back: the population step's rows are gone with it.
    QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM bWvB WHERE TAVO = ?", {bad}).toInt(), 0);
    QVERIFY(Sql::scalar(db.user(), "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {bad}).isNull());
}

void TestEngineCli::reportsUsageErrors() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const QStringList files{"--master", db.masterPath(), "--user", db.userPath()};
    CliResult result = runCalc(files + QStringList{"--project", "999"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("999"), qPrintable(result.err));
    QCOMPARE(runCalc(files).exitCode, 2);
    QCOMPARE(runCalc(files + QStringList{"--project", QString::number(id), "--all"}).exitCode, 2);
    QCOMPARE(runCalc(files + QStringList{"--project", "abc"}).exitCode, 2);
    QCOMPARE(runCalc(files + QStringList{"--project"}).exitCode, 2);
    QCOMPARE(runCalc(files + QStringList{"--bogus", "--all"}).exitCode, 2);
    result = runCalc({"--master", db.masterPath(), "--user", db.dir() + "/fehlt.db", "--all"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("fehlt.db"), qPrintable(result.err));
    QVERIFY(!QFile::exists(db.dir() + "/fehlt.db"));
    QCOMPARE(ledgerRows(db, id), 0);
}

void TestEngineCli::calculatesAllAndGoesOnAfterFailure() {
    TestDb db;
    const int first = insertRealisticProject(db);
    const int bad = db.insertProject({{"PG", 301}, {"bgFlBaulandNetto", 1000}});
    insertBuilding(db, bad, "EFHg", "I", 10); // plot area 0
    const int last = insertRealisticProject(db, 302);
    const QStringList files{"--master", db.masterPath(), "--user", db.userPath()};
    CliResult result = runCalc(files + QStringList{"--all"});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QString::number(bad)) &&
                 result.err.contains("Division durch 0: bgGstFl_EFHg"),
             qPrintable(result.err));
    QVERIFY(ledgerRows(db, first) > 1000);
    QCOMPARE(ledgerRows(db, last), ledgerRows(db, first));

    Sql::exec(db.user(), "DELETE FROM TAVO WHERE ID = ?", {bad});
    QCOMPARE(runCalc(files + QStringList{"--all"}).exitCode, 0);
}

void TestEngineCli::warnsAboutImplausibleInputsAndCalculates() {
    TestDb db;
    const int good = insertRealisticProject(db);
    // No building mix, 10^11 m² gross land, 583 % settled in year 1.
    const int bad = db.insertProject({{"PG", 301}, {"bgFlBaulandBrutto", 1e11}});
    insertSettlement(db, bad, 1, {{"EFHg", 583}});
    const QStringList files{"--master", db.masterPath(), "--user", db.userPath()};
    CliResult result = runCalc(files + QStringList{"--project", QString::number(good)});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QString());

    result = runCalc(files + QStringList{"--project", QString::number(bad)});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0),
             QStringLiteral("Warnung: Die Bebauung ist leer: die Anteile ergeben 0 % statt 100 %."));
    QCOMPARE(lines.at(1),
             QStringLiteral("Warnung: Besiedelung EFHg: Werte außerhalb von 0 bis 100 % im Jahr 1."));
    QVERIFY2(lines.at(2).startsWith(QStringLiteral("Warnung: „Gesamtfläche (m2)“ (bgFlBaulandBrutto) ist ")),
             qPrintable(lines.at(2)));
    // Calculated all the same: the run stamps the reference year.
    QCOMPARE(Sql::scalar(db.user(), "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {bad}).toInt(), 2024);

    // With --all each warning names its project.
    result = runCalc(files + QStringList{"--all"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err.count(QStringLiteral("Projekt %1: Warnung: ").arg(bad)), 3);
    QVERIFY(!result.err.contains(QStringLiteral("Projekt %1:").arg(good)));
}

void TestEngineCli::usesDatabasesBesideTheProgram() {
    TestDb db;
    const int id = insertRealisticProject(db);
    QTemporaryDir programDir;
    const QString program = programDir.filePath("tavo-cli");
    QVERIFY(QFile::copy(TAVO_TEST_CLI, program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QFile::copy(db.masterPath(), programDir.filePath("TAVO_Master.db")));
    // A consistent copy of the user database, with the project but without results.
    Sql::exec(db.user(), "VACUUM INTO ?", {programDir.filePath("TAVO_User.db")});
    QCOMPARE(runProgram(program, {"calc", "--project", QString::number(id)}).exitCode, 0);
    QCOMPARE(ledgerRows(db, id), 0);
    QSqlDatabase copy = QSqlDatabase::addDatabase("QSQLITE", "beside");
    copy.setDatabaseName(programDir.filePath("TAVO_User.db"));
    QVERIFY(copy.open());
    QVERIFY(Sql::scalar(copy, "SELECT count(*) FROM Auswertung WHERE TAVO = ?", {id}).toInt() > 1000);
    copy.close();
    copy = QSqlDatabase();
    QSqlDatabase::removeDatabase("beside");
}

void TestEngineCli::killedRunLeavesEachProjectComplete() {
    TestDb db;
    QList<int> ids;
    for (int i = 0; i < 24; ++i)
        ids << insertRealisticProject(db);
    const QStringList files{"--master", db.masterPath(), "--user", db.userPath()};
    QCOMPARE(runCalc(files + QStringList{"--all"}).exitCode, 0);
    const int rows = ledgerRows(db, ids.first());
    const double oldCost = ledgerSum(db, ids.first(), "Ausgabe", "Errichtung Unterbau Straße");
    Sql::exec(db.user(), "UPDATE TAVO SET ifKoErStraßeUnterbau = 90");

    // Killed at some point of the second calculation of all projects, each project holds either its
    // complete previous or its complete new results.
    const std::unique_ptr<QProcess> process = startCli(QStringList{"calc"} + files + QStringList{"--all"});
    QVERIFY(process->waitForStarted());
    QTest::qWait(150);
    process->kill();
    process->waitForFinished();
    for (int id : ids) {
        QCOMPARE(ledgerRows(db, id), rows);
        QCOMPARE(ledgerCount(db, id, "Eigenmittel"), 0);
        const double cost = ledgerSum(db, id, "Ausgabe", "Errichtung Unterbau Straße");
        QVERIFY(cost == oldCost || cost == 6000.0 * 90);
        QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM bBvB WHERE TAVO = ?", {id}).toInt(), 1920);
    }
}

void TestEngineCli::concurrentRunsWaitForEachOther() {
    TestDb db;
    QList<int> ids;
    for (int i = 0; i < 6; ++i)
        ids << insertRealisticProject(db);
    const QStringList args =
        QStringList{"calc", "--master", db.masterPath(), "--user", db.userPath(), "--all"};
    const std::unique_ptr<QProcess> first = startCli(args);
    const std::unique_ptr<QProcess> second = startCli(args);
    const CliOutput firstDone = finishCli(*first);
    const CliOutput secondDone = finishCli(*second);
    QVERIFY2(firstDone.exitCode == 0, qPrintable(firstDone.err));
    QVERIFY2(secondDone.exitCode == 0, qPrintable(secondDone.err));
    const int rows = ledgerRows(db, ids.first());
    QVERIFY(rows > 1000);
    for (int id : ids) {
        QCOMPARE(ledgerRows(db, id), rows);
        QCOMPARE(ledgerCount(db, id, "Eigenmittel"), 0);
    }
    // The user file uses the rollback journal.
    QCOMPARE(Sql::scalar(db.user(), "PRAGMA journal_mode").toString().toLower(), QString("delete"));
    QVERIFY(!QFile::exists(db.userPath() + "-wal"));
}

void TestEngineCli::fullDiskKeepsPreviousResults() {
    TestDb db;
    const int id = insertRealisticProject(db);
    // A first run on a project without buildings writes few rows.
    Sql::exec(db.user(), "DELETE FROM Bebauung WHERE TAVO = ?", {id});
    runCalculation(db.dbs(), id);
    const int rows = ledgerRows(db, id);
    const double spent = ledgerSum(db, id, "Ausgabe", "Errichtung Unterbau Straße");
    QVERIFY(rows > 0);
    // With its buildings back the run needs more room than the file may grow to.
    insertBuilding(db, id, "EFHg", "II", 40);
    insertBuilding(db, id, "GWB", "IV", 40);
    Sql::exec(db.user(), "UPDATE TAVO SET ifKoErStraßeUnterbau = 90, Bezugsjahr = 1999 WHERE ID = ?", {id});
    const int pages = Sql::scalar(db.user(), "PRAGMA page_count").toInt();
    Sql::exec(db.user(), QString("PRAGMA max_page_count = %1").arg(pages));
    QString message;
    try {
        runCalculation(db.dbs(), id);
    } catch (const TavoError& e) {
        message = e.message();
    }
    QVERIFY2(message.contains("Speicherplatz"), qPrintable(message));
    QCOMPARE(ledgerRows(db, id), rows);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Errichtung Unterbau Straße"), spent);
    QCOMPARE(Sql::scalar(db.user(), "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}).toInt(), 1999);
    QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM bWvB WHERE TAVO = ? AND EFHg > 0", {id}).toInt(),
             0);
}

void TestEngineCli::helpVersionAndOptionForms() {
    const QString cli = QStringLiteral(TAVO_TEST_CLI);
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const ProgramOutput help = runProgram(cli, {option});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.err.isEmpty());
        for (const char* command : {"tavo-cli init", "tavo-cli calc", "tavo-cli export"})
            QVERIFY2(help.out.contains(QLatin1String(command)), qPrintable(help.out));
    }
    const ProgramOutput calcHelp = runProgram(cli, {"calc", "--help"});
    QCOMPARE(calcHelp.exitCode, 0);
    QVERIFY(calcHelp.out.contains("--project ID | --all"));

    const ProgramOutput version = runProgram(cli, {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out.trimmed(), QStringLiteral("tavo-cli " TAVO_VERSION));

    // Usage errors before and after the subcommand: exit 2, German message on stderr, nothing on stdout.
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"rechne"}, QStringList{},
                                    QStringList{"calc", "--bogus", "--all"}, QStringList{"init"}}) {
        const ProgramOutput wrong = runProgram(cli, args);
        QCOMPARE(wrong.exitCode, 2);
        QVERIFY(wrong.out.isEmpty());
        QVERIFY(!wrong.err.isEmpty());
    }
    QVERIFY(runProgram(cli, {"--bogus"}).err.contains("Unbekannte Option: --bogus"));
    QVERIFY(
        runProgram(cli, {"calc", "--user", "x.db", "--project"}).err.contains("Wert fehlt nach --project"));

    // --name=value is the same as --name value.
    TestDb db;
    const int id = insertRealisticProject(db);
    const ProgramOutput calc =
        runProgram(cli, {"calc", "--master=" + db.masterPath(), "--user=" + db.userPath(),
                         "--project=" + QString::number(id)});
    QCOMPARE(calc.exitCode, 0);
    QVERIFY(ledgerRows(db, id) > 0);

    // The desktop program answers --help and --version without opening a window.
    const QString tavo = QFileInfo(cli).dir().filePath("tavo");
    const ProgramOutput tavoVersion = runProgram(tavo, {"--version"});
    QCOMPARE(tavoVersion.exitCode, 0);
    QCOMPARE(tavoVersion.out.trimmed(), QStringLiteral("tavo " TAVO_VERSION));
    const ProgramOutput tavoHelp = runProgram(tavo, {"--help"});
    QCOMPARE(tavoHelp.exitCode, 0);
    QVERIFY(tavoHelp.out.contains("--version"));
    QCOMPARE(runProgram(tavo, {"--bogus"}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestEngineCli)
#include "test_cli.moc"
