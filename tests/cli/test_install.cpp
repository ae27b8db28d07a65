// The installed programs: `cmake --install` into a temporary prefix, then the installed tavo-cli run
// as a user with an empty home, which gets its own user database in the user data folder.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include "core/data/FileChecks.h"
#include "core/data/Sql.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(300000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The value of key in the [Desktop Entry] group of a desktop file.
QString desktopValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1).trimmed();
    return QString();
}

// Copies project id with its detail rows from db into the user database at path; returns the new ID.
int copyProject(TestDb& db, int id, const QString& path) {
    const QSqlDatabase user = db.user();
    Sql::exec(user, "ATTACH DATABASE ? AS ziel", {path});
    const int newId = Sql::scalar(user, "SELECT coalesce(max(ID), 0) + 100 FROM ziel.TAVO").toInt();
    for (const QString& table : {QStringLiteral("TAVO"), QStringLiteral("Bebauung"),
                                 QStringLiteral("Besiedelung"), QStringLiteral("Sonderausgaben")}) {
        QStringList columns;
        QSqlQuery info = Sql::exec(user, QStringLiteral("PRAGMA main.table_info(%1)").arg(table));
        while (info.next())
            if (info.value(1).toString() != QLatin1String("ID") && info.value(1).toString() != QLatin1String("TAVO"))
                columns << Sql::quoted(info.value(1).toString());
        const QString list = columns.join(QLatin1Char(','));
        const QString key = table == QLatin1String("TAVO") ? QStringLiteral("ID") : QStringLiteral("TAVO");
        Sql::exec(user,
                  QStringLiteral("INSERT INTO ziel.%1 (%2, %3) SELECT ?, %3 FROM main.%1 WHERE %2 = ?")
                      .arg(table, key, list),
                  {newId, id});
    }
    Sql::exec(user, "DETACH DATABASE ziel");
    return newId;
}

// Count and sums of a project's ledger in the user database at path.
QVariantList ledgerTotals(const QString& path, int id) {
    QVariantList totals;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "totals");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q = Sql::exec(db, "SELECT count(*), sum(Ausgabe), sum(Einnahme) FROM Auswertung WHERE TAVO = ?",
                                    {id});
            if (q.next())
                totals << q.value(0) << q.value(1) << q.value(2);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("totals");
    return totals;
}

// The permission bits of a file or folder (0700, 0644, ...).
unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A gzip-compressed file's text.
QString gunzipped(const QString& path) {
    return run("gzip", {"-dc", path}).out;
}

bool isUserDatabase(const QString& path) {
    bool result = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        result = db.open() && FileChecks::isTavoUserDatabase(db);
        db.close();
    }
    QSqlDatabase::removeDatabase("probe");
    return result;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installedProgramsUseTheUsersOwnDatabase();
};

void InstallTest::installedProgramsUseTheUsersOwnDatabase() {
    QTemporaryDir root;
    const QString prefix = root.filePath("prefix");
    const Run install = run(TAVO_TEST_CMAKE, {"--install", TAVO_TEST_BUILD_DIR, "--prefix", prefix});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));

    // The files of an installation; no user database among them.
    const QString share = prefix + "/share";
    for (const QString& file : {prefix + "/bin/tavo", prefix + "/bin/tavo-cli", share + "/tavo/TAVO_Master.db",
                                share + "/tavo/TAVO_Handbuch.pdf"})
        QVERIFY2(QFileInfo(file).isFile() && QFileInfo(file).size() > 0, qPrintable(file));
    QVERIFY(QFileInfo(prefix + "/bin/tavo").isExecutable());
    QCOMPARE(QDir(prefix + "/bin").entryList(QDir::Files), QStringList({"tavo", "tavo-cli"}));

    // The desktop entry starts an installed program and names an installed icon; the AppStream data
    // names the desktop entry.
    const QStringList entries = QDir(share + "/applications").entryList({"*.desktop"}, QDir::Files);
    QCOMPARE(entries.size(), 1);
    const QString entry = share + "/applications/" + entries.first();
    QVERIFY(QFileInfo(prefix + "/bin/" + desktopValue(entry, "Exec").section(' ', 0, 0)).isExecutable());
    QVERIFY(QFileInfo(share + "/icons/hicolor/scalable/apps/" + desktopValue(entry, "Icon") + ".svg").isFile());
    QCOMPARE(desktopValue(entry, "Categories").split(';', Qt::SkipEmptyParts).first(), QStringLiteral("Office"));
    const QStringList metainfo = QDir(share + "/metainfo").entryList({"*.metainfo.xml"}, QDir::Files);
    QCOMPARE(metainfo.size(), 1);
    QFile meta(share + "/metainfo/" + metainfo.first());
    QVERIFY(meta.open(QIODevice::ReadOnly));
    QVERIFY(meta.readAll().contains(
        QString("<launchable type=\"desktop-id\">%1</launchable>").arg(entries.first()).toUtf8()));

    // The Debian documentation: copyright, changelog, and a manual page per program naming every
    // command that tavo-cli --help lists.
    QVERIFY(QFile(share + "/doc/tavo/copyright").size() > 0);
    QVERIFY(gunzipped(share + "/doc/tavo/changelog.gz").startsWith("tavo (" TAVO_VERSION ") "));
    QVERIFY(gunzipped(share + "/man/man1/tavo.1.gz").contains(".TH TAVO 1"));
    const QString cliPage = gunzipped(share + "/man/man1/tavo-cli.1.gz");
    QVERIFY(cliPage.contains(".TH TAVO\\-CLI 1"));
    const QStringList commands = run(prefix + "/bin/tavo-cli", {"--help"})
                                     .out.split('\n')
                                     .filter(QRegularExpression("^  tavo-cli [a-z]+ "));
    QVERIFY(commands.size() >= 8);
    for (const QString& line : commands) {
        const QString command = line.section(' ', 3, 3);
        QVERIFY2(cliPage.contains(".TP\n.B " + command + "\n"), qPrintable(command));
    }

    // A user with an empty home: the first start creates the user database in the user data folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root.filePath("home"));
    env.insert("XDG_DATA_HOME", root.filePath("home/daten"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString cli = prefix + "/bin/tavo-cli";
    const Run version = run(cli, {"--version"}, env);
    QCOMPARE(version.out.trimmed(), QStringLiteral("tavo-cli " TAVO_VERSION));
    // The desktop program answers --help and --version also where there is no display at all.
    QProcessEnvironment noDisplay = env;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        noDisplay.remove(name);
    const Run tavoVersion = run(prefix + "/bin/tavo", {"--version"}, noDisplay);
    QCOMPARE(tavoVersion.exitCode, 0);
    QCOMPARE(tavoVersion.out.trimmed(), QStringLiteral("tavo " TAVO_VERSION));
    const Run tavoHelp = run(prefix + "/bin/tavo", {"--help"}, noDisplay);
    QCOMPARE(tavoHelp.exitCode, 0);
    QVERIFY(tavoHelp.out.contains("--user DATEI"));
    const QString userDb = root.filePath("home/daten/TAVO/TAVO_User.db");
    QVERIFY(!QFileInfo::exists(userDb));
    // Under the usual umask 022 the user data folder is still the user's alone (0700) and the
    // new database readable by its owner only (0600).
    const mode_t previousMask = ::umask(022);
    const Run first = run(cli, {"calc", "--all"}, env);
    ::umask(previousMask);
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    QVERIFY(isUserDatabase(userDb));
    QCOMPARE(modeOf(root.filePath("home/daten/TAVO")), 0700u);
    QCOMPARE(modeOf(userDb), 0600u);
    QCOMPARE(modeOf(root.filePath("home/daten")), 0755u);

    // A project in that database calculates with the installed master database, to the same ledger
    // as the build's own program and master database give.
    TestDb db;
    const int id = insertRealisticProject(db);
    const int installedId = copyProject(db, id, userDb);
    const Run calc = run(cli, {"calc", "--project", QString::number(installedId)}, env);
    QVERIFY2(calc.exitCode == 0, qPrintable(calc.err));
    const Run reference =
        run(TAVO_TEST_CLI, {"calc", "--master", TestDb::generatedMaster(), "--user", db.userPath(), "--project",
                            QString::number(id)});
    QVERIFY2(reference.exitCode == 0, qPrintable(reference.err));
    const QVariantList totals = ledgerTotals(userDb, installedId);
    QCOMPARE(totals.size(), 3);
    QVERIFY(totals[0].toInt() > 1000);
    QCOMPARE(totals, ledgerTotals(db.userPath(), id));

    // The export reads the same database without being told where it is.
    const Run exported = run(cli, {"export", "--project", QString::number(installedId), "--view", "saldo"}, env);
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    QVERIFY(exported.out.count("\r\n") >= 20);
    // So does the council report, whose part lives in the program's private folder.
    QVERIFY(QFileInfo(prefix + "/lib/tavo/tavo-bericht").isExecutable());
    const QString pdf = root.filePath("bericht.pdf");
    const Run report = run(cli, {"bericht", "--project", QString::number(installedId), "--out", pdf}, env);
    QVERIFY2(report.exitCode == 0, qPrintable(report.err));
    QFile written(pdf);
    QVERIFY(written.open(QIODevice::ReadOnly) && written.read(5) == "%PDF-");

    // The plan reader lives there too: tavo-cli plan reaches it and it answers for the file.
    QVERIFY(QFileInfo(prefix + "/lib/tavo/tavo-plan").isExecutable());
    const Run plan = run(cli, {"plan", "--project", QString::number(installedId), "--datei", root.filePath("fehlt.gpkg")},
                         env);
    QCOMPARE(plan.exitCode, 2);
    QVERIFY2(plan.err.contains(QStringLiteral("fehlt.gpkg“ gibt es nicht")), qPrintable(plan.err));

    // Nothing was written into the installation.
    QCOMPARE(QDir(prefix + "/bin").entryList(QDir::Files), QStringList({"tavo", "tavo-cli"}));
    QCOMPARE(QDir(share + "/tavo").entryList(QDir::Files), QStringList({"TAVO_Handbuch.pdf", "TAVO_Master.db"}));
}

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
