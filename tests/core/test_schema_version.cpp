// The numbered layout of the user database: how a file without a stored version is classified, that
// every older layout comes up to the current one, that a newer one is refused untouched, and that the
// building-mix share keeps its decimals through the upgrade and the calculation.

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/services/CalculationRun.h"
#include "support/EngineFixture.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kRaw = QStringLiteral("roh");

// Runs statements on the file through a connection of its own, outside the program's checks.
void change(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kRaw);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& statement : statements)
            QVERIFY2(q.exec(statement), qPrintable(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase(kRaw);
}

// Calls f with a plain connection to the file.
template <typename F> void withFile(const QString& path, F f) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kRaw);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(kRaw);
}

// Table, column and declared type of every column, and the names of the indexes.
QSet<QString> layout(const QString& path) {
    QSet<QString> items;
    withFile(path, [&items](const QSqlDatabase& db) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT m.type, m.name, p.name, p.type FROM sqlite_master m LEFT JOIN "
                              "pragma_table_info(m.name) p WHERE m.name NOT LIKE 'sqlite_%'"));
        while (q.next())
            items << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                 q.value(3).toString()}
                         .join(QLatin1Char('|'));
    });
    return items;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

const QStringList kWholeShare = {
    QStringLiteral("DROP TABLE Bebauung"),
    QStringLiteral(
        "CREATE TABLE Bebauung (ID INTEGER PRIMARY KEY AUTOINCREMENT, TAVO INTEGER NOT NULL REFERENCES "
        "TAVO(ID) ON DELETE CASCADE, bbTyp TEXT, bbBauklasse TEXT, bbAnteil INTEGER)"),
    QStringLiteral("CREATE INDEX Bebauung_TAVO ON Bebauung (TAVO, ID)")};

double dwellingUnitsOfShare(const QVariant& share) {
    TestDb db;
    const int id = db.insertProject(
        {{"PG", 301}, {"bgFlBaulandNetto", 10000}, {"bgGstFl_EFHg", 800}, {"bgNutzFl_EFHg", 140}});
    db.insertRow(QStringLiteral("Bebauung"),
                 {{"TAVO", id}, {"bbTyp", "EFHg"}, {"bbBauklasse", "II"}, {"bbAnteil", share}});
    EngineFixture::insertSettlement(db, id, 1, {{"EFHg", 100}});
    runCalculation(db.dbs(), id);
    return Sql::scalar(db.user(), QStringLiteral("SELECT EFHg FROM bWvB WHERE TAVO = ? AND Jahr = 1"), {id})
        .toDouble();
}

} // namespace

class TestSchemaVersion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void olderLayoutsAreClassifiedAndUpgraded_data();
    void olderLayoutsAreClassifiedAndUpgraded();
    void newerVersionIsRefusedUntouched();
    void shareBecomesDecimalKeepingRows();
    void decimalShareCalculates();
    void serverShareBecomesDecimal();
};

void TestSchemaVersion::olderLayoutsAreClassifiedAndUpgraded_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<int>("version");       // what the file is classified as, before the upgrade
    QTest::addColumn<bool>("neededToRead"); // whether it must be upgraded before it can be read

    const QString noVersion = QStringLiteral("DROP TABLE Schemaversion");
    QTest::newRow("current") << QStringList{} << 12 << false;
    QTest::newRow("no version table") << QStringList{noVersion} << 12 << false;
    QTest::newRow("no plan tables") << QStringList{noVersion, "DROP TABLE PlanMarke", "DROP TABLE PlanObjekt",
                                                   "DROP TABLE Plan"}
                                    << 11 << false;
    QTest::newRow("whole-number share") << (QStringList{noVersion} << kWholeShare) << 10 << false;
    QTest::newRow("misspelt designations") << QStringList{noVersion, "INSERT INTO TAVO (ID) VALUES (4)",
                                                          "INSERT INTO Auswertung (TAVO, Jahr, Bezeichnung) "
                                                          "VALUES (4, 1, 'Umnlage Jugendwohlfahrt')"}
                                           << 9 << false;
    QTest::newRow("no ledger index") << QStringList{noVersion, "DROP INDEX Auswertung_TAVO"} << 8 << false;
    QTest::newRow("no scenarios") << QStringList{noVersion, "DROP TABLE Szenarien"} << 7 << true;
    QTest::newRow("no stored queries") << QStringList{noVersion, "DROP TABLE TAVO_Abfragen"} << 6 << false;
    QTest::newRow("no key of Sonderausgaben")
        << QStringList{noVersion, "DROP TABLE Sonderausgaben",
                       "CREATE TABLE Sonderausgaben (TAVO INTEGER, Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, "
                       "Kostenträger TEXT, Ausgabe DOUBLE)"}
        << 5 << true;
    QTest::newRow("no fingerprints") << QStringList{noVersion, "DROP TABLE Berechnungsstand"} << 4 << true;
    QTest::newRow("no version column")
        << QStringList{noVersion, "ALTER TABLE TAVO DROP COLUMN Version"} << 3 << true;
    QTest::newRow("no district heating") << QStringList{noVersion,
                                                        "ALTER TABLE TAVO DROP COLUMN ifKoEhNahwärme",
                                                        "ALTER TABLE TAVO DROP COLUMN ifKoErNahwärme",
                                                        "ALTER TABLE TAVO DROP COLUMN ifLfmNahwärme",
                                                        "ALTER TABLE TAVO DROP COLUMN ifLfmAnschlNahwärme",
                                                        "ALTER TABLE TAVO DROP COLUMN fiEigAntEhNahwärme",
                                                        "ALTER TABLE TAVO DROP COLUMN fiEigAntErNahwärme"}
                                         << 2 << true;
    // The oldest layout: the first probe already fails, later ones are not asked.
    QTest::newRow("oldest") << QStringList{noVersion, "ALTER TABLE TAVO DROP COLUMN Bezugsjahr",
                                           "DROP TABLE Szenarien", "DROP TABLE Berechnungsstand"}
                            << 1 << true;
    // A stored version is read, not probed: the steps from there on run.
    QTest::newRow("stored 9, whole-number share")
        << (QStringList{"UPDATE Schemaversion SET Version = 9"} << kWholeShare) << 9 << true;
}

void TestSchemaVersion::olderLayoutsAreClassifiedAndUpgraded() {
    QFETCH(QStringList, changes);
    QFETCH(int, version);
    QFETCH(bool, neededToRead);
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("neu.db"));
    const QString path = dir.filePath(QStringLiteral("alt.db"));
    Databases::createUserDatabase(fresh);
    QVERIFY(QFile::copy(fresh, path));
    change(path, changes);
    withFile(path, [&](const QSqlDatabase& db) {
        QCOMPARE(UserSchema::version(db), version);
        QCOMPARE(UserSchema::needsUpgrade(db), neededToRead);
    });
    {
        const Databases dbs(TestDb::generatedMaster(), path);
        QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT Version FROM Schemaversion")).toInt(), 12);
        QCOMPARE(Sql::scalar(dbs.user(), QStringLiteral("SELECT count(*) FROM Schemaversion")).toInt(), 1);
        QVERIFY(!UserSchema::hasOldDesignations(dbs.user()));
    }
    QCOMPARE(layout(path), layout(fresh));
}

void TestSchemaVersion::newerVersionIsRefusedUntouched() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("neuer.db"));
    Databases::createUserDatabase(path);
    change(path, {QStringLiteral("UPDATE Schemaversion SET Version = 13"),
                  QStringLiteral("ALTER TABLE TAVO ADD Neu TEXT")});
    const QByteArray before = fileHash(path);
    for (Databases::Access access : {Databases::Access::Write, Databases::Access::Read}) {
        try {
            const Databases dbs(TestDb::generatedMaster(), path, access);
            QFAIL("a file of a newer version was opened");
        } catch (const TavoError& e) {
            QVERIFY2(
                e.message().startsWith(QStringLiteral("Die Benutzerdatenbank %1 stammt von einer neueren "
                                                      "Version von TAVO (Schemaversion 13; diese Version "
                                                      "kennt nur bis 12).")
                                           .arg(path)),
                qPrintable(e.message()));
        }
        QCOMPARE(fileHash(path), before);
    }
}

// The rebuilt table keeps its rows with their IDs, its index and its key counter, and takes decimals.
void TestSchemaVersion::shareBecomesDecimalKeepingRows() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alt.db"));
    Databases::createUserDatabase(path);
    change(path,
           QStringList{QStringLiteral("DROP TABLE Schemaversion")}
               << kWholeShare
               << QStringList{"INSERT INTO TAVO (ID) VALUES (2)",
                              "INSERT INTO Bebauung (ID, TAVO, bbTyp, bbAnteil) VALUES (3, 2, 'EFHg', 40)",
                              "INSERT INTO Bebauung (ID, TAVO, bbTyp, bbAnteil) VALUES (8, 2, 'RHk', 60)",
                              "INSERT INTO Bebauung (ID, TAVO, bbTyp, bbAnteil) VALUES (10, 2, 'GWB', 0)",
                              "DELETE FROM Bebauung WHERE ID = 10"});
    const Databases dbs(TestDb::generatedMaster(), path);
    const QSqlDatabase user = dbs.user();
    QCOMPARE(Sql::scalar(user, QStringLiteral(
                                   "SELECT type FROM pragma_table_info('Bebauung') WHERE name = 'bbAnteil'"))
                 .toString(),
             QStringLiteral("DOUBLE"));
    QCOMPARE(
        Sql::scalar(user, QStringLiteral("SELECT group_concat(ID || ':' || bbTyp || ':' || bbAnteil, ' ') "
                                         "FROM (SELECT * FROM Bebauung ORDER BY ID)"))
            .toString(),
        QStringLiteral("3:EFHg:40.0 8:RHk:60.0"));
    QCOMPARE(
        Sql::scalar(user, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Bebauung_TAVO'"))
            .toInt(),
        1);
    Sql::exec(user, QStringLiteral("INSERT INTO Bebauung (TAVO, bbTyp, bbAnteil) VALUES (2, 'EFHk', 12.5)"));
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT ID FROM Bebauung WHERE bbTyp = 'EFHk'")).toInt(), 11);
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT bbAnteil FROM Bebauung WHERE ID = 11")).toDouble(),
             12.5);
    // Deleting the project still removes its rows: the reference survived the rebuild.
    Sql::exec(user, QStringLiteral("DELETE FROM TAVO WHERE ID = 2"));
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT count(*) FROM Bebauung")).toInt(), 0);
}

// 10000 m² net building land, 800 m² per plot of EFHg: 12.5 plots per 100 % share, all settled in
// year 1. 12 % gives 1.5 dwellings, 12.5 % gives 1.5625, 13 % gives 1.625.
void TestSchemaVersion::decimalShareCalculates() {
    const double twelve = dwellingUnitsOfShare(12);
    const double half = dwellingUnitsOfShare(12.5);
    const double thirteen = dwellingUnitsOfShare(13);
    QCOMPARE(twelve, 1.5);
    QCOMPARE(half, 1.5625);
    QCOMPARE(thirteen, 1.625);
    QVERIFY(twelve < half && half < thirteen);
}

// A server database written before versions were kept, its share a whole-number column: classified
// by probing, the column changed in place, the version stored.
void TestSchemaVersion::serverShareBecomesDecimal() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    PgTestDatabase server;
    Databases::createUserDatabase(server.url());
    {
        QSqlDatabase db = server.open();
        QSqlQuery q(db);
        for (const char* statement :
             {"DROP TABLE \"Schemaversion\"",
              "ALTER TABLE \"Bebauung\" ALTER COLUMN \"bbAnteil\" TYPE BIGINT",
              "INSERT INTO \"TAVO\" (\"ID\") VALUES (5)",
              "INSERT INTO \"Bebauung\" (\"ID\", \"TAVO\", \"bbAnteil\") VALUES (7, 5, 40)"})
            QVERIFY2(q.exec(QString::fromUtf8(statement)), statement);
        QCOMPARE(UserSchema::version(db), 10);
        QVERIFY(!UserSchema::needsUpgrade(db));
    }
    const Databases dbs(TestDb::generatedMaster(), server.url());
    const QSqlDatabase user = dbs.user();
    QCOMPARE(Sql::scalar(
                 user, QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_schema = "
                                      "current_schema() AND table_name = 'Bebauung' AND column_name = "
                                      "'bbAnteil'"))
                 .toString(),
             QStringLiteral("double precision"));
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT \"Version\" FROM \"Schemaversion\"")).toInt(), 12);
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT \"bbAnteil\" FROM \"Bebauung\" WHERE \"ID\" = 7"))
                 .toDouble(),
             40.0);
    Sql::exec(user, QStringLiteral("UPDATE \"Bebauung\" SET \"bbAnteil\" = ? WHERE \"ID\" = 7"), {12.5});
    QCOMPARE(Sql::scalar(user, QStringLiteral("SELECT \"bbAnteil\" FROM \"Bebauung\" WHERE \"ID\" = 7"))
                 .toDouble(),
             12.5);
}

QTEST_GUILESS_MAIN(TestSchemaVersion)
#include "test_schema_version.moc"
