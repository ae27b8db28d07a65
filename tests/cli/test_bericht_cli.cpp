// tavo-cli bericht: the PDF of a hand-made project read back with poppler's pdfinfo and pdftotext,
// the refusals for a project that does not exist or has no results, and the example project's
// report for another cost bearer and rate, with its range and every number whole.

#include <cmath>
#include <cstdlib>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

int runCli(const QString& master, const QString& user, const QStringList& args, QString* err = nullptr) {
    const CliOutput output = tavo::runCli(QStringList{"bericht", "--master", master, "--user", user} + args);
    if (err)
        *err = output.err;
    return output.exitCode;
}

int runCli(const TestDb& db, const QStringList& args, QString* err = nullptr) {
    return runCli(db.masterPath(), db.userPath(), args, err);
}

QString tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A whole number as a council reads it: "-1.234.567".
QString grouped(double value) {
    const qint64 whole = qRound64(value);
    QString digits = QString::number(std::llabs(whole));
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return (whole < 0 ? QStringLiteral("-") : QString()) + digits;
}

// The pages of pdftotext's text from the page with `first` up to the one before `end`.
QStringList pagesBetween(const QString& text, const QString& first, const QString& end) {
    QStringList pages;
    bool inside = false;
    for (const QString& page : text.split(QLatin1Char('\f'))) {
        if (page.contains(end) && inside)
            break;
        inside = inside || page.contains(first);
        if (inside)
            pages << page;
    }
    return pages;
}

} // namespace

class TestBerichtCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportOfAHandMadeProject();
    void refusesWhatItCannotReport();
    void exampleReportWithOptions();
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

    const QString text =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (int page : {1, n})
        QVERIFY2(text.contains(QStringLiteral("Seite %1 von %2").arg(page).arg(n)),
                 qPrintable(text.left(2000)));
    QCOMPARE(text.count(QStringLiteral(" von %1").arg(n)), n);
    // The example master is named as such in every footer, on the title page and in the method chapter.
    // (pdftotext writes the "fi" of "fiktives" as a ligature, so the name is matched up to it.)
    QCOMPARE(text.count(QStringLiteral("Stammdaten: Beispieldaten (")), n + 2);
    QVERIFY(text.contains(QStringLiteral("Herkunft der Stammdaten")));
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

void TestBerichtCli::exampleReportWithOptions() {
    TestDb db;
    const QString user = db.dir() + QStringLiteral("/beispiel.db");
    QProcess init;
    init.start(QStringLiteral(TAVO_TEST_CLI), {"init", "--master", db.masterPath(), "--user", user});
    QVERIFY(init.waitForFinished(60000));
    QCOMPARE(init.exitCode(), 0);
    // The expected figures straight from the example project's ledger.
    double saldoJeJahr[21] = {};
    double landSaldo = 0;
    {
        QSqlDatabase ledger =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("beispiel"));
        ledger.setDatabaseName(user);
        QVERIFY(ledger.open());
        QSqlQuery q(ledger);
        QVERIFY(q.exec(
            QStringLiteral("SELECT Jahr, Kostenträger, Total(Einnahme) - Total(Ausgabe) FROM Auswertung "
                           "WHERE TAVO = 1 AND Jahr BETWEEN 1 AND 20 GROUP BY 1, 2")));
        while (q.next()) {
            if (q.value(1).toString() == QLatin1String("Gemeinde"))
                saldoJeJahr[q.value(0).toInt()] += q.value(2).toDouble();
            if (q.value(1).toString() == QLatin1String("Land"))
                landSaldo += q.value(2).toDouble();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("beispiel"));
    double barwert = 0;
    for (int j = 1; j <= 20; ++j)
        barwert += saldoJeJahr[j] / std::pow(1.05, j);

    const QString pdf = db.dir() + QStringLiteral("/beispiel.pdf");
    QString err;
    QCOMPARE(runCli(db.masterPath(), user, {"--project", "1", "--zinssatz", "5", "--out", pdf}, &err), 0);
    const QString text =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY2(QRegularExpression(QStringLiteral("Barwert \\(5 %\\)\\s+%1 €").arg(grouped(barwert)))
                 .match(text)
                 .hasMatch(),
             qPrintable(grouped(barwert)));
    QVERIFY(text.contains(QStringLiteral("Barwert 5 % (€)")));
    // The range of the scenarios, with its table and chart.
    const QStringList range =
        pagesBetween(text, QStringLiteral("Bandbreite\n"), QStringLiteral("Bevölkerung\n"));
    QVERIFY2(!range.isEmpty(), qPrintable(text.left(3000)));
    for (const char* column : {"Basis", "optimistisch", "pessimistisch", "P10", "P50", "P90"})
        QVERIFY2(range.join(QString()).contains(QLatin1String(column)), column);

    // Every number on the pages of results, range and population stands whole on its line, as a
    // German number: no "1." at a line's end with "462.843" on the next, no "5000".
    const QRegularExpression number(QStringLiteral("-?\\d[\\d.,]*"));
    const QRegularExpression german(QStringLiteral("^-?\\d{1,3}(\\.\\d{3})*(,\\d+)?$"));
    const QStringList results =
        pagesBetween(text, QStringLiteral("Ergebnisse\n"), QStringLiteral("Berechnungsmethode"));
    QVERIFY(results.size() >= 3);
    int amounts = 0;
    // The footer's line naming the master data carries its as-of year, which is no amount.
    const QRegularExpression provenance(QStringLiteral("Stammdaten: [^\n]*"));
    for (const QString& page : results)
        for (const QRegularExpressionMatch& m : number.globalMatch(QString(page).remove(provenance))) {
            QVERIFY2(german.match(m.captured()).hasMatch(),
                     qPrintable(m.captured() + QStringLiteral(" in\n") + page));
            ++amounts;
        }
    QVERIFY(amounts > 200);

    // The figures of another cost bearer; all together; a wrong rate or cost bearer is wrong use.
    QCOMPARE(runCli(db.masterPath(), user, {"--project", "1", "--kostentraeger", "Land", "--out", pdf}, &err),
             0);
    const QString land =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(land.contains(QStringLiteral("den Kostenträger Land")));
    QVERIFY2(
        QRegularExpression(QStringLiteral("Saldo\\s+%1 €").arg(grouped(landSaldo))).match(land).hasMatch(),
        qPrintable(grouped(landSaldo)));
    QCOMPARE(runCli(db.masterPath(), user, {"--project", "1", "--kostentraeger", "alle", "--out", pdf}, &err),
             0);
    QVERIFY(tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
                .contains(QStringLiteral("alle Kostenträger zusammen")));
    QCOMPARE(runCli(db.masterPath(), user, {"--project", "1", "--zinssatz", "drei", "--out", pdf}, &err), 2);
    QVERIFY(err.contains(QStringLiteral("Ungültiger Zinssatz: drei")));
    QCOMPARE(runCli(db.masterPath(), user, {"--project", "1", "--kostentraeger", "Mond", "--out", pdf}, &err),
             2);
    QVERIFY(err.contains(QStringLiteral("Mond")));
}

QTEST_MAIN(TestBerichtCli)
#include "test_bericht_cli.moc"
