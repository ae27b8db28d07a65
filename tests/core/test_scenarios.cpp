// The calculation in memory against the written run, scenarios, the Monte Carlo range and break-even.

#include <algorithm>
#include <cmath>

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Interruption.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/Calculation.h"
#include "core/engine/EngineInput.h"
#include "core/results/KeyFigures.h"
#include "core/scenarios/BreakEven.h"
#include "core/scenarios/MonteCarlo.h"
#include "core/scenarios/Scenarios.h"
#include "core/services/CalculationRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

// The project's ledger as written, in row order, one text line per row with the amounts in full.
QStringList storedLedger(TestDb& db, int id) {
    QStringList rows;
    QSqlQuery q = Sql::exec(db.user(),
                            "SELECT Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme FROM Auswertung "
                            "WHERE TAVO = ? ORDER BY rowid",
                            {id});
    while (q.next())
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString())
                    .arg(q.value(4).toDouble(), 0, 'g', 17)
                    .arg(q.value(5).toDouble(), 0, 'g', 17);
    return rows;
}

QStringList memoryLedger(const EngineResult& r) {
    QStringList rows;
    for (const LedgerEntry& e : r.ledger)
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                    .arg(e.jahr)
                    .arg(e.typ, e.bezeichnung, e.kostentraeger)
                    .arg(e.ausgabe, 0, 'g', 17)
                    .arg(e.einnahme, 0, 'g', 17);
    for (const SpecialEntry& e : r.special)
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                    .arg(e.stored.jahr.toString(), e.stored.typ.toString(), e.stored.bezeichnung.toString(),
                         e.stored.kostentraeger.toString())
                    .arg(e.ausgabe, 0, 'g', 17)
                    .arg(0.0, 0, 'g', 17);
    return rows;
}

double stored(TestDb& db, const QString& sql, int id) {
    return Sql::scalar(db.user(), sql, {id}).toDouble();
}

// A project with one building row of 100 % EFHg, all settled in year 1.
int simpleProject(TestDb& db, const QVariantMap& extra = {}) {
    QVariantMap values = realisticProject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        values.insert(it.key(), it.value());
    const int id = db.insertProject(values);
    insertBuilding(db, id, "EFHg", "II", 100);
    insertSettlement(db, id, 1, {{"EFHg", 100}});
    for (int year = 2; year <= 20; ++year)
        insertSettlement(db, id, year, {{"EFHg", 0}});
    return id;
}

} // namespace

class TestScenarios : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void memoryRunEqualsWrittenRun();
    void scenarioChangesTheInputs();
    void settlementShiftAndStretch();
    void storedSettings();
    void monteCarloIsReproducibleAndOrdered();
    void monteCarloReportsProgressAndStops();
    void percentileAtFractionalRank_data();
    void percentileAtFractionalRank();
    void breakEvenGivesZeroBalance();
    void costCoveringSalePrice();
    void defaultsAloneChangeNoBooking();
    void capacityFromWrittenResultsEqualsTheRun();
};

void TestScenarios::memoryRunEqualsWrittenRun() {
    TestDb db;
    const int realistic = insertRealisticProject(db);
    const int simple = simpleProject(db, {{"fiZinsenSoll", 7.25}});
    db.insertRow("Sonderausgaben", {{"TAVO", simple},
                                    {"Jahr", 4},
                                    {"Typ", "Kanal"},
                                    {"Bezeichnung", "Pumpe"},
                                    {"Kostenträger", "Land"},
                                    {"Ausgabe", 1234.5}});
    for (int id : {realistic, simple}) {
        runCalculation(db.dbs(), id);
        const EngineInput input = EngineInput::load(db.dbs(), id);
        const EngineResult result = calculate(input);
        const QStringList written = storedLedger(db, id);
        QVERIFY(written.size() > 100);
        QCOMPARE(memoryLedger(result), written);
        // Population and dwelling units: every stored value equals the one in memory.
        double inhabitants = 0;
        for (int year = 1; year <= 20; ++year)
            for (int age = 0; age <= 95; ++age)
                inhabitants += result.inhabitants[age][year];
        QCOMPARE(stored(db, "SELECT Total(Bewohner) FROM bBvB WHERE TAVO = ?", id), inhabitants);
        QCOMPARE(stored(db, "SELECT count(*) FROM bBvB WHERE TAVO = ?", id), 96.0 * 20);
        QCOMPARE(stored(db, "SELECT Total(EFHg) FROM bWvB WHERE TAVO = ? AND Jahr = 20", id),
                 result.units[20][0]);

        // The key figures from memory match those of the written ledger.
        for (const QString& bearer : {QString("Gemeinde"), QString()}) {
            KeyFigureOptions options;
            options.costBearer = bearer;
            const KeyFigures fromDb = computeKeyFigures(db.user(), id, options);
            const KeyFigures inMemory = computeKeyFigures(input, result, options);
            QVERIFY(near(inMemory.saldo, fromDb.saldo));
            QVERIFY(near(inMemory.barwert, fromDb.barwert));
            QCOMPARE(inMemory.amortisationsjahr, fromDb.amortisationsjahr);
            QCOMPARE(inMemory.jeTyp.size(), fromDb.jeTyp.size());
            QVERIFY(near(inMemory.bewohner, fromDb.bewohner));
            QVERIFY(near(inMemory.wohneinheiten, fromDb.wohneinheiten));
        }
    }
}

void TestScenarios::scenarioChangesTheInputs() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const EngineInput base = EngineInput::load(db.dbs(), id);
    // Parameters that change nothing give the very same ledger.
    QCOMPARE(memoryLedger(calculate(Scenarios::applied(base, {}))), memoryLedger(calculate(base)));

    Scenarios::Parameters p;
    p.constructionCostPercent = 10;
    p.maintenanceCostPercent = -50;
    p.interestPoints = -10; // below 0 the rates stop at 0
    p.ratesPercent = 20;
    p.inhabitantsPercent = 100;
    const EngineInput changed = Scenarios::applied(base, p);
    QVERIFY(near(changed.project.value("ifKoErStraßeUnterbau"), 88));
    QVERIFY(near(changed.project.value("ifKoEhStraße"), base.project.value("ifKoEhStraße") / 2));
    QVERIFY(near(changed.project.value("siKoEhKindergarten"), base.project.value("siKoEhKindergarten") / 2));
    QCOMPARE(changed.project.value("fiZinsenSoll"), 0.0);
    QVERIFY(near(changed.project.value("gsHebesatz"), 600));
    QVERIFY(near(changed.project.value("auHebesatzAufschl"), 480));
    // Twice the inhabitants per dwelling: twice the inhabitants in every year, the dwellings unchanged.
    const EngineResult before = calculate(base);
    const EngineResult after = calculate(changed);
    QVERIFY(near(after.inhabitants[30][20], 2 * before.inhabitants[30][20]));
    QCOMPARE(after.units[20], before.units[20]);
    // No interest at a rate of 0.
    for (const LedgerEntry& e : after.ledger)
        QVERIFY(e.bezeichnung != "Zinsen Vorjahr");
}

void TestScenarios::settlementShiftAndStretch() {
    TestDb db;
    const int id = simpleProject(db);
    const EngineInput base = EngineInput::load(db.dbs(), id);
    const double all = calculate(base).units[1][0];
    QVERIFY(all > 0);
    Scenarios::Parameters later;
    later.settlementShiftYears = 2;
    EngineResult r = calculate(Scenarios::applied(base, later));
    QCOMPARE(r.units[2][0], 0.0);
    QVERIFY(near(r.units[3][0], all));
    // Earlier than year 1 is year 1.
    Scenarios::Parameters earlier;
    earlier.settlementShiftYears = -3;
    QVERIFY(near(calculate(Scenarios::applied(base, earlier)).units[1][0], all));
    // Spread over twice the time: half in year 1, the other half in year 2.
    Scenarios::Parameters slower;
    slower.settlementStretch = 2;
    r = calculate(Scenarios::applied(base, slower));
    QVERIFY(near(r.units[1][0], all / 2));
    QVERIFY(near(r.units[2][0], all));
    QVERIFY(near(r.units[20][0], all));
}

void TestScenarios::storedSettings() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    const Scenarios::Settings builtIn = Scenarios::builtInSettings();
    QVERIFY(Scenarios::loadSettings(db.user(), id).optimistic == builtIn.optimistic);
    Scenarios::Settings own = builtIn;
    own.pessimistic.constructionCostPercent = 35;
    own.optimistic.settlementShiftYears = 0;
    Scenarios::saveSettings(db.user(), id, own);
    const Scenarios::Settings read = Scenarios::loadSettings(db.user(), id);
    QCOMPARE(read.pessimistic.constructionCostPercent, 35.0);
    QCOMPARE(read.optimistic.settlementShiftYears, 0);
    QVERIFY(read.pessimistic == own.pessimistic);
    // An older file without the table gets it when it is opened.
    Sql::exec(db.user(), "DROP TABLE Szenarien");
    db.reopen();
    QVERIFY(db.user().tables().contains("Szenarien"));
}

void TestScenarios::monteCarloIsReproducibleAndOrdered() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const EngineInput base = EngineInput::load(db.dbs(), id);
    const Scenarios::Settings range = Scenarios::builtInSettings();
    // Every draw lies within the range; the shift is a whole number of years from -1 to 2.
    QSet<int> shifts;
    for (int i = 0; i < 200; ++i) {
        const Scenarios::Parameters p = MonteCarlo::draw(range, 42, i);
        shifts.insert(p.settlementShiftYears);
        QVERIFY(p.constructionCostPercent >= -10 && p.constructionCostPercent <= 20);
        QVERIFY(p.settlementStretch >= 0.9 && p.settlementStretch <= 1.25);
        QVERIFY(p.ratesPercent >= -5 && p.ratesPercent <= 5);
    }
    QCOMPARE(shifts, (QSet<int>{-1, 0, 1, 2}));

    MonteCarlo::Options options;
    options.runs = 60;
    options.seed = 7;
    options.threads = 1;
    const MonteCarlo::Distribution one = MonteCarlo::run(base, range, options);
    options.threads = 3;
    const MonteCarlo::Distribution three = MonteCarlo::run(base, range, options);
    QCOMPARE(three.saldo.p50, one.saldo.p50);
    QCOMPARE(three.barwert.p10, one.barwert.p10);
    QCOMPARE(three.kumuliert[12].p90, one.kumuliert[12].p90);
    options.seed = 8;
    QVERIFY(MonteCarlo::run(base, range, options).saldo.p50 != one.saldo.p50);
    QVERIFY(one.saldo.p10 <= one.saldo.p50 && one.saldo.p50 <= one.saldo.p90);
    QVERIFY(one.barwert.p10 <= one.barwert.p50 && one.barwert.p50 <= one.barwert.p90);
    QVERIFY(one.saldo.p10 < one.saldo.p90);

    // Costs alone varying by ±10 % around the project: the project lies inside the range.
    Scenarios::Settings costs;
    costs.optimistic.constructionCostPercent = -10;
    costs.pessimistic.constructionCostPercent = 10;
    options.runs = 101;
    const MonteCarlo::Distribution d = MonteCarlo::run(base, costs, options);
    const KeyFigures basis = computeKeyFigures(base, calculate(base), options.figures);
    QVERIFY(d.saldo.p10 < basis.saldo && basis.saldo < d.saldo.p90);
    QVERIFY(std::fabs(d.saldo.p50 - basis.saldo) < (d.saldo.p90 - d.saldo.p10) / 2);

    // Nearest rank: of 1..10 the 10th percentile is 1, the median 5, the 90th 9.
    std::vector<double> values{10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    QCOMPARE(MonteCarlo::percentile(values, 10), 1.0);
    QCOMPARE(MonteCarlo::percentile(values, 50), 5.0);
    QCOMPARE(MonteCarlo::percentile(values, 90), 9.0);
}

void TestScenarios::percentileAtFractionalRank_data() {
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("expected");
    // Nearest rank: the value at rank ceil(p / 100 * n) of the sorted values. Sorted 1, 1, 2, 3, 4, 5, 9.
    const std::vector<double> seven{3, 1, 4, 1, 5, 9, 2};
    QTest::newRow("n 7, p 10: rank 0.7 -> 1") << seven << 10.0 << 1.0;
    QTest::newRow("n 7, p 50: rank 3.5 -> 4") << seven << 50.0 << 3.0;
    QTest::newRow("n 7, p 90: rank 6.3 -> 7") << seven << 90.0 << 9.0;
    std::vector<double> eleven;
    for (int i = 11; i >= 1; --i)
        eleven.push_back(i * 10.0);
    QTest::newRow("n 11, p 10: rank 1.1 -> 2") << eleven << 10.0 << 20.0;
    QTest::newRow("n 11, p 50: rank 5.5 -> 6") << eleven << 50.0 << 60.0;
    QTest::newRow("n 11, p 90: rank 9.9 -> 10") << eleven << 90.0 << 100.0;
    QTest::newRow("n 3, p 50: rank 1.5 -> 2") << std::vector<double>{30, -10, 20} << 50.0 << 20.0;
    QTest::newRow("n 1, p 10: rank 0.1 -> 1") << std::vector<double>{-7.5} << 10.0 << -7.5;
}

void TestScenarios::percentileAtFractionalRank() {
    QFETCH(std::vector<double>, values);
    QFETCH(double, p);
    QFETCH(double, expected);
    QCOMPARE(MonteCarlo::percentile(values, p), expected);
}

void TestScenarios::monteCarloReportsProgressAndStops() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const EngineInput base = EngineInput::load(db.dbs(), id);
    MonteCarlo::Options options;
    options.runs = 30;
    options.threads = 2;
    QList<int> reported;
    options.progress = [&reported](int done, int runs) {
        QCOMPARE(runs, 30);
        reported << done;
    };
    MonteCarlo::run(base, Scenarios::builtInSettings(), options);
    // Counts that only grow, from the calling thread, ending with all runs.
    QVERIFY(!reported.isEmpty());
    QVERIFY(std::is_sorted(reported.begin(), reported.end()));
    QCOMPARE(reported.last(), 30);

    // A stop requested after the third run ends the range early, with no figures.
    options.runs = 400;
    reported.clear();
    options.progress = [&reported](int done, int) {
        reported << done;
        if (done >= 3)
            Interruption::request();
    };
    QVERIFY_THROWS_EXCEPTION(Interruption::Interrupted,
                             MonteCarlo::run(base, Scenarios::builtInSettings(), options));
    Interruption::clear();
    QVERIFY(reported.last() < 400);
}

void TestScenarios::breakEvenGivesZeroBalance() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const EngineInput base = EngineInput::load(db.dbs(), id);
    for (const QString& field : {QString("gsHebesatz"), QString("auEinheitssatzKanalSchmutz")}) {
        BreakEven::Request request;
        request.field = field;
        const BreakEven::Result found = BreakEven::find(base, request);
        QVERIFY2(found.value.has_value(), qPrintable(field));
        // Put into the project and calculated the normal way, the balance is within a cent of zero.
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET %1 = ? WHERE ID = ?").arg(field),
                  {*found.value, id});
        runCalculation(db.dbs(), id);
        const double saldo = computeKeyFigures(db.user(), id, KeyFigureOptions()).saldo;
        QVERIFY2(std::fabs(saldo) < 0.01, qPrintable(QString::number(saldo, 'f', 6)));
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET %1 = ? WHERE ID = ?").arg(field),
                  {base.project.value(field), id});
    }
    // The combined-system rate does not count while the project has a separate-system sewer: no value
    // of it balances the area.
    BreakEven::Request unused;
    unused.field = "auEinheitssatzKanalMisch";
    const BreakEven::Result none = BreakEven::find(base, unused);
    QVERIFY(!none.value.has_value());
    QVERIFY(none.currentFigure != 0);
    unused.field = "bgFlBaulandNetto";
    QVERIFY_EXCEPTION_THROWN(BreakEven::find(base, unused), TavoError);
}

// Without interest the Gemeinde's balance grows by the price times the land sold: with all 30,000 m²
// of net land sold within the 20 years, the cost-covering price is minus the balance at price 0 per m².
void TestScenarios::costCoveringSalePrice() {
    TestDb db;
    const int id = insertRealisticProject(db);
    Sql::exec(db.user(),
              "UPDATE TAVO SET fiZinsenSoll = 0, fiZinsenHaben = 0, gvKaufpreisBrutto = 60, "
              "gvVerkaufsjahre = 5, gvKaufjahr = 1 WHERE ID = ?",
              {id});
    const EngineInput base = EngineInput::load(db.dbs(), id);
    const double atZero = computeKeyFigures(base, calculate(base), KeyFigureOptions()).saldo;
    QVERIFY(atZero < 0);
    BreakEven::Request request;
    request.field = "gvVerkaufspreisNetto";
    const BreakEven::Result found = BreakEven::find(base, request);
    QVERIFY(found.value.has_value());
    QVERIFY2(std::fabs(*found.value - -atZero / 30000) < 1e-6,
             qPrintable(QString::number(*found.value, 'f', 6)));
    // Put back into the project and calculated the normal way, the balance is within a cent of zero.
    Sql::exec(db.user(), "UPDATE TAVO SET gvVerkaufspreisNetto = ? WHERE ID = ?", {*found.value, id});
    runCalculation(db.dbs(), id);
    const double saldo = computeKeyFigures(db.user(), id, KeyFigureOptions()).saldo;
    QVERIFY2(std::fabs(saldo) < 0.01, qPrintable(QString::number(saldo, 'f', 6)));
}

// A new project takes the value-list defaults of the capacity (places per group, costs of a group);
// without places, groups or land prices they switch nothing on: the ledger stays as without them.
void TestScenarios::defaultsAloneChangeNoBooking() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const QStringList before = memoryLedger(calculate(EngineInput::load(db.dbs(), id)));
    Sql::exec(db.user(),
              "UPDATE TAVO SET siPlätzeJeGruppeKindergarten = 22, siKoErGruppeKindergarten = 850000, "
              "siKoEhGruppeKindergarten = 110000, siPlätzeJeKlasseVolksschule = 25, "
              "siKoErKlasseVolksschule = 450000, siKoEhKlasseVolksschule = 27500, gvKaufjahr = 3, "
              "gvVerkaufsjahre = 5 WHERE ID = ?",
              {id});
    QCOMPARE(memoryLedger(calculate(EngineInput::load(db.dbs(), id))), before);
    // Places switch the kindergarten's steps on: its cost per child is no longer booked.
    Sql::exec(db.user(), "UPDATE TAVO SET siPlätzeKindergarten = 1 WHERE ID = ?", {id});
    const QStringList stepped = memoryLedger(calculate(EngineInput::load(db.dbs(), id)));
    QVERIFY(stepped != before);
    QVERIFY(!stepped.join('\n').contains("|Erhaltung Kindergarten|"));
}

// The population page, the key figures and the report read the capacity from the written results;
// it must be the one the run booked, year by year, for kindergarten and school alike.
void TestScenarios::capacityFromWrittenResultsEqualsTheRun() {
    TestDb db;
    const int id = insertRealisticProject(db);
    Sql::exec(db.user(),
              "UPDATE TAVO SET siPlätzeKindergarten = 60, siPlätzeJeGruppeKindergarten = 20, "
              "siKoErGruppeKindergarten = 1, siKoEhGruppeKindergarten = 1, siKlassenVolksschule = 2, "
              "siPlätzeJeKlasseVolksschule = 25, siKoErKlasseVolksschule = 1, siKoEhKlasseVolksschule = 1 "
              "WHERE ID = ?",
              {id});
    const EngineResult run = calculate(EngineInput::load(db.dbs(), id));
    runCalculation(db.dbs(), id);
    const CapacityFigures read = computeCapacityFigures(db.user(), id);
    for (const auto& [memory, written] :
         {std::pair{&run.kindergarten, &read.kindergarten}, std::pair{&run.volksschule, &read.volksschule}}) {
        QVERIFY(memory->active && written->active);
        QCOMPARE(written->exceededYear, memory->exceededYear);
        QCOMPARE(written->capacity, memory->capacity);
        for (int year = 1; year <= 20; ++year) {
            QVERIFY(std::fabs(written->years[year].children - memory->years[year].children) < 1e-6);
            QCOMPARE(written->years[year].groupsNeeded, memory->years[year].groupsNeeded);
            QCOMPARE(written->projectGroups(year), memory->projectGroups(year));
        }
    }
    // Without places stated, two classes of 25 are 50 places.
    QCOMPARE(read.volksschule.capacity, 50.0);
}

QTEST_GUILESS_MAIN(TestScenarios)
#include "test_scenarios.moc"
