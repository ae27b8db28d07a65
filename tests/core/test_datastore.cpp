#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Column name -> declared type of a table.
QList<QPair<QString, QString>> tableInfo(const QSqlDatabase& db, const QString& table) {
    QList<QPair<QString, QString>> result;
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (q.next())
        result << qMakePair(q.value(1).toString(), q.value(2).toString());
    return result;
}

// Writes an old-style user database whose project table lacks the given columns.
void writeOldUserDb(const QString& path, const QStringList& missing) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QStringList defs;
        for (const auto& c : UserSchema::projectColumns()) {
            const QString name = QString::fromUtf8(c.name);
            if (!missing.contains(name))
                defs << (name == QLatin1String("ID") ? QStringLiteral("ID INTEGER PRIMARY KEY") : name);
        }
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE TAVO (%1)").arg(defs.join(QLatin1Char(',')))));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO TAVO (ID, Beschreibung) VALUES (7, 'alt')")));
        // The other tables as the oldest files hold them: Sonderausgaben without a key, no scenarios,
        // no stored queries, no fingerprints.
        for (const char* table :
             {"CREATE TABLE Bebauung (ID INTEGER PRIMARY KEY, TAVO INTEGER, bbTyp TEXT, bbBauklasse TEXT, "
              "bbAnteil INTEGER)",
              "CREATE TABLE Besiedelung (ID INTEGER PRIMARY KEY, TAVO INTEGER, Jahr INTEGER, EFHg DOUBLE, "
              "EFHk DOUBLE, "
              "RHg DOUBLE, RHk DOUBLE, GWB DOUBLE)",
              "CREATE TABLE Sonderausgaben (TAVO INTEGER, Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, "
              "Kostenträger TEXT, "
              "Ausgabe DOUBLE)",
              "CREATE TABLE Auswertung (TAVO INTEGER, Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, Kostenträger "
              "TEXT, "
              "Ausgabe DOUBLE DEFAULT 0, Einnahme DOUBLE DEFAULT 0)",
              "CREATE TABLE bWvB (TAVO INTEGER, Jahr INTEGER, EFHg DOUBLE, EFHk DOUBLE, RHg DOUBLE, RHk "
              "DOUBLE, GWB DOUBLE)",
              "CREATE TABLE bBvB (TAVO INTEGER, \"Alter\" INTEGER, Jahr INTEGER, Bewohner DOUBLE DEFAULT 0)",
              "CREATE TABLE gBvB (PG INTEGER, \"Alter\" INTEGER, Jahr INTEGER, Bewohner DOUBLE)"})
            QVERIFY2(q.exec(QString::fromUtf8(table)), table);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
}

// The exit code of tavo-cli with these arguments, its messages in stderrText.
int exitCodeOf(const QStringList& args, QString* stderrText = nullptr) {
    const CliOutput run = runCli(args);
    if (stderrText)
        *stderrText = run.err;
    return run.exitCode;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("missing");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) +
           QByteArray::number(file.size());
}

// Writes an SQLite file with the given statements through a connection of its own.
void writeSqliteFile(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fremd"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& statement : statements)
            QVERIFY2(q.exec(statement), qPrintable(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fremd"));
}

} // namespace

class DataStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initIsCompleteAndRefusesExistingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("neu.db"));
        QCOMPARE(exitCodeOf({QStringLiteral("init"), QStringLiteral("--user"), path}), 0);
        QVERIFY(QFile::exists(path));
        const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();

        QString err;
        QCOMPARE(exitCodeOf({QStringLiteral("init"), QStringLiteral("--user"), path}, &err), 2);
        QVERIFY2(err.contains(QStringLiteral("existiert bereits")), qPrintable(err));
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);

        Databases dbs(TestDb::generatedMaster(), path);
        const QSqlDatabase user = dbs.user();
        QStringList projectColumns;
        for (const auto& c : tableInfo(user, QStringLiteral("TAVO")))
            projectColumns << c.first;
        QStringList expected;
        for (const auto& c : UserSchema::projectColumns())
            expected << QString::fromUtf8(c.name);
        expected << QStringLiteral("Version");
        QCOMPARE(projectColumns, expected);
        QVERIFY(projectColumns.contains(QStringLiteral("ifLfmAnschlStraßenbeleuchtung")));
        QVERIFY(projectColumns.contains(QStringLiteral("fiEigAntErÖffGut")));

        const QMap<QString, QStringList> detail = {
            {QStringLiteral("Bebauung"), {"ID", "TAVO", "bbTyp", "bbBauklasse", "bbAnteil"}},
            {QStringLiteral("Besiedelung"), {"ID", "TAVO", "Jahr", "EFHg", "EFHk", "RHg", "RHk", "GWB"}},
            {QStringLiteral("Sonderausgaben"), {"ID", "TAVO", "Jahr", "Typ", "Bezeichnung", "Kostenträger", "Ausgabe"}},
            {QStringLiteral("Auswertung"), {"TAVO", "Jahr", "Typ", "Bezeichnung", "Kostenträger", "Ausgabe", "Einnahme"}},
            {QStringLiteral("bWvB"), {"TAVO", "Jahr", "EFHg", "EFHk", "RHg", "RHk", "GWB"}},
            {QStringLiteral("bBvB"), {"TAVO", "Alter", "Jahr", "Bewohner"}},
            {QStringLiteral("gBvB"), {"PG", "Alter", "Jahr", "Bewohner"}},
        };
        for (auto it = detail.constBegin(); it != detail.constEnd(); ++it) {
            QStringList names;
            for (const auto& c : tableInfo(user, it.key()))
                names << c.first;
            QCOMPARE(names, it.value());
        }
        for (const QString& name : UserSchema::storedQueryNames())
            QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT SQL FROM TAVO_Abfragen WHERE Name = ?"), {name})
                         .toString(),
                     UserSchema::populationQuery(user, name));
    }

    void upgradeAddsExactlyTheMissingColumns() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("alt.db"));
        const QStringList nahwaerme = {"ifKoEhNahwärme", "ifKoErNahwärme", "ifLfmNahwärme",
                                       "ifLfmAnschlNahwärme", "fiEigAntEhNahwärme", "fiEigAntErNahwärme"};
        writeOldUserDb(path, nahwaerme);
        const QStringList beforeNames = [&] {
            QStringList names;
            for (const auto& c : UserSchema::projectColumns())
                if (!nahwaerme.contains(QString::fromUtf8(c.name)))
                    names << QString::fromUtf8(c.name);
            return names;
        }();
        {
            Databases dbs(TestDb::generatedMaster(), path);
            const auto info = tableInfo(dbs.user(), QStringLiteral("TAVO"));
            QCOMPARE(info.size(), beforeNames.size() + 7);
            const QList<QPair<QString, QString>> added = info.mid(beforeNames.size());
            const QList<QPair<QString, QString>> expected = {{"ifKoEhNahwärme", "DOUBLE"},
                                                             {"ifKoErNahwärme", "DOUBLE"},
                                                             {"ifLfmNahwärme", "INTEGER"},
                                                             {"ifLfmAnschlNahwärme", "INTEGER"},
                                                             {"fiEigAntEhNahwärme", "DOUBLE"},
                                                             {"fiEigAntErNahwärme", "DOUBLE"},
                                                             {"Version", "INTEGER"}};
            QCOMPARE(added, expected);
            // The old row starts at version 0.
            QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT Version FROM TAVO WHERE ID = 7")).toInt(),
                     0);
            // Existing rows read the new numeric columns as 0.
            const QVariant v = Sql::scalar(dbs.user(), QStringLiteral("SELECT ifLfmNahwärme FROM TAVO WHERE ID = 7"));
            QVERIFY(v.isNull());
            QCOMPARE(NumberFormat::toDouble(v), 0.0);
        }
        // A second open finds everything in place and changes nothing (an ALTER would fail on a duplicate).
        Databases again(TestDb::generatedMaster(), path);
        QCOMPARE(tableInfo(again.user(), QStringLiteral("TAVO")).size(), beforeNames.size() + 7);
    }

    // An older file the planner may only read cannot be brought up to date: refused with the advice
    // and left as it is. Writable, a reading command brings it up to date first and then reads.
    void olderFileReadOnlyOrWritable() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("alt.db"));
        writeOldUserDb(path, {QStringLiteral("Bezugsjahr")});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
        const QByteArray before = fileHash(path);
        try {
            const Databases dbs(TestDb::generatedMaster(), path, Databases::Access::Read);
            QFAIL("an older read-only file was opened");
        } catch (const TavoError& e) {
            QVERIFY2(
                e.message().startsWith(path + QStringLiteral(" ist schreibgeschützt. Sie stammt von einer "
                                                             "älteren Version")),
                qPrintable(e.message()));
        }
        QCOMPARE(fileHash(path), before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        {
            const Databases first(TestDb::generatedMaster(), path, Databases::Access::Read);
            QVERIFY(!first.isReadOnly());
            QVERIFY(Sql::columnNames(first.user(), QStringLiteral("TAVO"))
                        .contains(QStringLiteral("Bezugsjahr")));
        }
        const Databases again(TestDb::generatedMaster(), path, Databases::Access::Read);
        QVERIFY(again.isReadOnly());
        QCOMPARE(Sql::scalar(again.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = 7"))
                     .toString(),
                 QStringLiteral("alt"));
    }

    void upgradeAddsReferenceYearAsInteger() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("alt.db"));
        writeOldUserDb(path, {QStringLiteral("Bezugsjahr")});
        Databases dbs(TestDb::generatedMaster(), path);
        const auto info = tableInfo(dbs.user(), QStringLiteral("TAVO"));
        QCOMPARE(info.at(info.size() - 2),
                 qMakePair(QStringLiteral("Bezugsjahr"), QStringLiteral("INTEGER")));
        QCOMPARE(info.last(), qMakePair(QStringLiteral("Version"), QStringLiteral("INTEGER")));
        QCOMPARE(info.size(), int(UserSchema::projectColumns().size()) + 1);
    }

    void namesIgnoreAsciiCase() {
        TestDb db;
        QSqlQuery q = Sql::exec(db.master(), QStringLiteral("SELECT PG_NAME FROM pg ORDER BY id"));
        QVERIFY(q.next());
        QVERIFY(!q.value(0).toString().isEmpty());
        QVERIFY(Sql::exec(db.master(), QStringLiteral("SELECT * FROM AUSWERTUNG_TYPEN")).next());
        const int id = db.insertProject({{"PG_Name", "X"}});
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT pg_name FROM tavo WHERE id = ?"), {id}).toString(),
                 QStringLiteral("X"));
    }

    void resultColumnsDefaultToZeroAndCascade() {
        TestDb db;
        const int id = db.insertProject({{"Beschreibung", "a"}});
        const int other = db.insertProject({{"Beschreibung", "b"}});
        db.insertRow(QStringLiteral("Auswertung"), {{"TAVO", id}, {"Jahr", 1}, {"Ausgabe", 5.5}});
        db.insertRow(QStringLiteral("bBvB"), {{"TAVO", id}, {"Alter", 3}, {"Jahr", 1}});
        Sql::exec(db.user(), QStringLiteral("UPDATE bBvB SET Bewohner = Bewohner + 2.5 WHERE TAVO = ?"), {id});
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT Einnahme FROM Auswertung")).toDouble(), 0.0);
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT Sum(Einnahme) - Sum(Ausgabe) FROM Auswertung"))
                     .toDouble(), -5.5);
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT Bewohner FROM bBvB")).toDouble(), 2.5);

        for (const QString& table : {QStringLiteral("Bebauung"), QStringLiteral("Besiedelung"),
                                     QStringLiteral("Sonderausgaben"), QStringLiteral("bWvB")}) {
            db.insertRow(table, {{"TAVO", id}});
            db.insertRow(table, {{"TAVO", other}});
        }
        Sql::exec(db.user(), QStringLiteral("DELETE FROM TAVO WHERE ID = ?"), {id});
        for (const QString& table : {QStringLiteral("Bebauung"), QStringLiteral("Besiedelung"),
                                     QStringLiteral("Sonderausgaben"), QStringLiteral("bWvB"),
                                     QStringLiteral("Auswertung"), QStringLiteral("bBvB")}) {
            QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM %1 WHERE TAVO = ?").arg(table), {id})
                         .toInt(), 0);
        }
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {other})
                     .toInt(), 1);
    }

    void numbersFollowTheLocale() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        bool ok = false;
        QCOMPARE(NumberFormat::parse(QStringLiteral("8,5"), &ok), 8.5);
        QVERIFY(ok);
        QCOMPARE(NumberFormat::parse(QStringLiteral("1.234,5"), &ok), 1234.5);
        QCOMPARE(NumberFormat::money(1234567.891), QStringLiteral("1.234.567,89"));
        QCOMPARE(NumberFormat::general(1234567.25), QStringLiteral("1234567,25"));
        NumberFormat::parse(QStringLiteral("abc"), &ok);
        QVERIFY(!ok);
        NumberFormat::parse(QString(), &ok);
        QVERIFY(!ok);
        QVERIFY_THROWS_EXCEPTION(TavoError, NumberFormat::parseOrThrow(QStringLiteral("x"), QStringLiteral("Breite")));
        QLocale::setDefault(NumberFormat::localeFor(QLocale(QLocale::German, QLocale::Austria)));
        QCOMPARE(NumberFormat::money(-1229117.14), QStringLiteral("-1.229.117,14"));
        QCOMPARE(NumberFormat::localeFor(QLocale(QLocale::English, QLocale::UnitedStates)),
                 QLocale(QLocale::English, QLocale::UnitedStates));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(NumberFormat::parse(QStringLiteral("8.5"), &ok), 8.5);
        QCOMPARE(NumberFormat::general(8.5), QStringLiteral("8.5"));
        QLocale::setDefault(saved);
    }

    void missingDatabaseIsReportedAndNotCreated() {
        QTemporaryDir dir;
        const QString user = dir.filePath(QStringLiteral("TAVO_User.db"));
        try {
            Databases dbs(TestDb::generatedMaster(), user);
            QFAIL("a missing user database must not open");
        } catch (const TavoError& e) {
            QVERIFY2(e.message().contains(QFileInfo(user).absoluteFilePath()), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(user));
        Databases::createUserDatabase(user);
        const QString master = dir.filePath(QStringLiteral("TAVO_Master.db"));
        try {
            Databases dbs(master, user);
            QFAIL("a missing master database must not open");
        } catch (const TavoError& e) {
            QVERIFY(e.message().contains(master));
        }
        QVERIFY(!QFile::exists(master));
        // A file that is no database is refused with its path too.
        QFile junk(master);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("kein SQLite");
        junk.close();
        QVERIFY_THROWS_EXCEPTION(TavoError, Databases(master, user));
    }

    void masterIsReadOnlyAndStoredQueriesWork() {
        TestDb db;
        QSqlQuery q(db.master());
        QVERIFY(!q.exec(QStringLiteral("DELETE FROM PG")));
        QVERIFY(Sql::scalar(db.master(), QStringLiteral("SELECT count(*) FROM PG")).toInt() >= 12);

        const int a = db.insertProject({{"Projekt", "Nord"}, {"PG", 301}});
        const int b = db.insertProject({{"Projekt", "Nord"}, {"PG", 301}});
        for (int year = 1; year <= 2; ++year)
            for (int age : {2, 4, 8, 40}) {
                db.insertRow(QStringLiteral("bBvB"), {{"TAVO", a}, {"Alter", age}, {"Jahr", year}, {"Bewohner", 1.0}});
                db.insertRow(QStringLiteral("bBvB"), {{"TAVO", b}, {"Alter", age}, {"Jahr", year}, {"Bewohner", 2.0}});
            }
        const auto population = [&db](const QString& name, const QVariantMap& params) {
            return Sql::execNamed(db.user(), UserSchema::populationQuery(db.user(), name), params);
        };
        QSqlQuery one = population(
            QStringLiteral("Bewohner_bBvB"),
            {{"TAVO1", a}, {"TAVO2", a}, {"TAVO3", a}, {"Faktor1", 0.5}, {"Faktor2", 0.5}, {"Faktor3", 0.5}});
        QVERIFY(one.next());
        QCOMPARE(one.record().fieldName(2), QStringLiteral("Volksschüler"));
        QCOMPARE(one.value(0).toInt(), 1);
        QCOMPARE(one.value(1).toDouble(), 0.5);
        QCOMPARE(one.value(2).toDouble(), 0.5);
        QCOMPARE(one.value(3).toDouble(), 2.0);
        QVERIFY(one.next());
        QVERIFY(!one.next());
        QSqlQuery group = population(QStringLiteral("Bewohner_bBvB_Projekt"), {{"Projekt1", "Nord"},
                                                                               {"Projekt2", "Nord"},
                                                                               {"Projekt3", "Nord"},
                                                                               {"Faktor1", 1.0},
                                                                               {"Faktor2", 1.0},
                                                                               {"Faktor3", 1.0}});
        QVERIFY(group.next());
        QCOMPARE(group.value(3).toDouble(), 12.0);

        // The program's own text runs, whatever the stored copy holds or whether there is one.
        Sql::exec(db.user(), QStringLiteral("DELETE FROM TAVO_Abfragen WHERE Name = 'Bewohner_gBvB'"));
        db.insertRow(QStringLiteral("gBvB"), {{"PG", 301}, {"Alter", 5}, {"Jahr", 3}, {"Bewohner", 7.0}});
        QSqlQuery forecast =
            population(QStringLiteral("Bewohner_gBvB"), {{"PG1", 301}, {"PG2", 301}, {"PG3", 301}});
        QVERIFY(forecast.next());
        QCOMPARE(forecast.value(0).toInt(), 3);
        QCOMPARE(forecast.value(1).toDouble(), 7.0);
    }

    void filesThatAreNoUserDatabaseStayUntouched() {
        TestDb db;
        const QString master = db.masterPath();
        const QString zero = db.dir() + QStringLiteral("/leer.db");
        QFile(zero).open(QIODevice::WriteOnly);
        const QString foreign = db.dir() + QStringLiteral("/fremd.db");
        writeSqliteFile(foreign, {QStringLiteral("CREATE TABLE Kunden (Nr INTEGER, Name TEXT)"),
                                  QStringLiteral("INSERT INTO Kunden VALUES (1, 'Maier')"),
                                  QStringLiteral("CREATE TABLE TAVO (Name TEXT)")});
        const QString masterCopy = db.dir() + QStringLiteral("/master_kopie.db");
        QVERIFY(QFile::copy(master, masterCopy));
        for (const QString& path : {zero, foreign, masterCopy}) {
            const QByteArray before = fileHash(path);
            for (const QString& command : {QStringLiteral("calc"), QStringLiteral("export")}) {
                QString err;
                QStringList args{command,
                                 QStringLiteral("--master"),
                                 master,
                                 QStringLiteral("--user"),
                                 path,
                                 QStringLiteral("--project"),
                                 QStringLiteral("1")};
                if (command == QLatin1String("export"))
                    args << QStringLiteral("--view") << QStringLiteral("saldo");
                QCOMPARE(exitCodeOf(args, &err), 2);
                QVERIFY2(err.contains(QFileInfo(path).absoluteFilePath() +
                                      QStringLiteral(" ist keine (vollständige) TAVO-Benutzerdatenbank: ")),
                         qPrintable(err));
            }
            QCOMPARE(fileHash(path), before);
            QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
            QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
        }
        QString err;
        QCOMPARE(exitCodeOf({QStringLiteral("init"), QStringLiteral("--user"), QString()}, &err), 2);
        QVERIFY(!err.trimmed().isEmpty());
    }

    void unusableFilesAreRefusedBeforeAnythingRuns() {
        TestDb db;
        const int id = db.insertProject({{"PG", 301}});
        db.book(id, 1, QStringLiteral("Kanal"), QStringLiteral("alt"), QStringLiteral("Gemeinde"), 5, 0);
        const QString user = db.userPath();
        const QStringList calc{QStringLiteral("calc"), QStringLiteral("--project"), QString::number(id)};
        const QByteArray before = fileHash(user);
        QString err;

        // A master without a required table, and an empty master: named with the table, user untouched.
        const QString broken = db.dir() + QStringLiteral("/ohne_tabelle.db");
        QVERIFY(QFile::copy(db.masterPath(), broken));
        QFile::setPermissions(broken, QFile::ReadOwner | QFile::WriteOwner);
        writeSqliteFile(broken, {QStringLiteral("DROP TABLE Umlage_TLKAS")});
        const QString empty = db.dir() + QStringLiteral("/leer_master.db");
        QFile(empty).open(QIODevice::WriteOnly);
        for (const auto& masterAndTable : {qMakePair(broken, QStringLiteral("Umlage_TLKAS")),
                                           qMakePair(empty, QStringLiteral("FeldWerte"))}) {
            QCOMPARE(exitCodeOf(calc + QStringList{QStringLiteral("--master"), masterAndTable.first,
                                                   QStringLiteral("--user"), user},
                                &err),
                     2);
            QVERIFY2(err.contains(masterAndTable.first) && err.contains(masterAndTable.second),
                     qPrintable(err));
            QCOMPARE(fileHash(user), before);
        }

        // A read-only file, and a writable file in a read-only folder.
        const QStringList files{QStringLiteral("--master"), db.masterPath(), QStringLiteral("--user"), user};
        QFile::setPermissions(user, QFile::ReadOwner | QFile::ReadGroup);
        QCOMPARE(exitCodeOf(calc + files, &err), 2);
        QVERIFY2(err.contains(user + QStringLiteral(" ist schreibgeschützt.")), qPrintable(err));
        QFile::setPermissions(user, QFile::ReadOwner | QFile::WriteOwner);
        QTemporaryDir folder;
        const QString inFolder = folder.filePath(QStringLiteral("TAVO_User.db"));
        QVERIFY(QFile::copy(user, inFolder));
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(exitCodeOf(calc + QStringList{QStringLiteral("--master"), db.masterPath(),
                                               QStringLiteral("--user"), inFolder},
                            &err),
                 2);
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(err.contains(inFolder + QStringLiteral(" ist schreibgeschützt.")), qPrintable(err));
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT count(*) FROM Auswertung")).toInt(), 1);
    }

    void walFileComesBackToTheRollbackJournalWithItsData() {
        QTemporaryDir dir;
        const QString user = dir.filePath(QStringLiteral("TAVO_User.db"));
        Databases::createUserDatabase(user);
        // Rows that so far exist only in the WAL file, as a program killed in WAL mode leaves them.
        const QString copy = dir.filePath(QStringLiteral("kopie.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("wal"));
            db.setDatabaseName(user);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode = WAL")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO TAVO (ID, Beschreibung) VALUES (5, 'nur im WAL')")));
            QVERIFY(QFile::exists(user + QStringLiteral("-wal")));
            QVERIFY(QFile::copy(user, copy));
            QVERIFY(QFile::copy(user + QStringLiteral("-wal"), copy + QStringLiteral("-wal")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("wal"));
        {
            Databases dbs(TestDb::generatedMaster(), copy);
            QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("PRAGMA journal_mode")).toString(),
                     QStringLiteral("delete"));
            QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = 5"))
                         .toString(),
                     QStringLiteral("nur im WAL"));
        }
        QVERIFY(!QFile::exists(copy + QStringLiteral("-wal")));
        Databases again(TestDb::generatedMaster(), copy);
        QCOMPARE(Sql::scalar(again.user(), QStringLiteral("SELECT count(*) FROM TAVO")).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(DataStoreTest)
#include "test_datastore.moc"
