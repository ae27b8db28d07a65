// The municipality overview: one variant per project group, ledgers shifted to calendar years and
// summed, low point and payback; and `tavo-cli gemeinde` over the same rows.

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "core/data/TavoError.h"
#include "core/projects/CalculationState.h"
#include "core/services/MunicipalityOverview.h"
#include "support/CliRun.h"
#include "support/PgTestDatabase.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Two areas of municipality 301 with ledgers booked by hand:
// "Nord" in two variants (the second booked later, so it is the default), "Süd" in one, which has no
// stored fingerprint (stale). A project of municipality 302 must never count.
struct Areas {
    int nordAlt = 0;
    int nord = 0;
    int sued = 0;
    int fremd = 0;
};

Areas bookAreas(TestDb& db) {
    Areas a;
    a.nordAlt =
        db.insertProject({{"PG", 301}, {"Projekt", "Nord"}, {"Beschreibung", "alt"}, {"Bezugsjahr", 2019}});
    a.nord =
        db.insertProject({{"PG", 301}, {"Projekt", "Nord"}, {"Beschreibung", "neu"}, {"Bezugsjahr", 2019}});
    a.sued = db.insertProject({{"PG", 301}, {"Projekt", "Süd"}, {"Bezugsjahr", 2021}});
    a.fremd = db.insertProject({{"PG", 302}, {"Projekt", "Nord"}, {"Bezugsjahr", 2019}});
    db.book(a.nordAlt, 1, "Verkehr", "Straße", "Gemeinde", 5000, 0);
    db.book(a.nord, 1, "Verkehr", "Straße", "Gemeinde", 1000, 0);
    db.book(a.nord, 1, "Verkehr", "Straße", "Land", 99, 0);
    db.book(a.nord, 2, "Steuern", "Grundsteuer", "Gemeinde", 0, 300);
    db.book(a.nord, 20, "Steuern", "Grundsteuer", "Gemeinde", 0, 50.25);
    db.book(a.sued, 1, "Steuern", "Grundsteuer", "Gemeinde", 0, 200.10);
    db.book(a.sued, 3, "Verkehr", "Straße", "Gemeinde", 80, 0);
    db.book(a.sued, 10, "Steuern", "Grundsteuer", "Gemeinde", 0, 600);
    db.book(a.fremd, 1, "Verkehr", "Straße", "Gemeinde", 7777, 0);
    CalculationState::store(db.user(), a.nordAlt);
    CalculationState::store(db.user(), a.nord);
    return a;
}

} // namespace

class TestMunicipalityOverview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void groupsTakeTheLatestVariant();
    void shiftedLedgersAddUpByHand();
    void choicesAreChecked();
    void cliGemeindeGivesTheSameSums();
    void sameSumsOnAServer();
};

void TestMunicipalityOverview::groupsTakeTheLatestVariant() {
    TestDb db;
    const Areas a = bookAreas(db);
    const QList<MunicipalityOverview::Group> groups = MunicipalityOverview::groups(db.user(), 301);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].projekt, QStringLiteral("Nord"));
    QCOMPARE(groups[0].variants.size(), 2);
    QCOMPARE(groups[0].variants[0].projectId, a.nord);
    QCOMPARE(groups[0].variants[1].projectId, a.nordAlt);
    QCOMPARE(groups[0].variants[0].defaultStartYear, 2020);
    QCOMPARE(groups[1].variants[0].projectId, a.sued);
    QVERIFY(groups[1].variants[0].state == CalculationState::State::Changed);
    // Recalculating the older variant (its rows written anew) makes it the default.
    db.book(a.nordAlt, 2, "Verkehr", "Straße", "Gemeinde", 1, 0);
    QCOMPARE(MunicipalityOverview::groups(db.user(), 301)[0].variants[0].projectId, a.nordAlt);
}

void TestMunicipalityOverview::shiftedLedgersAddUpByHand() {
    TestDb db;
    const Areas a = bookAreas(db);
    // Nord from 2020 (its default: Bezugsjahr 2019 + 1), Süd three years later, from 2023.
    const MunicipalityOverview::Overview o =
        MunicipalityOverview::compute(db.user(), 301, {{a.sued, 2023}}, QStringLiteral("Gemeinde"));
    QCOMPARE(o.projects.size(), 2);
    QCOMPARE(o.projects[0].projectId, a.nord);
    QCOMPARE(o.projects[0].startYear, 2020);
    QVERIFY(!o.projects[0].stale);
    QVERIFY(o.projects[1].stale);
    QCOMPARE(o.firstYear, 2020);
    QCOMPARE(o.lastYear, 2042); // Süd's project year 20
    QCOMPARE(o.saldoJeJahr.size(), 23);
    // By hand: 2020 -1000; 2021 +300; 2023 +200.10; 2025 -80; 2032 +600; 2039 +50.25.
    auto at = [&](const QVector<double>& v, int year) { return v[year - 2020]; };
    const QList<std::pair<int, double>> balances = {{2020, -1000},  {2021, 300},   {2022, 0},
                                                    {2023, 200.10}, {2024, 0},     {2025, -80},
                                                    {2032, 600},    {2039, 50.25}, {2042, 0}};
    for (const auto& [year, expected] : balances)
        QVERIFY2(std::fabs(at(o.saldoJeJahr, year) - expected) < 0.005, qPrintable(QString::number(year)));
    const QList<std::pair<int, double>> cumulative = {{2020, -1000},   {2022, -700},  {2024, -499.90},
                                                      {2031, -579.90}, {2032, 20.10}, {2042, 70.35}};
    for (const auto& [year, expected] : cumulative)
        QVERIFY2(std::fabs(at(o.kumuliert, year) - expected) < 0.005, qPrintable(QString::number(year)));
    QVERIFY(std::fabs(o.saldo - 70.35) < 0.005);
    QCOMPARE(o.tiefpunktJahr, 2020);
    QVERIFY(std::fabs(o.tiefpunkt + 1000) < 0.005);
    QVERIFY(o.amortisationsjahr == 2032);
    QCOMPARE(o.projectSaldo(1, 2022), 0.0); // before Süd starts
    QVERIFY(std::fabs(o.projectSaldo(1, 2025) + 80) < 0.005);

    // All cost bearers together: Nord's year 1 carries the Land's 99 as well.
    const MunicipalityOverview::Overview all =
        MunicipalityOverview::compute(db.user(), 301, {{a.sued, 2023}}, QString());
    QVERIFY(std::fabs(all.saldoJeJahr[0] + 1099) < 0.005);
    // The older variant chosen instead, from 2018: its 5000 falls on 2018, Süd's default is 2022.
    const MunicipalityOverview::Overview old =
        MunicipalityOverview::compute(db.user(), 301, {{a.nordAlt, 2018}}, QStringLiteral("Gemeinde"));
    QCOMPARE(old.firstYear, 2018);
    QCOMPARE(old.projects[1].startYear, 2022);
    QVERIFY(std::fabs(old.saldoJeJahr[0] + 5000) < 0.005);
    QVERIFY(std::fabs(old.saldo - (-5000 + 200.10 - 80 + 600)) < 0.005);
    QVERIFY(!old.amortisationsjahr);
}

void TestMunicipalityOverview::choicesAreChecked() {
    TestDb db;
    const Areas a = bookAreas(db);
    // Two variants of one group, a project of another municipality, one without results.
    const int empty = db.insertProject({{"PG", 301}, {"Projekt", "West"}});
    for (const QList<MunicipalityOverview::Choice>& choices : QList<QList<MunicipalityOverview::Choice>>{
             {{a.nord, 0}, {a.nordAlt, 0}}, {{a.fremd, 0}}, {{empty, 0}}})
        QVERIFY_EXCEPTION_THROWN(MunicipalityOverview::compute(db.user(), 301, choices, QString()),
                                 TavoError);
    QVERIFY(MunicipalityOverview::compute(db.user(), 303, {}, QString()).projects.isEmpty());
}

void TestMunicipalityOverview::cliGemeindeGivesTheSameSums() {
    TestDb db;
    const Areas a = bookAreas(db);
    const CliOutput r =
        runCli({"gemeinde", "--master", db.masterPath(), "--user", db.userPath(), "--pg", "301", "--projekt",
                QStringLiteral("%1@2023").arg(a.sued), "--format", "json"});
    QCOMPARE(r.exitCode, 0);
    // Süd is stale: warned about, the answer goes on.
    QVERIFY2(r.err.contains(QStringLiteral("Projekt %1").arg(a.sued)), qPrintable(r.err));
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(root.value("amortisationsjahr").toInt(), 2032);
    QCOMPARE(root.value("tiefpunkt").toObject().value("jahr").toInt(), 2020);
    const QJsonArray years = root.value("jahre").toArray();
    QCOMPARE(years.size(), 23);
    QCOMPARE(years[3].toObject().value("jahr").toInt(), 2023);
    QVERIFY(std::fabs(years[3].toObject().value("saldo").toDouble() - 200.10) < 0.005);
    QVERIFY(std::fabs(years[12].toObject().value("kumuliert").toDouble() - 20.10) < 0.005);
    QCOMPARE(root.value("projekte").toArray()[1].toObject().value("geaendert").toBool(), true);
    QCOMPARE(root.value("stammdaten").toObject().value("beispiel").toBool(), true);
    const CliOutput text = runCli({"gemeinde", "--master", db.masterPath(), "--user", db.userPath(), "--pg",
                                   "301", "--projekt", QStringLiteral("%1@2023").arg(a.sued)});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.endsWith("\n\nStammdaten: Beispieldaten (fiktives Land Talland), Stand 2024 – "
                               "erfundene Zahlen, keine echte Gemeinde\n"),
             text.out.constData());

    const CliOutput wrong = runCli({"gemeinde", "--master", db.masterPath(), "--user", db.userPath(), "--pg",
                                    "301", "--projekt", QStringLiteral("%1").arg(a.fremd)});
    QCOMPARE(wrong.exitCode, 2);
    QCOMPARE(runCli({"gemeinde", "--pg", "301", "--projekt", "3@x"}).exitCode, 2);
}

// The same areas copied to a server database (the ledger's row numbers there are an identity column).
void TestMunicipalityOverview::sameSumsOnAServer() {
    if (!PgTestDatabase::available())
        QSKIP("kein PostgreSQL-Testserver (TAVO_TEST_PG)");
    TestDb db;
    bookAreas(db);
    PgTestDatabase server;
    const QStringList master{"--master", db.masterPath()};
    QCOMPARE(runCli(QStringList{"init", "--leer", "--user", server.url()} + master).exitCode, 0);
    QCOMPARE(
        runCli(QStringList{"kopieren", "--von", db.userPath(), "--nach", server.url()} + master).exitCode, 0);
    // Copied in ID order: nordAlt 1, nord 2, sued 3, fremd 4.
    const CliOutput r = runCli(QStringList{"gemeinde", "--user", server.url(), "--pg", "301", "--projekt",
                                           "3@2023", "--format", "json"} +
                               master);
    QCOMPARE(r.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(root.value("projekte").toArray()[0].toObject().value("id").toInt(), 2);
    QCOMPARE(root.value("amortisationsjahr").toInt(), 2032);
    QVERIFY(std::fabs(root.value("saldo").toDouble() - 70.35) < 0.005);
}

QTEST_GUILESS_MAIN(TestMunicipalityOverview)
#include "test_municipality_overview.moc"
