// RowWriter on a file writes through SQLite's own statement: every kind of value must be stored as
// Qt's driver stores it, so that results read back the same whichever way they were written.

#include <cmath>
#include <limits>

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/RowWriter.h"
#include "support/TestDb.h"

using namespace tavo;

class TestRowWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storesValuesAsTheDriver_data();
    void storesValuesAsTheDriver();
    void rowsKeepTheirOrderAndErrorsAreThrown();
};

void TestRowWriter::storesValuesAsTheDriver_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("type");   // SQLite's typeof() of the stored value, by hand
    QTest::addColumn<QString>("stored"); // the stored value as SQLite quotes it

    QTest::newRow("int") << QVariant(-42) << "integer"
                         << "-42";
    QTest::newRow("bool") << QVariant(true) << "integer"
                          << "1";
    QTest::newRow("long long") << QVariant(qlonglong(1) << 40) << "integer"
                               << "1099511627776";
    QTest::newRow("unsigned") << QVariant(4000000000u) << "integer"
                              << "4000000000";
    QTest::newRow("double") << QVariant(0.1) << "real"
                            << "1.0000000000000000555e-01";
    QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << "null"
                         << "NULL";
    QTest::newRow("text with umlaut") << QVariant(QStringLiteral("Kostenträger")) << "text"
                                      << "'Kostenträger'";
    QTest::newRow("empty text") << QVariant(QString(QLatin1String(""))) << "text"
                                << "''";
    QTest::newRow("null text") << QVariant(QString()) << "null"
                               << "NULL";
    QTest::newRow("invalid") << QVariant() << "null"
                             << "NULL";
    QTest::newRow("bytes") << QVariant(QByteArray("\x01\x02", 2)) << "blob"
                           << "X'0102'";
}

// Written once through RowWriter and once through QSqlQuery into a column without type (no
// conversion by affinity): both rows hold the same type and value.
void TestRowWriter::storesValuesAsTheDriver() {
    QFETCH(QVariant, value);
    QFETCH(QString, type);
    QFETCH(QString, stored);
    TestDb db;
    Sql::exec(db.user(), "CREATE TABLE Probe (Weg TEXT, Wert)");
    {
        RowWriter writer(db.user(), "Probe", {"Weg", "Wert"});
        writer.add({QStringLiteral("eigen"), value});
        writer.flush();
    }
    Sql::exec(db.user(), "INSERT INTO Probe (Weg, Wert) VALUES (?, ?)", {QStringLiteral("Qt"), value});
    QSqlQuery rows = Sql::exec(db.user(), "SELECT Weg, typeof(Wert), quote(Wert) FROM Probe ORDER BY rowid");
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), QStringLiteral("eigen"));
    QCOMPARE(rows.value(1).toString(), type);
    if (type != QLatin1String("real"))
        QCOMPARE(rows.value(2).toString(), stored);
    const QVariant own = Sql::scalar(db.user(), "SELECT Wert FROM Probe WHERE Weg = 'eigen'");
    QVERIFY(rows.next());
    QCOMPARE(rows.value(1).toString(), type);
    const QVariant viaQt = Sql::scalar(db.user(), "SELECT Wert FROM Probe WHERE Weg = 'Qt'");
    QCOMPARE(own, viaQt);
    if (type == QLatin1String("real"))
        QCOMPARE(own.toDouble(), value.toDouble()); // bit for bit: 0.1 exactly as bound
}

void TestRowWriter::rowsKeepTheirOrderAndErrorsAreThrown() {
    TestDb db;
    Sql::exec(db.user(), "CREATE TABLE Probe (Nr INTEGER NOT NULL, Wert REAL)");
    {
        RowWriter writer(db.user(), "Probe", {"Nr", "Wert"});
        for (int i = 1; i <= 150; ++i)
            writer.add({i, i / 4.0});
        writer.flush();
    }
    // 1..150 in the order added, and the sum of i / 4 over them: 150 * 151 / 2 / 4 = 2831.25.
    QStringList expected;
    for (int i = 1; i <= 150; ++i)
        expected << QString::number(i);
    QCOMPARE(Sql::scalar(db.user(), "SELECT group_concat(Nr) FROM (SELECT Nr FROM Probe ORDER BY rowid)")
                 .toString(),
             expected.join(QLatin1Char(',')));
    QCOMPARE(Sql::scalar(db.user(), "SELECT count(*) FROM Probe").toInt(), 150);
    QCOMPARE(Sql::scalar(db.user(), "SELECT sum(Wert) FROM Probe").toDouble(), 2831.25);
    QCOMPARE(Sql::scalar(db.user(), "SELECT min(rowid) FROM Probe WHERE Nr = 150").toInt(), 150);

    // A row the table refuses ends the write with the database's text.
    RowWriter writer(db.user(), "Probe", {"Nr", "Wert"});
    QString message;
    try {
        writer.add({QVariant(), 1.0});
    } catch (const TavoError& e) {
        message = e.message();
    }
    QVERIFY2(message.contains(QStringLiteral("NOT NULL")), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestRowWriter)
#include "test_row_writer.moc"
