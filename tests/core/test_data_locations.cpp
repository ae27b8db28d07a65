// Where the running program finds its databases and manual: beside the executable first (a portable
// copy), else the installed share folder and the user's own data folder.

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/DataLocations.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/ExampleProject.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QString openFailure(const DataLocations& places, const QString& master = QString(), const QString& user = QString()) {
    try {
        places.open(master, user);
    } catch (const TavoError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class DataLocationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installedLayoutCreatesTheUserDatabaseOnce();
    void filesBesideTheProgramWin();
    void missingFilesAreNamedAndNothingIsCreated();
    void newUserDatabaseGetsTheExampleProjectOnce();
    void cleanup() { DataLocations::setNewUserDatabaseStep(nullptr); }
    void emptyUserDataFolderGetsTheUserDatabase();
};

// prefix/bin holds the program, prefix/share/tavo the master database and the manual.
void DataLocationsTest::installedLayoutCreatesTheUserDatabaseOnce() {
    QTemporaryDir root;
    const QString bin = root.filePath("prefix/bin");
    const QString share = root.filePath("prefix/share/tavo");
    const QString data = root.filePath("home/.local/share/TAVO");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QDir().mkpath(share));
    QVERIFY(QFile::copy(TestDb::generatedMaster(), share + "/TAVO_Master.db"));
    touch(share + "/TAVO_Handbuch.pdf");

    const DataLocations places(bin, data);
    QCOMPARE(places.installedDataDir(), share);
    QCOMPARE(places.masterPath(), share + "/TAVO_Master.db");
    QCOMPARE(places.manualPath(), share + "/TAVO_Handbuch.pdf");
    QCOMPARE(places.userPath(), data + "/TAVO_User.db");
    QVERIFY(!places.userBesideProgram());

    // The first start creates the folder and the database; the second uses what the first left.
    {
        const Databases dbs = places.open();
        QCOMPARE(dbs.masterPath(), share + "/TAVO_Master.db");
        QCOMPARE(dbs.userPath(), data + "/TAVO_User.db");
        Sql::exec(dbs.user(), "INSERT INTO TAVO (ID, Beschreibung) VALUES (4711, 'bleibt')");
    }
    {
        const Databases dbs = places.open();
        QCOMPARE(Sql::scalar(dbs.user(), "SELECT Beschreibung FROM TAVO WHERE ID = 4711").toString(),
                 QStringLiteral("bleibt"));
    }
    QCOMPARE(QDir(bin).entryList(QDir::Files), QStringList());
}

void DataLocationsTest::filesBesideTheProgramWin() {
    QTemporaryDir root;
    const QString bin = root.filePath("bin");
    const QString share = root.filePath("share/tavo");
    const QString data = root.filePath("data/TAVO");
    QVERIFY(QDir().mkpath(share));
    QVERIFY(QFile::copy(TestDb::generatedMaster(), share + "/TAVO_Master.db"));
    touch(share + "/TAVO_Handbuch.pdf");
    // A portable copy: program, both databases and the manual in one folder.
    TestDb portable;
    Sql::exec(portable.user(), "INSERT INTO TAVO (ID, Beschreibung) VALUES (12, 'tragbar')");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::copy(portable.masterPath(), bin + "/TAVO_Master.db"));
    Sql::exec(portable.user(), "VACUUM INTO ?", {bin + "/TAVO_User.db"});
    touch(bin + "/TAVO_Handbuch.pdf");

    const DataLocations places(bin, data);
    QCOMPARE(places.masterPath(), bin + "/TAVO_Master.db");
    QCOMPARE(places.manualPath(), bin + "/TAVO_Handbuch.pdf");
    QCOMPARE(places.userPath(), bin + "/TAVO_User.db");
    {
        const Databases dbs = places.open();
        QCOMPARE(dbs.userPath(), bin + "/TAVO_User.db");
        QCOMPARE(Sql::scalar(dbs.user(), "SELECT Beschreibung FROM TAVO WHERE ID = 12").toString(),
                 QStringLiteral("tragbar"));
    }
    QVERIFY(!QFileInfo::exists(data));

    // Only a user database beside the program: the master comes from the share folder.
    QVERIFY(QFile::remove(bin + "/TAVO_Master.db"));
    QVERIFY(QFile::remove(bin + "/TAVO_Handbuch.pdf"));
    QCOMPARE(places.masterPath(), share + "/TAVO_Master.db");
    QCOMPARE(places.manualPath(), share + "/TAVO_Handbuch.pdf");
    QCOMPARE(places.open().userPath(), bin + "/TAVO_User.db");
    QVERIFY(!QFileInfo::exists(data));

    // Named files override the lookup.
    TestDb other;
    const Databases named = places.open(other.masterPath(), other.userPath());
    QCOMPARE(named.masterPath(), other.masterPath());
    QCOMPARE(named.userPath(), other.userPath());

    // A user database named in the settings (an office's shared one) replaces the lookup; --user
    // still wins over it.
    QSettings(QStringLiteral("TAVO"), QStringLiteral("TAVO")).setValue(DataLocations::UserDatabaseSetting, other.userPath());
    QCOMPARE(places.open().userPath(), other.userPath());
    QCOMPARE(places.open(QString(), bin + "/TAVO_User.db").userPath(), bin + "/TAVO_User.db");
    // A wrong entry is named with the settings file it stands in, so the planner finds it.
    QSettings(QStringLiteral("TAVO"), QStringLiteral("TAVO"))
        .setValue(DataLocations::UserDatabaseSetting, root.filePath("fehlt/TAVO_User.db"));
    const QString failure = openFailure(places);
    QVERIFY2(failure.contains("fehlt/TAVO_User.db") && failure.contains("TAVO.conf"), qPrintable(failure));
    QSettings(QStringLiteral("TAVO"), QStringLiteral("TAVO")).remove(DataLocations::UserDatabaseSetting);
    QCOMPARE(places.open().userPath(), bin + "/TAVO_User.db");
}

// A per-user data folder that exists but is empty (left by an uninstall, made by an administrator)
// is used as it is: the first start creates the user database with the calculated example project.
void DataLocationsTest::emptyUserDataFolderGetsTheUserDatabase() {
    QTemporaryDir root;
    const QString bin = root.filePath("prefix/bin");
    const QString share = root.filePath("prefix/share/tavo");
    const QString data = root.filePath("home/.local/share/TAVO");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QDir().mkpath(share));
    QVERIFY(QDir().mkpath(data));
    QVERIFY(QFile::copy(TestDb::generatedMaster(), share + "/TAVO_Master.db"));
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    const DataLocations places(bin, data);
    ExampleProject::addToNewUserDatabases();
    {
        const Databases dbs = places.open();
        QCOMPARE(dbs.userPath(), data + "/TAVO_User.db");
        QCOMPARE(Sql::scalar(dbs.user(), "SELECT count(*) FROM TAVO").toInt(), 1);
        QVERIFY(Sql::scalar(dbs.user(), "SELECT count(*) FROM Auswertung").toInt() > 0);
    }
    QCOMPARE(QDir(data).entryList(QDir::Files), QStringList{"TAVO_User.db"});
}

void DataLocationsTest::missingFilesAreNamedAndNothingIsCreated() {
    QTemporaryDir root;
    const QString bin = root.filePath("bin");
    const QString data = root.filePath("data/TAVO");
    QVERIFY(QDir().mkpath(bin));
    const DataLocations places(bin, data);

    // No master anywhere: the message names the file beside the program, and no user database is
    // created for a program that cannot run.
    QCOMPARE(places.masterPath(), bin + "/TAVO_Master.db");
    QCOMPARE(places.manualPath(), bin + "/TAVO_Handbuch.pdf");
    QString message = openFailure(places);
    QVERIFY2(message.contains(bin + "/TAVO_Master.db") && message.contains("nicht gefunden"),
             qPrintable(message));
    QVERIFY(!QFileInfo::exists(data));

    // A named user database is never created.
    TestDb db;
    message = openFailure(places, db.masterPath(), root.filePath("fehlt.db"));
    QVERIFY2(message.contains(root.filePath("fehlt.db")) && message.contains("nicht gefunden"),
             qPrintable(message));
    QVERIFY(!QFileInfo::exists(root.filePath("fehlt.db")));
    QVERIFY(!QFileInfo::exists(data));

    // A file where the user data folder should be: the folder cannot be created.
    touch(root.filePath("data"));
    message = openFailure(places, db.masterPath());
    QVERIFY2(message.contains(QDir::toNativeSeparators(data)), qPrintable(message));
}

// The programs' step for a new file: the calculated example project, in the file created on the
// first start only; a failing step leaves the new file usable.
void DataLocationsTest::newUserDatabaseGetsTheExampleProjectOnce() {
    QTemporaryDir root;
    const QString bin = root.filePath("bin");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::copy(TestDb::generatedMaster(), bin + "/TAVO_Master.db"));
    const auto projects = [](const Databases& dbs) {
        return Sql::scalar(dbs.user(), "SELECT count(*) FROM TAVO").toInt();
    };

    ExampleProject::addToNewUserDatabases();
    const DataLocations first(bin, root.filePath("first/TAVO"));
    {
        const Databases dbs = first.open();
        QCOMPARE(projects(dbs), 1);
        QCOMPARE(Sql::scalar(dbs.user(), "SELECT Beschreibung FROM TAVO").toString(), ExampleProject::name());
        QVERIFY(Sql::scalar(dbs.user(), "SELECT count(*) FROM Auswertung").toInt() > 0);
    }
    QCOMPARE(projects(first.open()), 1);

    int calls = 0;
    DataLocations::setNewUserDatabaseStep([&calls](const Databases& dbs) {
        ++calls;
        Sql::exec(dbs.user(), "INSERT INTO TAVO (ID, Beschreibung) VALUES (1, 'halb')");
        throw TavoError(QStringLiteral("Schritt misslungen"));
    });
    const DataLocations second(bin, root.filePath("second/TAVO"));
    QCOMPARE(projects(second.open()), 1);
    QCOMPARE(projects(second.open()), 1);
    QCOMPARE(calls, 1);
    // A database named by the caller is never a new file of the program's.
    TestDb named;
    QCOMPARE(projects(second.open(QString(), named.userPath())), 0);
    QCOMPARE(calls, 1);
}

QTEST_GUILESS_MAIN(DataLocationsTest)
#include "test_data_locations.moc"
