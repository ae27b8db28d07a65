// User database files in the hands of tavo-cli: a file that is not a complete user database stays
// byte for byte as it was, a file the planner may only read is read, and planners who calculate on
// one file at the same time wait for each other.

#include <functional>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/services/CalculationRun.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"
#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

CliRunOptions asUser(bool nobody) {
    CliRunOptions options;
    options.asNobody = nobody;
    return options;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("fehlt");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void runStatements(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("vorbereiten"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& statement : statements)
            QVERIFY2(q.exec(statement), qPrintable(statement + QLatin1Char(' ') + q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("vorbereiten"));
}

// A new user database with the calculated example project.
QString exampleFile(const QString& folder, const QString& master) {
    const QString path = QDir(folder).filePath(QStringLiteral("TAVO_User.db"));
    const CliOutput init = runCli({"init", "--master", master, "--user", path});
    if (init.exitCode != 0)
        qFatal("init: %s", qPrintable(init.err));
    return path;
}

const QFile::Permissions kReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
const QFile::Permissions kOpen = kReadOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

} // namespace

class TestUserFilesCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void incompleteFilesStayByteIdentical_data();
    void incompleteFilesStayByteIdentical();
    void readOnlyFilesAreRead_data();
    void readOnlyFilesAreRead();
    void concurrentCalculationsOnOneFileWait();
    void windowsOpenReadOnlyFilesForReading();
};

void TestUserFilesCli::incompleteFilesStayByteIdentical_data() {
    QTest::addColumn<bool>("fromEmpty");         // an empty file, else a copy of a complete user database
    QTest::addColumn<QStringList>("statements"); // run on it
    QTest::addColumn<QString>("missing");

    QTest::newRow("TAVO(ID, PG) allein")
        << true << QStringList{QStringLiteral("CREATE TABLE TAVO (ID INTEGER, PG INTEGER)")}
        << QStringLiteral("Tabelle Bebauung fehlt.");
    for (const UserSchema::RequiredTable& table : UserSchema::requiredTables())
        QTest::newRow(qPrintable(QStringLiteral("ohne %1").arg(table.name)))
            << false << QStringList{QStringLiteral("DROP TABLE %1").arg(table.name)}
            << QStringLiteral("Tabelle %1 fehlt.").arg(table.name);
    QTest::newRow("Besiedelung ohne Jahr")
        << false
        << QStringList{QStringLiteral("DROP TABLE Besiedelung"),
                       QStringLiteral(
                           "CREATE TABLE Besiedelung (ID INTEGER PRIMARY KEY, TAVO INTEGER, EFHg DOUBLE)")}
        << QStringLiteral("Spalte Jahr der Tabelle Besiedelung fehlt.");
}

void TestUserFilesCli::incompleteFilesStayByteIdentical() {
    QFETCH(bool, fromEmpty);
    QFETCH(QStringList, statements);
    QFETCH(QString, missing);
    TestDb db;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("teilweise.db"));
    if (!fromEmpty)
        QVERIFY(QFile::copy(db.userPath(), path));
    runStatements(path, statements);
    const QByteArray before = fileHash(path);
    const QStringList files{"--master", db.masterPath(), "--user", path};
    const QList<QStringList> commands = {
        QStringList{"calc", "--all"} + files,
        QStringList{"export", "--project", "1", "--view", "saldo"} + files,
        QStringList{"kennzahlen", "--project", "1"} + files,
        QStringList{"szenarien", "--project", "1", "--laeufe", "2"} + files,
        QStringList{"bericht", "--project", "1", "--out", dir.filePath(QStringLiteral("b.pdf"))} + files,
        QStringList{"kopieren", "--master", db.masterPath(), "--von", db.userPath(), "--nach", path},
        QStringList{"kopieren", "--master", db.masterPath(), "--von", path, "--nach", db.userPath()},
        QStringList{"breakeven", "--project", "1", "--feld", "gsHebesatz"} + files,
        QStringList{"init", "--master", db.masterPath(), "--user", path},
    };
    for (const QStringList& command : commands) {
        const CliOutput run = runCli(command);
        QVERIFY2(run.exitCode == 2, qPrintable(command.first() + QLatin1Char(' ') + run.err));
        // init refuses any file that is there.
        if (command.first() != QLatin1String("init"))
            QVERIFY2(run.err.contains(path +
                                      QStringLiteral(" ist keine (vollständige) TAVO-Benutzerdatenbank: ") +
                                      missing),
                     qPrintable(command.first() + QLatin1Char(' ') + run.err));
        QCOMPARE(fileHash(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }
}

void TestUserFilesCli::readOnlyFilesAreRead_data() {
    QTest::addColumn<bool>("folderReadOnly");
    QTest::addColumn<bool>("asNobody");
    QTest::newRow("Datei 0444") << false << false;
    QTest::newRow("Ordner 0555") << true << false;
    QTest::newRow("Datei 0444, Benutzer nobody") << false << true;
    QTest::newRow("Ordner 0555, Benutzer nobody") << true << true;
}

void TestUserFilesCli::readOnlyFilesAreRead() {
    QFETCH(bool, folderReadOnly);
    QFETCH(bool, asNobody);
    // As root the permissions stop no write of the program itself, so only its own check is seen; as
    // nobody the system refuses every write too.
    if (asNobody && geteuid() != 0)
        QSKIP("nur als root lässt sich ein Befehl als nobody ausführen");
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), kOpen | QFile::WriteOwner);
    CliRunOptions reachable = asUser(true);
    reachable.program = QStringLiteral("test");
    if (asNobody && runCli({"-x", dir.path()}, reachable).exitCode != 0)
        QSKIP("nobody erreicht den temporären Ordner nicht (TMPDIR)");
    const QString master = dir.filePath(QStringLiteral("TAVO_Master.db"));
    QVERIFY(QFile::copy(TestDb::generatedMaster(), master));
    QFile::setPermissions(master, kReadOnly);
    const QString folder = dir.filePath(QStringLiteral("nurlesen"));
    QVERIFY(QDir().mkpath(folder));
    const QString user = exampleFile(folder, master);
    const QString out = dir.filePath(QStringLiteral("ausgabe"));
    QVERIFY(QDir().mkpath(out));
    QFile::setPermissions(out, kOpen | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    const QStringList files{"--master", master, "--user", user};
    const QList<QStringList> reading = {
        QStringList{"export", "--project", "1", "--view", "bewohner"} + files,
        QStringList{"kennzahlen", "--project", "1", "--format", "json"} + files,
        QStringList{"szenarien", "--project", "1", "--laeufe", "3", "--seed", "7"} + files,
        QStringList{"breakeven", "--project", "1", "--feld", "gsHebesatz"} + files,
    };
    const QString other = dir.filePath(QStringLiteral("andere.db"));
    QVERIFY(QFile::copy(user, other));
    // A new user database is its owner's only (0600); the source of the copy is opened to nobody.
    QFile::setPermissions(other, kReadOnly | QFile::WriteOwner);
    QList<QByteArray> expected;
    for (const QStringList& command : reading)
        expected << runCli(command).out;

    if (folderReadOnly) {
        QFile::setPermissions(user, kReadOnly | QFile::WriteOwner | QFile::WriteOther);
        QFile::setPermissions(folder, kOpen);
    } else {
        QFile::setPermissions(folder, kOpen | QFile::WriteOwner | QFile::WriteOther);
        QFile::setPermissions(user, kReadOnly);
    }
    const QByteArray before = fileHash(user);
    for (int i = 0; i < reading.size(); ++i) {
        const CliOutput run = runCli(reading.at(i), asUser(asNobody));
        QVERIFY2(run.exitCode == 0, qPrintable(reading.at(i).first() + QLatin1Char(' ') + run.err));
        QCOMPARE(run.out, expected.at(i));
    }
    const CliOutput report = runCli(
        QStringList{"bericht", "--project", "1", "--out", QDir(out).filePath(QStringLiteral("b.pdf"))} +
            files,
        asUser(asNobody));
    QVERIFY2(report.exitCode == 0, qPrintable(report.err));
    // Writing commands are refused before they start.
    for (const QStringList& command :
         {QStringList{"calc", "--project", "1"} + files,
          QStringList{"kopieren", "--master", master, "--von", other, "--nach", user}}) {
        const CliOutput run = runCli(command, asUser(asNobody));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(user + QStringLiteral(" ist schreibgeschützt.")), qPrintable(run.err));
    }
    QCOMPARE(fileHash(user), before);
    QVERIFY(!QFile::exists(user + QStringLiteral("-journal")));
    QFile::setPermissions(folder, kOpen | QFile::WriteOwner);
}

void TestUserFilesCli::concurrentCalculationsOnOneFileWait() {
    QTemporaryDir dir;
    const QString master = TestDb::generatedMaster();
    const QString user = exampleFile(dir.path(), master);
    // Four projects, so that eight planners' runs overlap for longer than one run takes.
    {
        Databases dbs(master, user);
        for (int i = 0; i < 3; ++i)
            duplicateProject(dbs, 1);
    }
    // Another planner keeps writing for longer than a file used to be waited for (5 seconds), well
    // within the 20 seconds a run on a server waits.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("anderer"));
    other.setDatabaseName(user);
    QVERIFY(other.open());
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));
    std::vector<std::unique_ptr<QProcess>> planners;
    for (int i = 0; i < 8; ++i)
        planners.push_back(startCli({"calc", "--all", "--master", master, "--user", user}));
    QTest::qWait(7000);
    for (const auto& process : planners)
        QCOMPARE(process->state(), QProcess::Running);
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("COMMIT")));
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("anderer"));
    for (const auto& process : planners) {
        const CliOutput finished = finishCli(*process, 300000);
        QVERIFY2(finished.exitCode == 0, qPrintable(finished.err));
    }
    Databases dbs(master, user);
    QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT count(DISTINCT TAVO) FROM Auswertung")).toInt(),
             4);
    QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("PRAGMA integrity_check")).toString(),
             QStringLiteral("ok"));
}

// The windows open a file the planner may only read as it is, say so once, and refuse to save or
// calculate with the file's message; the read-only connection refuses writes also to root.
void TestUserFilesCli::windowsOpenReadOnlyFilesForReading() {
    QTemporaryDir dir;
    const QString master = TestDb::generatedMaster();
    const QString user = exampleFile(dir.path(), master);
    QFile::setPermissions(user, kReadOnly);
    const QByteArray before = fileHash(user);
    {
        QVERIFY_THROWS_EXCEPTION(TavoError, Databases(master, user));
        const Databases dbs(master, user, Databases::Access::WriteIfAllowed);
        QVERIFY(dbs.isReadOnly());
        QCOMPARE(dbs.notices().size(), 1);
        QVERIFY(dbs.notices().first().startsWith(user + QStringLiteral(" ist schreibgeschützt.")));
        ProjectRecord record(dbs.user());
        record.load(1);
        QCOMPARE(record.value(QStringLiteral("ID")).toInt(), 1);
        record.setValue(QStringLiteral("gsHebesatz"), 480.0);
        for (const auto& write : std::initializer_list<std::function<void()>>{
                 [&] { record.post(); }, [&] { runCalculation(dbs, 1); },
                 [&] { duplicateProject(dbs, 1); }}) {
            try {
                write();
                QFAIL("a write on a read-only file went through");
            } catch (const TavoError& e) {
                QCOMPARE(e.message(), user + QStringLiteral(" ist schreibgeschützt."));
            }
        }
        // A read transaction still works there.
        QVERIFY(dbs.user().transaction());
        QVERIFY(Sql::scalar(dbs.user(), QStringLiteral("SELECT count(*) FROM Auswertung")).toInt() > 0);
        QVERIFY(dbs.user().commit());
    }
    QCOMPARE(fileHash(user), before);
}

QTEST_GUILESS_MAIN(TestUserFilesCli)
#include "test_user_files_cli.moc"
