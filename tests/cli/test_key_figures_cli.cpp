// tavo-cli kennzahlen: the three formats and the exit codes, on hand-made ledgers.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "core/master/MasterProvenance.h"
#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

using CliResult = CliOutput;

CliResult runCli(const TestDb& db, const QStringList& args) {
    return tavo::runCli(QStringList{"kennzahlen", "--master", db.masterPath(), "--user", db.userPath()} +
                        args);
}

} // namespace

class TestKeyFiguresCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void jsonHoldsEveryFigure();
    void csvAndTextTables();
    void refusesWhatItCannotAnswer();
    void refusesRateThatIsNoFiniteNumber_data();
    void refusesRateThatIsNoFiniteNumber();
    void answersNameTheMasterData();
};

void TestKeyFiguresCli::jsonHoldsEveryFigure() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301}, {"Projekt", "Am Hang"}, {"Beschreibung", "Variante A"}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1000.123456789, 0);
    db.book(a, 2, "Kanal", "Gebühr", "Gemeinde", 0, 400);
    db.book(a, 2, "Kanal", "Gebühr", "Land", 0, 5000);
    const int b = db.insertProject({{"PG", 302}});
    db.book(b, 1, "Wasser", "Gebühr", "Gemeinde", 0, 121);
    db.insertRow("bWvB", {{"TAVO", b}, {"Jahr", 20}, {"EFHg", 11}});

    CliResult r = runCli(db, {"--project", QString::number(a), "--project", QString::number(b), "--format",
                              "json", "--zinssatz", "10"});
    QCOMPARE(r.exitCode, 0);
    const QJsonArray projects = QJsonDocument::fromJson(r.out).object().value("projekte").toArray();
    QCOMPARE(projects.size(), 2);
    const QJsonObject first = projects[0].toObject();
    QCOMPARE(first["id"].toInt(), a);
    QCOMPARE(first["projekt"].toString(), QStringLiteral("Am Hang"));
    QCOMPARE(first["beschreibung"].toString(), QStringLiteral("Variante A"));
    QCOMPARE(first["pg"].toInt(), 301);
    QCOMPARE(first["kostentraeger"].toString(), QStringLiteral("Gemeinde"));
    QCOMPARE(first["zinssatz"].toDouble(), 10.0);
    QCOMPARE(first["ausgaben"].toDouble(), 1000.123456789); // unrounded
    QCOMPARE(first["einnahmen"].toDouble(), 400.0);
    QCOMPARE(first["saldo"].toDouble(), 400 - 1000.123456789);
    QCOMPARE(first["saldo_je_jahr"].toArray().size(), 20);
    QCOMPARE(first["kumuliert"].toArray()[19].toDouble(), 400 - 1000.123456789);
    QCOMPARE(first["tiefpunkt"].toObject()["jahr"].toInt(), 1);
    QCOMPARE(first["tiefpunkt"].toObject()["betrag"].toDouble(), -1000.123456789);
    QVERIFY(first["amortisationsjahr"].isNull());
    QVERIFY(first["saldo_je_wohneinheit"].isNull());
    QVERIFY(first["saldo_je_bewohner"].isNull());
    QCOMPARE(first["je_typ"].toArray()[0].toObject()["typ"].toString(), QStringLiteral("Kanal"));
    const QJsonObject second = projects[1].toObject();
    QCOMPARE(second["amortisationsjahr"].toInt(), 1);
    QVERIFY(qAbs(second["barwert"].toDouble() - 110.0) < 1e-9); // 121 / 1.1
    QCOMPARE(second["wohneinheiten"].toDouble(), 11.0);
    QCOMPARE(second["saldo_je_wohneinheit"].toDouble(), 11.0);

    // All cost bearers together; a rate with a decimal comma or point.
    r = runCli(db, {"--project", QString::number(a), "--format", "json", "--kostentraeger", "alle"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject all = QJsonDocument::fromJson(r.out).object()["projekte"].toArray()[0].toObject();
    QCOMPARE(all["kostentraeger"].toString(), QStringLiteral("alle"));
    QCOMPARE(all["einnahmen"].toDouble(), 5400.0);
    QCOMPARE(all["amortisationsjahr"].toInt(), 2);
    const CliResult comma =
        runCli(db, {"--project", QString::number(b), "--format", "json", "--zinssatz", "3,5"});
    const CliResult point =
        runCli(db, {"--project", QString::number(b), "--format", "json", "--zinssatz", "3.5"});
    QCOMPARE(comma.exitCode, 0);
    QCOMPARE(comma.out, point.out);
    QCOMPARE(QJsonDocument::fromJson(comma.out)
                 .object()["projekte"]
                 .toArray()[0]
                 .toObject()["zinssatz"]
                 .toDouble(),
             3.5);
}

void TestKeyFiguresCli::csvAndTextTables() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301}, {"Beschreibung", "Nord; Süd"}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1234.5, 0);
    CliResult r = runCli(db, {"--project", QString::number(a), "--format", "csv"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(r.out.mid(3)).split("\r\n");
    QCOMPARE(lines.first(), QStringLiteral("Kennzahl;Projekt %1").arg(a));
    QVERIFY(lines.contains(QStringLiteral("Beschreibung;\"Nord; Süd\"")));
    QVERIFY(lines.contains(QStringLiteral("Ausgaben;1234,5")));
    QVERIFY(lines.contains(QStringLiteral("Saldo;-1234,5")));
    QVERIFY(lines.contains(QStringLiteral("Amortisationsjahr;")));
    QVERIFY(lines.contains(QStringLiteral("kumuliert Jahr 20;-1234,5")));
    QCOMPARE(lines.last(), QString()); // the last line ends with CR LF too

    r = runCli(db, {"--project", QString::number(a)});
    QCOMPARE(r.exitCode, 0);
    const QString text = QString::fromUtf8(r.out);
    QVERIFY2(text.contains(QRegularExpression("Amortisationsjahr +nicht erreicht\n")), qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression("Jahr des Tiefpunkts +1\n")), qPrintable(text));
}

void TestKeyFiguresCli::refusesWhatItCannotAnswer() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1, 0);
    const int fresh = db.insertProject({{"PG", 301}});
    const QString id = QString::number(a);

    CliResult r = runCli(db, {"--project", "999"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("999"), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    r = runCli(db, {"--project", id, "--project", QString::number(fresh)});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("%1 hat keine Ergebnisse").arg(fresh)), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    r = runCli(db, {"--project", id, "--kostentraeger", "Niemand"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("Niemand"), qPrintable(r.err));
    for (const QStringList& args : QList<QStringList>{{},
                                                      {"--project", "abc"},
                                                      {"--project", id, "--zinssatz", "drei"},
                                                      {"--project", id, "--zinssatz", "1.234,5"},
                                                      {"--project", id, "--format", "xlsx"},
                                                      {"--project", id, "--bogus"},
                                                      {"--project"}})
        QVERIFY2(runCli(db, args).exitCode == 2, qPrintable(args.join(' ')));
}

void TestKeyFiguresCli::refusesRateThatIsNoFiniteNumber_data() {
    QTest::addColumn<QString>("rate");
    for (const char* text : {"nan", "NaN", "inf", "-inf", "Infinity", "1e999", "-100", "drei"})
        QTest::newRow(text) << QString::fromLatin1(text);
}

// A discount rate that is no finite number above -100 % would give a present value of inf or NaN.
void TestKeyFiguresCli::refusesRateThatIsNoFiniteNumber() {
    QFETCH(QString, rate);
    TestDb db;
    const int a = db.insertProject({{"PG", 301}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 1, 0);
    const CliResult r = runCli(db, {"--project", QString::number(a), "--zinssatz", rate});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("Ungültiger Zinssatz: %1").arg(rate)), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// Text and JSON say where the master data come from: the shipped example data as such, an imported
// master (its row replaced here) by its source.
void TestKeyFiguresCli::answersNameTheMasterData() {
    TestDb db;
    const int a = db.insertProject({{"PG", 301}});
    db.book(a, 1, "Kanal", "Bau", "Gemeinde", 100, 0);
    CliResult r = runCli(db, {"--project", QString::number(a)});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.endsWith("\n\nStammdaten: Beispieldaten (fiktives Land Talland), Stand 2024 – erfundene "
                            "Zahlen, keine echte Gemeinde\n"),
             r.out.constData());
    r = runCli(db, {"--project", QString::number(a), "--format", "json"});
    QJsonObject stammdaten = QJsonDocument::fromJson(r.out).object()["stammdaten"].toObject();
    QCOMPARE(stammdaten["beispiel"].toBool(), true);
    QCOMPARE(stammdaten["datensatz"].toString(), QStringLiteral("Beispieldaten (fiktives Land Talland)"));

    MasterProvenance imported;
    imported.datensatz = QStringLiteral("Gemeindedaten Tirol");
    imported.quelle = QStringLiteral("Statistik Austria");
    imported.stand = QStringLiteral("1.1.2024");
    QSqlDatabase master = db.writableMaster();
    MasterProvenance::write(master, imported);
    db.reopen();
    r = runCli(db, {"--project", QString::number(a)});
    QVERIFY2(r.out.endsWith(
                 "\n\nStammdaten: Gemeindedaten Tirol, Quelle: Statistik Austria, Stand 1.1.2024\n"),
             r.out.constData());
    r = runCli(db, {"--project", QString::number(a), "--format", "json"});
    stammdaten = QJsonDocument::fromJson(r.out).object()["stammdaten"].toObject();
    QCOMPARE(stammdaten["beispiel"].toBool(), false);
    QCOMPARE(stammdaten["quelle"].toString(), imported.quelle);
    // CSV stays a plain table.
    r = runCli(db, {"--project", QString::number(a), "--format", "csv"});
    QVERIFY(!r.out.contains("Stammdaten"));
}

QTEST_GUILESS_MAIN(TestKeyFiguresCli)
#include "test_key_figures_cli.moc"
