// Stored results of inputs changed since: export, kennzahlen and bericht answer with a warning and a
// report marked on every page, `bericht --berechnen` calculates first; and one answer of kennzahlen
// never mixes two calculations while a colleague recalculates the project.

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "core/services/ExampleProject.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

using CliResult = CliOutput;

CliResult runCli(const QString& master, const QString& user, const QString& command,
                 const QStringList& args) {
    return tavo::runCli(QStringList{command, "--master", master, "--user", user} + args);
}

CliResult runCli(const TestDb& db, const QString& command, const QStringList& args) {
    return runCli(db.masterPath(), db.userPath(), command, args);
}

QString pdfText(const QString& pdf) {
    CliRunOptions options;
    options.program = QStringLiteral("pdftotext");
    return QString::fromUtf8(runCli({QStringLiteral("-layout"), pdf, QStringLiteral("-")}, options).out);
}

const QString kHeader = QStringLiteral("Ergebnisse veraltet: Eingaben seit der letzten Berechnung geändert");

} // namespace

class TestOutdatedCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outdatedResultsAreMarked();
    void berechnenCalculatesFirst();
    void oneAnswerWhileAColleagueCalculates_data();
    void oneAnswerWhileAColleagueCalculates();
};

void TestOutdatedCli::outdatedResultsAreMarked() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    const QString project = QString::number(id);
    const QString warning =
        QStringLiteral("Warnung: Projekt %1 wurde seit der letzten Berechnung geändert").arg(id);
    const QString pdf = db.dir() + QStringLiteral("/bericht.pdf");
    const QList<std::pair<QString, QStringList>> commands = {
        {QStringLiteral("export"), {"--project", project, "--view", "saldo"}},
        {QStringLiteral("kennzahlen"), {"--project", project, "--format", "json"}},
        {QStringLiteral("bericht"), {"--project", project, "--out", pdf}},
    };
    // Current results: no warning, no mark.
    for (const auto& [command, args] : commands) {
        const CliResult r = runCli(db, command, args);
        QVERIFY2(r.exitCode == 0 && !r.err.contains(QStringLiteral("Warnung")), qPrintable(command + r.err));
    }
    QVERIFY(!pdfText(pdf).contains(QStringLiteral("veraltet")));

    // The area grows after the calculation and is saved: every answer still comes, with the warning.
    Sql::exec(
        db.user(),
        QStringLiteral(
            "UPDATE \"TAVO\" SET \"bgFlBaulandBrutto\" = \"bgFlBaulandBrutto\" * 1.125 WHERE \"ID\" = ?"),
        {id});
    for (const auto& [command, args] : commands) {
        const CliResult r = runCli(db, command, args);
        QVERIFY2(r.exitCode == 0, qPrintable(command + r.err));
        QVERIFY2(r.err.contains(warning) &&
                     r.err.contains(QStringLiteral("tavo-cli calc --project %1").arg(id)),
                 qPrintable(command + r.err));
        QCOMPARE(r.err.count(QStringLiteral("Warnung")), 1);
        if (command != QLatin1String("bericht"))
            QVERIFY(!r.out.isEmpty());
    }
    // The report: marked on its title page and at the head of every page; the break-even table,
    // which would come from the new inputs, is left out with the reason.
    const QString text = pdfText(pdf);
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY(pages.size() >= 8);
    QVERIFY(pages.first().contains(
        QRegularExpression(QStringLiteral("wurden\\s+nach\\s+der\\s+letzten\\s+Berechnung\\s+geändert"))));
    for (const QString& page : pages)
        QVERIFY2(page.contains(kHeader), qPrintable(page.left(400)));
    QVERIFY(text.contains(QStringLiteral("Entfällt, weil die Ergebnisse veraltet sind")));
    QVERIFY(!text.contains(QStringLiteral("nötig für Saldo 0")));
    // Nothing was calculated by the reading commands.
    QCOMPARE(CalculationState::of(db.user(), id), CalculationState::State::Changed);
}

void TestOutdatedCli::berechnenCalculatesFirst() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    const double saldoBefore =
        QJsonDocument::fromJson(
            runCli(db, "kennzahlen", {"--project", QString::number(id), "--format", "json"}).out)
            .object()["projekte"]
            .toArray()
            .first()["saldo"]
            .toDouble();
    Sql::exec(db.user(),
              QStringLiteral("UPDATE \"TAVO\" SET \"gsHebesatz\" = \"gsHebesatz\" * 2 WHERE \"ID\" = ?"),
              {id});
    const QString pdf = db.dir() + QStringLiteral("/aktuell.pdf");
    const CliResult r =
        runCli(db, "bericht", {"--project", QString::number(id), "--berechnen", "--out", pdf});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(!r.err.contains(QStringLiteral("seit der letzten Berechnung")), qPrintable(r.err));
    QCOMPARE(CalculationState::of(db.user(), id), CalculationState::State::Current);
    const QString text = pdfText(pdf);
    QVERIFY(!text.contains(QStringLiteral("veraltet")));
    QVERIFY(text.contains(QStringLiteral("nötig für Saldo 0")));
    // The report's figures are those of the doubled property tax: more revenue than before.
    const CliResult figures =
        runCli(db, "kennzahlen", {"--project", QString::number(id), "--format", "json"});
    QVERIFY(figures.err.isEmpty());
    QVERIFY(QJsonDocument::fromJson(figures.out).object()["projekte"].toArray().first()["saldo"].toDouble() >
            saldoBefore);
    // An unknown project is refused before anything is calculated.
    QCOMPARE(runCli(db, "bericht", {"--project", "999", "--berechnen", "--out", pdf}).exitCode, 2);
}

// While a second connection (a colleague's program) recalculates the project again and again with
// alternating inputs, each answer of kennzahlen is one calculation's: its balance is the sum of its
// years, its last cumulative balance and its net present value follow from the same years. On a
// file and on a server.
void TestOutdatedCli::oneAnswerWhileAColleagueCalculates_data() {
    QTest::addColumn<bool>("server");
    QTest::newRow("Datei") << false;
    QTest::newRow("Server") << true;
}

void TestOutdatedCli::oneAnswerWhileAColleagueCalculates() {
    QFETCH(bool, server);
    if (server && !PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    TestDb db;
    std::unique_ptr<PgTestDatabase> pg;
    std::unique_ptr<Databases> serverDbs;
    QString user = db.userPath();
    int id = 0;
    if (server) {
        pg = std::make_unique<PgTestDatabase>();
        user = pg->url();
        Databases::createUserDatabase(user);
        serverDbs = std::make_unique<Databases>(db.masterPath(), user);
        id = ExampleProject::create(*serverDbs);
    } else {
        id = EngineFixture::insertRealisticProject(db);
        runCalculation(db.dbs(), id);
    }
    std::atomic<bool> stop{false};
    std::atomic<int> runs{0};
    std::thread colleague([&] {
        const Databases other(db.masterPath(), user);
        for (int i = 0; !stop; ++i) {
            try {
                Sql::exec(other.user(),
                          QStringLiteral("UPDATE \"TAVO\" SET \"gsHebesatz\" = ? WHERE \"ID\" = ?"),
                          {i % 2 ? 500.0 : 300.0, id});
                runCalculation(other, id);
                ++runs;
            } catch (const std::exception&) {
                // A lock not granted in time: the next round tries again.
            }
        }
    });
    int checked = 0;
    QStringList mixed;
    for (int n = 0; n < 60; ++n) {
        const CliResult r = runCli(db.masterPath(), user, "kennzahlen",
                                   {"--project", QString::number(id), "--format", "json"});
        if (r.exitCode != 0)
            continue; // a lock not granted in time ends an answer, but never mixes one
        const QJsonObject f =
            QJsonDocument::fromJson(r.out).object()["projekte"].toArray().first().toObject();
        const QJsonArray years = f["saldo_je_jahr"].toArray();
        double sum = 0.0;
        double presentValue = 0.0;
        for (int j = 0; j < years.size(); ++j) {
            sum += years[j].toDouble();
            presentValue += years[j].toDouble() / std::pow(1.03, j + 1);
        }
        const double saldo = f["saldo"].toDouble();
        const double tolerance = 1e-6 * std::max(1.0, std::abs(saldo));
        if (std::abs(sum - saldo) > tolerance ||
            std::abs(f["kumuliert"].toArray().last().toDouble() - saldo) > tolerance ||
            std::abs(f["barwert"].toDouble() - presentValue) > tolerance)
            mixed << QString::fromUtf8(r.out.left(200));
        ++checked;
    }
    stop = true;
    colleague.join();
    QVERIFY2(mixed.isEmpty(), qPrintable(mixed.join(QStringLiteral("\n---\n"))));
    QVERIFY(checked > 30);
    QVERIFY(runs > 0);
}

QTEST_GUILESS_MAIN(TestOutdatedCli)
#include "test_outdated_cli.moc"
