// CSV for German spreadsheets: byte order mark, semicolons, decimal comma, CR LF, quoting.

#include <QBuffer>
#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/results/CsvWriter.h"
#include "support/TestDb.h"

using namespace tavo;

class TestCsvWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesDocument();
    void numbersIgnoreTheUserLocale();
    void writesQueryWithHeader();
    void formulaLikeTextStaysText_data();
    void formulaLikeTextStaysText();
};

void TestCsvWriter::formulaLikeTextStaysText_data() {
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("formula") << QVariant("=1+1") << "'=1+1";
    QTest::newRow("link") << QVariant("=HYPERLINK(\"http://x\";\"y\")")
                          << "\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\"";
    QTest::newRow("plus") << QVariant("+49 1") << "'+49 1";
    QTest::newRow("minus") << QVariant("-5") << "'-5";
    QTest::newRow("at") << QVariant("@SUMME(A1)") << "'@SUMME(A1)";
    QTest::newRow("tab") << QVariant("\tx") << "'\tx";
    QTest::newRow("carriage return") << QVariant("\rx") << "\"'\rx\"";
    QTest::newRow("inside") << QVariant("a=b") << "a=b";
    QTest::newRow("empty") << QVariant(QString()) << "";
    QTest::newRow("negative number") << QVariant(-5.5) << "-5,5";
    QTest::newRow("negative whole number") << QVariant(qlonglong(-3)) << "-3";
}

void TestCsvWriter::formulaLikeTextStaysText() {
    QFETCH(QVariant, cell);
    QFETCH(QString, written);
    QCOMPARE(CsvWriter::formatCell(cell), written);
}

void TestCsvWriter::writesDocument() {
    const QByteArray bytes = CsvWriter::document({
        {"Jahr", "Typ", "Betrag"},
        {1, "a;b", -1234567.25},
        {20, "sagt \"nein\"", QVariant()},
        {QVariant(), "zwei\nZeilen", 0.5},
        {QVariant(), "Rück\rlauf", QString()},
    });
    const QByteArray expected = "\xEF\xBB\xBF"
                                "Jahr;Typ;Betrag\r\n"
                                "1;\"a;b\";-1234567,25\r\n"
                                "20;\"sagt \"\"nein\"\"\";\r\n"
                                ";\"zwei\nZeilen\";0,5\r\n"
                                ";\"Rück\rlauf\";\r\n";
    QCOMPARE(bytes, expected);
    QCOMPARE(CsvWriter::document({}), QByteArray("\xEF\xBB\xBF"));

    // The mark goes out once, with the first row.
    QByteArray stream;
    QBuffer buffer(&stream);
    buffer.open(QIODevice::WriteOnly);
    CsvWriter writer(&buffer);
    writer.writeRow({"Grün"});
    writer.writeRow({"öl"});
    QCOMPARE(stream, QByteArray("\xEF\xBB\xBF") + QStringLiteral("Grün\r\nöl\r\n").toUtf8());
}

void TestCsvWriter::numbersIgnoreTheUserLocale() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(CsvWriter::formatNumber(1234567.891), QStringLiteral("1234567,891"));
    QCOMPARE(CsvWriter::formatNumber(-0.0), QStringLiteral("0"));
    QCOMPARE(CsvWriter::formatNumber(0.1 + 0.2), QStringLiteral("0,3"));
    QCOMPARE(CsvWriter::formatNumber(123456789012.5), QStringLiteral("123456789012,5"));
    QCOMPARE(CsvWriter::formatNumber(1.5e-7), QStringLiteral("1,5E-07"));
    QCOMPARE(CsvWriter::formatCell(qlonglong(20)), QStringLiteral("20"));
    QCOMPARE(CsvWriter::formatCell(QStringLiteral("1.5")), QStringLiteral("1.5")); // text stays text
    NumberFormat::install();
}

void TestCsvWriter::writesQueryWithHeader() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    db.book(id, 2, "Kanal", "Bau; Teil 1", "Gemeinde", 10.5, 0);
    db.book(id, 1, "Wasser", "Gebühr", "Land", 0, 3);
    QSqlQuery q = Sql::exec(db.user(), "SELECT Jahr, Bezeichnung, Ausgabe FROM Auswertung ORDER BY Jahr");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CsvWriter(&buffer).writeQuery(q);
    QCOMPARE(
        bytes,
        QByteArray("\xEF\xBB\xBF") +
            QStringLiteral("Jahr;Bezeichnung;Ausgabe\r\n1;Gebühr;0\r\n2;\"Bau; Teil 1\";10,5\r\n").toUtf8());
}

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "test_csv_writer.moc"
