// The council report's chapter "Gemeindeübersicht": present when the project's municipality has another
// calculated project group, with the sums of the shifted ledgers computed by hand; absent otherwise.

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "support/CliRun.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

QString pdfText(const TestDb& db, int project) {
    const QString pdf = db.dir() + QStringLiteral("/bericht-%1.pdf").arg(project);
    const CliOutput out = runCli({"bericht", "--master", db.masterPath(), "--user", db.userPath(),
                                  "--project", QString::number(project), "--out", pdf});
    if (out.exitCode != 0)
        return QStringLiteral("exit %1: %2").arg(out.exitCode).arg(out.err);
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestBerichtGemeinde : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chapterWithOtherAreasOnly();
};

void TestBerichtGemeinde::chapterWithOtherAreasOnly() {
    TestDb db;
    const int nord =
        db.insertProject({{"PG", 301}, {"PG_Name", "Talheim"}, {"Projekt", "Nord"}, {"Bezugsjahr", 2019}});
    const int allein = db.insertProject({{"PG", 302}, {"Projekt", "Allein"}, {"Bezugsjahr", 2019}});
    for (int id : {nord, allein}) {
        db.book(id, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
        db.book(id, 2, "Kanal", "Gebühr", "Gemeinde", 0, 300);
    }
    const QString alone = pdfText(db, allein);
    QVERIFY2(alone.contains(QStringLiteral("Seite 1 von")), qPrintable(alone.left(500)));
    QVERIFY(!alone.contains(QStringLiteral("Gemeindeübersicht")));

    // A second area of Talheim, from 2022 (Bezugsjahr 2021 + 1): 2020 -1000, 2021 +300, 2022 +200.10;
    // together -499.90 over 2020 to 2041, lowest in 2020, never paid back.
    const int sued = db.insertProject({{"PG", 301}, {"Projekt", "Süd"}, {"Bezugsjahr", 2021}});
    db.book(sued, 1, "Kanal", "Gebühr", "Gemeinde", 0, 200.10);
    const QString text = pdfText(db, nord);
    QVERIFY2(text.contains(QStringLiteral("Gemeindeübersicht")), qPrintable(text.left(500)));
    const QString simplified = text.simplified();
    QVERIFY2(
        QRegularExpression(QStringLiteral("Zusammen 2020 bis 2041: Saldo -500 €; am tiefsten im Minus im "
                                          "Jahr 2020 mit -1\\.000 €; Amortisationsjahr: nicht erreicht"))
            .match(simplified)
            .hasMatch(),
        qPrintable(simplified.mid(simplified.indexOf(QStringLiteral("Zusammen")), 300)));
}

QTEST_GUILESS_MAIN(TestBerichtGemeinde)
#include "test_bericht_gemeinde.moc"
