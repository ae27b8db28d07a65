// Where the master data come from: the shipped master's row, a master without the table, writing a
// master's row, and the line shown for example and for imported data.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "core/master/MasterProvenance.h"
#include "support/TestDb.h"

using namespace tavo;

class TestMasterProvenance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shippedMasterIsExampleData();
    void masterWithoutTableIsUnknown();
    void writeReplacesTheRow();
    void line_data();
    void line();
};

void TestMasterProvenance::shippedMasterIsExampleData() {
    TestDb db;
    const MasterProvenance p = MasterProvenance::read(db.master());
    QCOMPARE(p.datensatz, QStringLiteral("Beispieldaten (fiktives Land Talland)"));
    QVERIFY(p.beispiel);
    QCOMPARE(
        p.line(),
        QStringLiteral("Stammdaten: Beispieldaten (fiktives Land Talland), Stand 2024 – erfundene Zahlen, "
                       "keine echte Gemeinde"));
}

void TestMasterProvenance::masterWithoutTableIsUnknown() {
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(dir.filePath(QStringLiteral("old.db")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE PG (ID INTEGER PRIMARY KEY)")));
        const MasterProvenance p = MasterProvenance::read(db);
        QVERIFY(p.isUnknown());
        QVERIFY(!p.beispiel);
        QCOMPARE(p.line(), QStringLiteral("Stammdaten: Herkunft nicht angegeben"));
        // An empty table counts the same.
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE Herkunft (Datensatz TEXT NOT NULL)")));
        QVERIFY(MasterProvenance::read(db).isUnknown());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
}

void TestMasterProvenance::writeReplacesTheRow() {
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("new"));
        db.setDatabaseName(dir.filePath(QStringLiteral("new.db")));
        QVERIFY(db.open());
        MasterProvenance first;
        first.datensatz = QStringLiteral("erster Versuch");
        first.beispiel = true;
        MasterProvenance::write(db, first); // creates the table
        MasterProvenance second;
        second.datensatz = QStringLiteral("Gemeindedaten Tirol");
        second.land = QStringLiteral("Tirol");
        second.quelle = QStringLiteral("Statistik Austria");
        second.stand = QStringLiteral("1.1.2024");
        second.lizenz = QStringLiteral("CC BY 4.0");
        MasterProvenance::write(db, second);
        QSqlQuery count(db);
        QVERIFY(count.exec(QStringLiteral("SELECT COUNT(*) FROM Herkunft")) && count.next());
        QCOMPARE(count.value(0).toInt(), 1);
        const MasterProvenance read = MasterProvenance::read(db);
        QCOMPARE(read.datensatz, second.datensatz);
        QCOMPARE(read.land, second.land);
        QCOMPARE(read.quelle, second.quelle);
        QCOMPARE(read.stand, second.stand);
        QCOMPARE(read.lizenz, second.lizenz);
        QVERIFY(!read.beispiel);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("new"));

    // The shipped master's example row is replaced the same way (what an import does to the copy).
    TestDb db;
    QSqlDatabase master = db.writableMaster();
    MasterProvenance imported;
    imported.datensatz = QStringLiteral("Gemeindedaten Österreich");
    MasterProvenance::write(master, imported);
    db.reopen();
    QVERIFY(!MasterProvenance::read(db.master()).beispiel);
    QCOMPARE(MasterProvenance::read(db.master()).datensatz, imported.datensatz);
}

void TestMasterProvenance::line_data() {
    QTest::addColumn<QString>("datensatz");
    QTest::addColumn<QString>("land");
    QTest::addColumn<QString>("quelle");
    QTest::addColumn<QString>("stand");
    QTest::addColumn<QString>("lizenz");
    QTest::addColumn<bool>("beispiel");
    QTest::addColumn<QString>("expected");
    // Imported data name source, date and licence; a land already in the name is not repeated.
    QTest::newRow("imported")
        << "Gemeindedaten"
        << "Tirol"
        << "Statistik Austria"
        << "1.1.2024"
        << "CC BY 4.0" << false
        << "Stammdaten: Gemeindedaten, Tirol, Quelle: Statistik Austria, Stand 1.1.2024, "
           "Lizenz: CC BY 4.0";
    QTest::newRow("land in name") << "Gemeindedaten Tirol"
                                  << "Tirol"
                                  << "Statistik Austria"
                                  << ""
                                  << "" << false
                                  << "Stammdaten: Gemeindedaten Tirol, Quelle: Statistik Austria";
    // Example data carry the warning instead of source and licence.
    QTest::newRow("example") << "Muster"
                             << ""
                             << "erfunden"
                             << "2020"
                             << "frei" << true
                             << "Stammdaten: Muster, Stand 2020 – erfundene Zahlen, keine echte Gemeinde";
}

void TestMasterProvenance::line() {
    QFETCH(QString, datensatz);
    QFETCH(QString, land);
    QFETCH(QString, quelle);
    QFETCH(QString, stand);
    QFETCH(QString, lizenz);
    QFETCH(bool, beispiel);
    QFETCH(QString, expected);
    MasterProvenance p;
    p.datensatz = datensatz;
    p.land = land;
    p.quelle = quelle;
    p.stand = stand;
    p.lizenz = lizenz;
    p.beispiel = beispiel;
    QCOMPARE(p.line(), expected);
}

QTEST_GUILESS_MAIN(TestMasterProvenance)
#include "test_master_provenance.moc"
