// tavo-cli bericht: the PDF of a hand-made project read back with poppler's pdfinfo and pdftotext,
// and the refusals for a project that does not exist or has no results.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "support/TestDb.h"

namespace {

int runCli(const TestDb& db, const QStringList& args, QString* err = nullptr) {
    QProcess process;
    process.start(QStringLiteral(TAVO_TEST_CLI),
                  QStringList{"bericht", "--master", db.masterPath(), "--user", db.userPath()} + args);
    if (!process.waitForFinished(60000))
        return -1;
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestBerichtCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportOfAHandMadeProject();
    void refusesWhatItCannotReport();
};

void TestBerichtCli::reportOfAHandMadeProject() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"PG_Name", "Talheim"},
                                     {"Projekt", "Am Hang"},
                                     {"Beschreibung", "Variante Nord"},
                                     {"auAnteilZuzug", 50}});
    // Gemeinde per year -1000, +300, +900, -500, +400: balance 100, lowest -1000 in year 1, positive
    // for good from year 5.
    db.book(id, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
    db.book(id, 2, "Kanal", "Gebühr", "Gemeinde", 0, 300);
    db.book(id, 3, "Wasser", "Gebühr", "Gemeinde", 0, 900);
    db.book(id, 4, "Wasser", "Erhaltung", "Gemeinde", 500, 0);
    db.book(id, 5, "Finanzausgleich", "Ertragsanteile", "Gemeinde", 0, 400);
    db.book(id, 1, "Kanal", "Förderung", "Land", 0, 5000);
    db.insertRow("bWvB", {{"TAVO", id}, {"Jahr", 20}, {"EFHg", 4}, {"GWB", 1}});
    db.insertRow("Bebauung", {{"TAVO", id}, {"bbTyp", "EFHg"}, {"bbBauklasse", "II"}, {"bbAnteil", 100}});

    const QString pdf = db.dir() + QStringLiteral("/bericht.pdf");
    QString err;
    QCOMPARE(runCli(db, {"--project", QString::number(id), "--out", pdf}, &err), 0);
    QVERIFY(QFile::exists(pdf));

    const QString info = tool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    QVERIFY2(pages.hasMatch(), qPrintable(info));
    const int n = pages.captured(1).toInt();
    // Title page, contents, summary, four inputs pages at least, results, population, method, sources.
    QVERIFY2(n >= 8, qPrintable(info));
    QVERIFY(info.contains(QStringLiteral("Title:           Bericht: Am Hang")));
    QVERIFY(info.contains(QStringLiteral("Creator:         TAVO")));

    const QString text = tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (int page : {1, n})
        QVERIFY2(text.contains(QStringLiteral("Seite %1 von %2").arg(page).arg(n)), qPrintable(text.left(2000)));
    QCOMPARE(text.count(QStringLiteral(" von %1").arg(n)), n);
    QVERIFY(text.contains(QStringLiteral("Variante Nord")));
    QVERIFY(text.contains(QStringLiteral("Talheim")));
    // The summary of the municipality: balance, low point and its year, payback year, per unit (100 / 5).
    const auto has = [&text](const QString& pattern) {
        return QRegularExpression(pattern).match(text).hasMatch();
    };
    QVERIFY(has(QStringLiteral("Saldo\\s+100 €")));
    // Austrian German numbers also under C.UTF-8, the locale of the tests.
    QVERIFY(
        has(QStringLiteral("Tiefpunkt\\s+-1\\.000 €\\s+Am tiefsten im Minus ist die Gemeinde im Jahr 1;")));
    QVERIFY(has(QStringLiteral("Amortisationsjahr\\s+5\\s")));
    QVERIFY(has(QStringLiteral("Saldo je Wohneinheit\\s+20 €")));
    // Totals by cost bearer: the Land's grant, and everyone together 5.100.
    QVERIFY(has(QStringLiteral("Land\\s+0\\s+5\\.000\\s+5\\.000")));
    QVERIFY(has(QStringLiteral("alle Kostenträger zusammen\\s+1\\.500\\s+6\\.600\\s+5\\.100")));
    // The contents list names the chapters with their pages, the disclaimer is there.
    QVERIFY(has(QStringLiteral("Zusammenfassung\\s+3\\n")));
    QVERIFY(text.contains(QStringLiteral("übernehmen keine Haftung")));
    // The break-even rates of the municipality; a hand-made ledger without buildings cannot be
    // recalculated, so the table carries the note instead of failing the report.
    QVERIFY(text.contains(QStringLiteral("Was müssten Abgaben und Grundsteuer betragen?")));
}

void TestBerichtCli::refusesWhatItCannotReport() {
    TestDb db;
    const int never = db.insertProject({{"PG", 301}});
    const QString pdf = db.dir() + QStringLiteral("/x.pdf");
    QString err;
    QCOMPARE(runCli(db, {"--project", "999", "--out", pdf}, &err), 2);
    QVERIFY(err.contains(QStringLiteral("Unbekanntes Projekt: 999")));
    QCOMPARE(runCli(db, {"--project", QString::number(never), "--out", pdf}, &err), 2);
    QVERIFY(err.contains(QStringLiteral("keine Ergebnisse")));
    QCOMPARE(runCli(db, {"--project", QString::number(never)}, &err), 2);
    QVERIFY(err.contains(QStringLiteral("--out")));
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(TestBerichtCli)
#include "test_bericht_cli.moc"
