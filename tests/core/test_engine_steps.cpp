// The calculation steps one by one, each against amounts computed here from the formulas.

#include <cmath>

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/engine/EngineContext.h"
#include "core/engine/EngineResult.h"
#include "core/engine/LandDeal.h"
#include "core/engine/ResultWriter.h"
#include "core/engine/Steps.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

const QString A = QStringLiteral("Ausgabe");
const QString E = QStringLiteral("Einnahme");

QList<int> range(int first, int last) {
    QList<int> years;
    for (int y = first; y <= last; ++y)
        years << y;
    return years;
}

double masterValue(TestDb& db, const QString& table, int jahr, int pg = 301) {
    return Sql::scalar(db.master(), QStringLiteral("SELECT Jahr%1 FROM %2 WHERE PG = ?").arg(jahr).arg(table),
                       {pg})
        .toDouble();
}

} // namespace

class TestEngineSteps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void publicPropertyConstructionAndMaintenance();
    void publicPropertySurfaceYears();
    void sewerAndWaterConstructionAndGwbFees();
    void sewerFeesOfHouseTypes();
    void developmentLevy();
    void otherUtilityLines();
    void propertyTaxAndReductions();
    void fiscalEqualisation();
    void socialInfrastructure();
    void kindergartenCapacitySteps();
    void landDeal_data();
    void landDeal();
    void interestIsSimpleAndSkipsOwnFunds();
    void interestBalanceAddsInLedgerOrder();
    void specialExpenditures();
};

void TestEngineSteps::publicPropertyConstructionAndMaintenance() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"bgFlVerkehrsflächen", 2000},
                                     {"ifKoEhStraße", 3},
                                     {"ifOberflächeInJahr", 4},
                                     {"ifAnschlOberflächeInJahr", 2},
                                     {"ifKoErStraßeUnterbau", 80},
                                     {"ifKoErStraßeOberbau", 40},
                                     {"fiEigAntErÖffGut", 25},
                                     {"bgFlGrünflächen", 500},
                                     {"ifKoErGrünflächen", 20},
                                     {"ifKoEhGrünflächen", 2},
                                     {"ifLfmKanalStrEntwässerung", 100},
                                     {"ifKoErKanalStrEntwässerung", 300}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::publicProperty(ctx);
    QCOMPARE(ledgerYears(ctx.result(), "Erhaltung Straße"), range(5, 20));
    QCOMPARE(ledgerCount(ctx.result(), "Erhaltung Straße"), 16);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Straße", 5, "Gemeinde"), 6000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Straße", 20), 6000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Unterbau Straße", 1), 160000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Oberbau Straße", 4), 80000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Kanal Oberflächenenwässerung", 1), 30000.0);
    // Green areas follow the surface year of the connecting road although that road has no area.
    QCOMPARE(ledgerYears(ctx.result(), "Errichtung Grünflächen"), QList<int>{2});
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Grünflächen"), 10000.0);
    QCOMPARE(ledgerYears(ctx.result(), "Erhaltung Grünflächen"), range(3, 20));
    QCOMPARE(ledgerCount(ctx.result(), "Errichtung Unterbau Anschlussstraße"), 0);
    QCOMPARE(ledgerCount(ctx.result(), "Errichtung Oberbau Anschlussstraße"), 0);
    QCOMPARE(ledgerCount(ctx.result(), "Erhaltung Anschlussstraße"), 0);
    // Own funds of construction: 25 percent of each construction row; none for maintenance.
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel", 1), 0.25 * (160000 + 30000));
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel", 4), 0.25 * 80000);
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel", 5), 0.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Eigenmittel"), 0.0);
}

void TestEngineSteps::publicPropertySurfaceYears() {
    TestDb db;
    const QVariantMap base{{"PG", 301},
                           {"bgFlVerkehrsflächen", 1000},
                           {"ifKoErStraßeOberbau", 50},
                           {"ifKoEhStraße", 2},
                           {"ifLfmStraßenbeleuchtung", 100},
                           {"ifKoErStraßenbeleuchtung", 90},
                           {"ifKoEhStraßenbeleuchtung", 1},
                           {"ifFlAnschlStraße", 300},
                           {"ifKoErStraßeUnterbau", 70}};
    QVariantMap zero = base;
    zero.insert("ifOberflächeInJahr", 0);
    zero.insert("ifAnschlOberflächeInJahr", 20);
    const int idZero = db.insertProject(zero);
    QVariantMap late = base;
    late.insert("ifOberflächeInJahr", 21);
    late.insert("ifAnschlOberflächeInJahr", 21);
    const int idLate = db.insertProject(late);
    EngineRun zeroRun(db, idZero);
    Steps::publicProperty(zeroRun.context);
    EngineRun lateRun(db, idLate);
    Steps::publicProperty(lateRun.context);
    const EngineResult& zeroResult = zeroRun.context.result();
    const EngineResult& lateResult = lateRun.context.result();
    QCOMPARE(ledgerYears(zeroResult, "Errichtung Oberbau Straße"), QList<int>{0});
    QCOMPARE(ledgerYears(zeroResult, "Errichtung Beleuchtung Straße"), QList<int>{0});
    QCOMPARE(ledgerYears(zeroResult, "Erhaltung Straße"), range(1, 20));
    QCOMPARE(ledgerYears(zeroResult, "Erhaltung Beleuchtung Straße"), range(1, 20));
    QCOMPARE(ledgerSum(zeroResult, A, "Erhaltung Beleuchtung Straße", 1), 100.0);
    // Connecting road surfaced in year 20: construction then, no maintenance.
    QCOMPARE(ledgerYears(zeroResult, "Errichtung Oberbau Anschlussstraße"), QList<int>{20});
    QCOMPARE(ledgerSum(zeroResult, A, "Errichtung Oberbau Anschlussstraße"), 15000.0);
    QCOMPARE(ledgerCount(zeroResult, "Erhaltung Anschlussstraße"), 0);
    QCOMPARE(ledgerYears(zeroResult, "Errichtung Unterbau Anschlussstraße"), QList<int>{1});

    QCOMPARE(ledgerYears(lateResult, "Errichtung Oberbau Straße"), QList<int>{21});
    QCOMPARE(ledgerSum(lateResult, A, "Errichtung Oberbau Straße"), 50000.0);
    QCOMPARE(ledgerCount(lateResult, "Erhaltung Straße"), 0);
    QCOMPARE(ledgerCount(lateResult, "Erhaltung Beleuchtung Straße"), 0);
}

void TestEngineSteps::sewerAndWaterConstructionAndGwbFees() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"auEinheitssatzKanalSchmutz", 10},
                                     {"auEinheitssatzKanalMisch", 99},
                                     {"auEinheitssatzWasser", 5},
                                     {"bgFlBaulandNetto", 10000},
                                     {"bgBebDichte_GWB", 50},
                                     {"ifLfmKanalTrennsystem", 100},
                                     {"ifKoErKanalTrennsystem", 500},
                                     {"ifLfmAnschlWasserleitung", 40},
                                     {"ifKoErWasserleitung", 250},
                                     {"fiEigAntErKanal", 10}});
    insertBuilding(db, id, "GWB", "III", 100);
    insertSettlement(db, id, 1, {{"GWB", 50}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::sewerAndWater(ctx);
    // P = 10,000, F = 5,000, U = 10,000 - 5,000 / 3 capped to 500.
    const double b = (5000.0 / 2 / 3 * 4 + 500.0 / 100 * 15) * 0.5;
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Kanal", 1), b * 10));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Kanal", 1), 17041.666667));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Kanal", 1, "Abwasserverband"), 0.4 * b * 10));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Wasser", 1), 8520.833333));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Wasser", 1, "Wasserverband"), 0.3 * b * 5));
    // Years without settlement book no fees.
    QCOMPARE(ledgerYears(ctx.result(), "Anschlussgebühr Kanal"), QList<int>{1});
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Kanal Trennsystem", 1), 50000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Anschlusswasserleitung", 1), 10000.0);
    QCOMPARE(ledgerCount(ctx.result(), "Errichtung Wasserleitung"), 0);
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel", 1), 5000.0);
}

void TestEngineSteps::sewerFeesOfHouseTypes() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"auEinheitssatzKanalSchmutz", 99},
                                     {"auEinheitssatzKanalMisch", 20},
                                     {"auEinheitssatzWasser", 7},
                                     {"bgFlBaulandNetto", 8000},
                                     {"bgNutzFl_EFHg", 100},
                                     {"bgWandstärke", 0.5},
                                     {"bgGstFl_EFHg", 800},
                                     {"bgNutzFl_RHk", 81},
                                     {"bgGstFl_RHk", 60}});
    insertBuilding(db, id, "EFHg", "XI", 50);
    insertBuilding(db, id, "RHk", "I", 20);
    insertSettlement(db, id, 2, {{"EFHg", 20}, {"RHk", 100}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::sewerAndWater(ctx);
    // EFHg, unknown class: 11 storeys; unbuilt 800 - 110.25 / 11 capped to 500 per plot; 10 plots.
    const double efh = (110.25 * 10 / 2 / 11 * 12 + 500.0 * 10 / 100 * 15) * (0.5 * 0.2);
    // RHk, class I, floor (9 + 0.5)² = 90.25: the built-over area exceeds the plot, the negative unbuilt area
    // lowers the fee.
    const double plots = 8000.0 / 60;
    const double rh = (90.25 * plots / 2 / 1 * 2 + (60 - 90.25) * plots / 100 * 15) * (0.2 * 1.0);
    // No separate-system main: the combined-system rate applies.
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Kanal", 2), (efh + rh) * 20));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Anschlussgebühr Wasser", 2), (efh + rh) * 7));
    QCOMPARE(ledgerYears(ctx.result(), "Anschlussgebühr Wasser"), QList<int>{2});
}

void TestEngineSteps::developmentLevy() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"bgGstFl_EFHg", 900},
                                     {"bgFlBaulandNetto", 18000},
                                     {"auHebesatzAufschl", 5},
                                     {"auAntGemFörderungAufschl", 20}});
    insertBuilding(db, id, "EFHg", "II", 50);
    insertBuilding(db, id, "EFHg", "XI", 50);
    insertSettlement(db, id, 1, {{"EFHg", 25}});
    insertSettlement(db, id, 2, {{"EFHg", 0}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::developmentLevy(ctx);
    // First row: 10 plots, length 300, x = 75, L = 5 × 1.25 × 75; second row: factor 1.00.
    QCOMPARE(ledgerCount(ctx.result(), "Aufschließungsabgabe EFHg", 1), 2);
    QCOMPARE(ledgerSum(ctx.result(), E, "Aufschließungsabgabe EFHg", 1), 468.75 + 375.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Ermäßigung Aufschließungsabgabe EFHg", 1), 93.75 + 75.0);
    QVERIFY(!ctx.result().ledger.empty());
    QCOMPARE(ctx.result().ledger.front().einnahme, 468.75);
    QCOMPARE(ledgerYears(ctx.result(), "Aufschließungsabgabe EFHg"), QList<int>{1});
}

void TestEngineSteps::otherUtilityLines() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"ifLfmStromleitung", 500},
                                     {"ifKoEhStromleitung", 2},
                                     {"ifKoErStromleitung", 100},
                                     {"ifLfmAnschlStromleitung", 100},
                                     {"ifLfmAnschlNahwärme", 50},
                                     {"ifKoEhNahwärme", 4},
                                     {"ifKoErNahwärme", 400},
                                     {"fiEigAntEhNahwärme", 100}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::otherUtilityLines(ctx);
    QCOMPARE(ledgerYears(ctx.result(), "Erhaltung Stromleitung"), range(2, 20));
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Stromleitung", 7), 1000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Stromleitung", 7, "Energieversorger"), 800.0);
    QCOMPARE(ledgerYears(ctx.result(), "Errichtung Stromleitung"), QList<int>{1});
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Anschlussstromleitung", 1), 10000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Anschlussstromleitung", 2), 200.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung AnschlussNahwärmeleitung", 20), 200.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Anschlussnahwärmeleitung", 1), 20000.0);
    QCOMPARE(ledgerCount(ctx.result(), "Erhaltung Datenleitung"), 0);
    // Own share 100 of the heating maintenance: an equal own-funds row for each of its rows.
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel"), 19 * 200.0);
    // Network by network, each year main line before connection line.
    QStringList sequence;
    for (const LedgerEntry& row : ctx.result().ledger)
        if (row.bezeichnung.startsWith(QLatin1String("Erhaltung")) &&
            row.kostentraeger == QLatin1String("Gemeinde") && sequence.size() < 4)
            sequence << row.bezeichnung + QString::number(row.jahr);
    QCOMPARE(sequence, QStringList({"Erhaltung Stromleitung2", "Erhaltung Anschlussstromleitung2",
                                    "Erhaltung Stromleitung3", "Erhaltung Anschlussstromleitung3"}));
}

void TestEngineSteps::propertyTaxAndReductions() {
    TestDb db;
    setMunicipalityValue(db, "FA_Ertragsanteile_Red", 301, 2, 10);
    setMunicipalityValue(db, "FA_Ertragsanteile_Red_Max", 301, 2, 100000);
    setMunicipalityValue(db, "FA_Ertragsanteile_Red", 301, 3, 10);
    setMunicipalityValue(db, "FA_Ertragsanteile_Red_Max", 301, 3, 1000);
    setMunicipalityValue(db, "FA_Sekundäre_Transfers_Red", 301, 2, 12);
    setMunicipalityValue(db, "FA_Sekundäre_Transfers_Red_Max", 301, 2, 50);
    setMunicipalityValue(db, "FA_Sekundäre_Transfers_Red", 301, 3, 12);
    setMunicipalityValue(db, "FA_Sekundäre_Transfers_Red_Max", 301, 3, 99999);
    db.reopen();
    const int id = db.insertProject({{"PG", 301},
                                     {"bgFlBaulandNetto", 10000},
                                     {"bgBebDichte_GWB", 100},
                                     {"gsGebWertGWB", 120},
                                     {"gsBodenwert", 10},
                                     {"gsSteuermesszahlGWB", 1.5},
                                     {"gsHebesatz", 500}});
    insertBuilding(db, id, "GWB", "IV", 100);
    insertSettlement(db, id, 1, {{"GWB", 40}});
    insertSettlement(db, id, 2, {{"GWB", 60}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    Steps::propertyTax(ctx);
    const double year1 = 1.5 / 1000 * ((120 * 4000.0 + 10 * 4000.0) * 1.35) * 500 / 100;
    const double year2 = year1 + 1.5 / 1000 * ((120 * 6000.0 + 10 * 6000.0) * 1.35) * 500 / 100;
    QVERIFY(near(ledgerSum(ctx.result(), E, "Grundsteuer", 1), year1));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Grundsteuer", 2), year2));
    QVERIFY(near(ledgerSum(ctx.result(), E, "Grundsteuer", 20), year2));
    QCOMPARE(ledgerCount(ctx.result(), "Grundsteuer"), 20);
    QCOMPARE(ledgerCount(ctx.result(), "Reduktion Ertragsanteile(Grundsteuer)", 1), 0);
    QVERIFY(near(ledgerSum(ctx.result(), A, "Reduktion Ertragsanteile(Grundsteuer)", 2), year1 * 10 / 100));
    QCOMPARE(ledgerSum(ctx.result(), A, "Reduktion Ertragsanteile(Grundsteuer)", 3), 1000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Reduktion Sekundäre Transfers(Grundsteuer)", 2), 50.0);
    QVERIFY(
        near(ledgerSum(ctx.result(), A, "Reduktion Sekundäre Transfers(Grundsteuer)", 3), year2 / 100 * 12));
    // Year 20 takes the master values as they are; the tax of year 20 causes no reduction.
    const double red20 = std::min(masterValue(db, "FA_Ertragsanteile_Red", 20) * year2 / 100,
                                  masterValue(db, "FA_Ertragsanteile_Red_Max", 20));
    QVERIFY(near(ledgerSum(ctx.result(), A, "Reduktion Ertragsanteile(Grundsteuer)", 20), red20));
    QCOMPARE(ledgerCount(ctx.result(), "Reduktion Ertragsanteile(Grundsteuer)", 21), 0);

    // House type: usable area without walls, plot and floor per plot times the number of plots.
    const int house = db.insertProject({{"PG", 301},
                                        {"bgFlBaulandNetto", 16000},
                                        {"bgNutzFl_EFHg", 140},
                                        {"bgWandstärke", 0.4},
                                        {"bgGstFl_EFHg", 800},
                                        {"gsGebWertEFHg", 150},
                                        {"gsBodenwert", 10},
                                        {"gsSteuermesszahlEFHg", 1},
                                        {"gsHebesatz", 500}});
    insertBuilding(db, house, "EFHg", "II", 50);
    insertSettlement(db, house, 1, {{"EFHg", 100}});
    EngineRun houseRun(db, house);
    Steps::propertyTax(houseRun.context);
    const double tax = 1.0 / 1000 * ((150 * 140 * 20 * 0.5 + 10 * 800 * 20 * 0.5) * 1.35) * 500 / 100;
    QVERIFY(near(ledgerSum(houseRun.context.result(), E, "Grundsteuer", 1), tax));
    QVERIFY(near(ledgerSum(houseRun.context.result(), E, "Grundsteuer", 20), tax));
}

void TestEngineSteps::fiscalEqualisation() {
    TestDb db;
    setMunicipalityValue(db, "FA_Ertragsanteile", 301, 5, 800);
    db.reopen();
    const int id = db.insertProject({{"PG", 301}, {"auAnteilZuzug", 40}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    // The inhabitants the population step would have computed.
    ctx.result().inhabitants[30][3] = 60;
    ctx.result().inhabitants[31][3] = 40;
    ctx.result().inhabitants[31][19] = 10;
    Steps::fiscalEqualisation(ctx);
    QCOMPARE(ledgerSum(ctx.result(), E, "Ertragsanteile", 5), 32000.0);
    QVERIFY(near(ledgerSum(ctx.result(), E, "Sekundäre Transfers", 5),
                 masterValue(db, "FA_Sekundäre_Transfers", 5) * 40));
    QVERIFY(near(ledgerSum(ctx.result(), A, "Umlage Jugendwohlfahrt", 5),
                 masterValue(db, "Umlage_Jugendwohlfahrt", 5) * 40));
    QVERIFY(near(ledgerSum(ctx.result(), A, "Umlage Sozialhilfe", 5),
                 masterValue(db, "Umlage_Sozialhilfe", 5) * 40));
    QVERIFY(near(ledgerSum(ctx.result(), A, "Umlage TLKAS", 5), masterValue(db, "Umlage_TLKAS", 5) * 40));
    // Only year 5 receives rows: the inhabitants of year 19 would count in year 21.
    QCOMPARE(ctx.result().ledger.size(), std::size_t(5));
}

void TestEngineSteps::socialInfrastructure() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"auAnteilZuzug", 60},
                                     {"siKoEhKindergarten", 2000},
                                     {"siKoEhVolksschule", 1000},
                                     {"siKoEhSonstige", 50}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    // The inhabitants the population step would have computed.
    for (int age : {3, 4, 5, 6})
        ctx.result().inhabitants[age][4] = 12.5;
    ctx.result().inhabitants[2][4] = 7;
    ctx.result().inhabitants[7][4] = 10;
    ctx.result().inhabitants[11][4] = 3;
    Steps::socialInfrastructure(ctx);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergarten", 4), 60000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergarten", 4, "Gemeinde"), 42000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergarten", 4, "Land"), 18000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Volksschule", 4), 6000.0);
    QVERIFY(
        near(ledgerSum(ctx.result(), A, "Erhaltung sonst. Einrichtungen", 4), 50 * 0.6 * (50 + 7 + 10 + 3)));
    QCOMPARE(ledgerYears(ctx.result(), "Erhaltung Kindergarten"), QList<int>{4});
    QVERIFY(near(ledgerSum(ctx.result(), E, "Eigenmittel", 4), 60000 + 6000 + 50 * 0.6 * 70));
}

// A municipality of 40 kindergarten children (10 of each age 3 to 6) in every year but year 7 (60),
// with 50 places in groups of 20. Half of the project's inhabitants move in.
void TestEngineSteps::kindergartenCapacitySteps() {
    TestDb db;
    {
        QSqlDatabase master = db.writableMaster();
        Sql::exec(master, QStringLiteral("INSERT INTO PG (ID, PG_Name) VALUES (999, 'Kinderdorf')"));
        for (int age : {3, 4, 5, 6}) {
            QStringList columns{"PG", "\"Alter\""};
            QVariantList values{999, age};
            for (int year = 1; year <= 20; ++year) {
                columns << QStringLiteral("Jahr%1").arg(year);
                values << (year == 7 ? 15.0 : 10.0);
            }
            QStringList marks;
            for (int i = 0; i < values.size(); ++i)
                marks << "?";
            Sql::exec(
                master,
                QStringLiteral("INSERT INTO BvB (%1) VALUES (%2)").arg(columns.join(","), marks.join(",")),
                values);
        }
    }
    db.reopen();
    const int id = db.insertProject({{"PG", 999},
                                     {"auAnteilZuzug", 50},
                                     {"siKoEhKindergarten", 2000},
                                     {"siPlätzeKindergarten", 50},
                                     {"siPlätzeJeGruppeKindergarten", 20},
                                     {"siKoErGruppeKindergarten", 500000},
                                     {"siKoEhGruppeKindergarten", 100000},
                                     {"fiEigAntErKindergarten", 0},
                                     {"fiEigAntEhKindergarten", 0}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    // Project children per age: year 3: 5 (10 move in: 50 children, the places just suffice),
    // year 4: 12.5 (25: 65, one group), year 5: 25 (50: 90, two groups), year 7: 12.5 (25: 85, two
    // groups, of which the forecast's 60 children need one alone).
    for (int age : {3, 4, 5, 6}) {
        ctx.result().inhabitants[age][3] = 5;
        ctx.result().inhabitants[age][4] = 12.5;
        ctx.result().inhabitants[age][5] = 25;
        ctx.result().inhabitants[age][7] = 12.5;
    }
    Steps::socialInfrastructure(ctx);
    const SchoolCapacity::Outcome& kg = ctx.result().kindergarten;
    QVERIFY(kg.active);
    QCOMPARE(kg.exceededYear, 4);
    QCOMPARE(kg.years[3].groupsNeeded, 0);
    QCOMPARE(kg.years[5].groupsNeeded, 2);
    QCOMPARE(kg.years[7].groupsNeeded, 2);
    QCOMPARE(kg.years[7].groupsWithout, 1);
    // A group is built when the project first needs it; a group built stays for year 7.
    QCOMPARE(ledgerYears(ctx.result(), "Errichtung Kindergartengruppe"), (QList<int>{4, 5}));
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Kindergartengruppe", 4), 500000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Errichtung Kindergartengruppe", 5, "Gemeinde"), 300000.0);
    QCOMPARE(ledgerYears(ctx.result(), "Erhaltung Kindergartengruppen"), (QList<int>{4, 5, 7}));
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergartengruppen", 4), 100000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergartengruppen", 5), 200000.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Erhaltung Kindergartengruppen", 7), 100000.0);
    // The steps replace the cost per child; own shares of 0 book no own funds.
    QCOMPARE(ledgerCount(ctx.result(), "Erhaltung Kindergarten"), 0);
    QCOMPARE(ledgerCount(ctx.result(), "Eigenmittel"), 0);
    QVERIFY(!ctx.result().volksschule.active);
}

void TestEngineSteps::landDeal_data() {
    QTest::addColumn<QVariant>("saleYears");
    QTest::addColumn<QList<int>>("saleYearsBooked");
    QTest::addColumn<QList<double>>("sales");
    // 8,000 m² net at 50 €: evenly over 4 years from the purchase in year 2.
    QTest::newRow("over years") << QVariant(4) << QList<int>{2, 3, 4, 5}
                                << QList<double>{100000, 100000, 100000, 100000};
    // With the settlement: EFHg (60 % of the land) half in year 1, half in year 2; RHg (40 %) in
    // year 2: 30 % and 70 % of the land.
    QTest::newRow("with settlement") << QVariant() << QList<int>{1, 2} << QList<double>{120000, 280000};
}

void TestEngineSteps::landDeal() {
    QFETCH(QVariant, saleYears);
    QFETCH(QList<int>, saleYearsBooked);
    QFETCH(QList<double>, sales);
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"bgFlBaulandBrutto", 10000},
                                     {"bgFlBaulandNetto", 8000},
                                     {"gvKaufpreisBrutto", 20},
                                     {"gvVerkaufspreisNetto", 50},
                                     {"gvKaufjahr", 2},
                                     {"gvVerkaufsjahre", saleYears}});
    insertBuilding(db, id, "EFHg", "II", 60);
    insertBuilding(db, id, "RHg", "II", 40);
    insertSettlement(db, id, 1, {{"EFHg", 50}});
    insertSettlement(db, id, 2, {{"EFHg", 50}, {"RHg", 100}});
    EngineRun run(db, id);
    Steps::landDeal(run.context);
    const EngineResult& r = run.context.result();
    QCOMPARE(ledgerYears(r, LandDeal::purchaseLabel()), QList<int>{2});
    QCOMPARE(ledgerSum(r, A, LandDeal::purchaseLabel(), 2, "Gemeinde"), 200000.0);
    QCOMPARE(ledgerYears(r, LandDeal::saleLabel()), saleYearsBooked);
    for (int i = 0; i < sales.size(); ++i)
        QVERIFY(near(ledgerSum(r, E, LandDeal::saleLabel(), saleYearsBooked[i], "Gemeinde"), sales[i]));
}

void TestEngineSteps::interestIsSimpleAndSkipsOwnFunds() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}, {"fiZinsenSoll", 4}, {"fiZinsenHaben", 1}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    ctx.bookAmount(id, 1, "öffentliches Gut", "Bau", false, 100000, 30);
    ctx.bookAmount(id, 1, "Finanzausgleich", "Ertrag", true, 10000, 0);
    ctx.bookAmount(id, 1, "Kanal", "Gedeckt", false, 5000, 100);
    Steps::interest(ctx);
    QCOMPARE(ledgerYears(ctx.result(), "Zinsen Vorjahr"), range(2, 20));
    for (int year = 2; year <= 20; ++year) {
        // Expenditure and revenue of the interest rows of the year by evaluation type.
        QMap<QString, std::pair<double, double>> byType;
        for (const LedgerEntry& row : ctx.result().ledger)
            if (row.jahr == year && row.bezeichnung == QLatin1String("Zinsen Vorjahr")) {
                byType[row.typ].first += row.ausgabe;
                byType[row.typ].second += row.einnahme;
            }
        QCOMPARE(byType.keys(), QStringList({"Finanzausgleich", "öffentliches Gut"})); // "Kanal" is covered
        QCOMPARE(byType["Finanzausgleich"].second, 100.0);
        QCOMPARE(byType["öffentliches Gut"].first, 2800.0);
    }
    // Every interest row has its own-funds counterpart while the run lasts.
    QCOMPARE(ledgerSum(ctx.result(), E, "Eigenmittel") - 30000 - 5000, 19 * 2800.0);
    QCOMPARE(ledgerSum(ctx.result(), A, "Eigenmittel"), 19 * 100.0);
}

void TestEngineSteps::interestBalanceAddsInLedgerOrder() {
    // The balance is the ledger query's sum, which visits the rows by year (the ledger's index) and
    // not in booking order. With values whose sum depends on the order, only that order gives the
    // expected interest: 1 + 1 is lost beside 1e16 when added after it, but not before it.
    TestDb db;
    const int id = db.insertProject({{"PG", 301}, {"fiZinsenSoll", 4}, {"fiZinsenHaben", 1}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    ctx.bookAmount(id, 2, "Sonstiges", "Später", false, 1, 0);
    ctx.bookAmount(id, 2, "Sonstiges", "Später", false, 1, 0);
    ctx.bookAmount(id, 1, "Sonstiges", "Früher", false, 1e16, 0);
    Steps::interest(ctx);
    const double interest2 = 1e16 * 4 / 100;
    QCOMPARE(ledgerSum(ctx.result(), A, "Zinsen Vorjahr", 2), interest2);
    // Year 1, then year 2 in row order: the two ones, the interest of year 2 and its own-funds row.
    const double byYear = ((1e16 + 1.0) + 1.0) + interest2;
    const double byBooking = ((1.0 + 1.0) + 1e16) + interest2;
    const double expected = std::fabs((interest2 - byYear) * 4 / 100);
    QVERIFY(expected != std::fabs((interest2 - byBooking) * 4 / 100));
    // Exact comparison: QCOMPARE on doubles would accept a difference in the last bits.
    const double actual = ledgerSum(ctx.result(), A, "Zinsen Vorjahr", 3);
    QVERIFY2(actual == expected, qPrintable(QString::number(actual, 'f', 4)));
}

void TestEngineSteps::specialExpenditures() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    auto special = [&](const QVariant& jahr, const QString& typ, const QString& bez, const QVariant& amount) {
        db.insertRow("Sonderausgaben", {{"TAVO", id},
                                        {"Jahr", jahr},
                                        {"Typ", typ},
                                        {"Bezeichnung", bez},
                                        {"Kostenträger", "Land"},
                                        {"Ausgabe", amount}});
    };
    special(20, "Sonstiges", "Letztes Jahr", 1234.5);
    special(21, "Sonstiges", "Zu spät", 99);
    special(0, "Unbekannt", "Ohne Prüfung", 7);
    special(3, "Sonstiges", "Ohne Betrag", QVariant());
    EngineRun run(db, id);
    Steps::specialExpenditures(run.context);
    // The rows as the result writer stores them.
    ResultWriter::write(db.user(), run.context.result());
    QSqlQuery q = Sql::exec(db.user(),
                            "SELECT Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme FROM Auswertung "
                            "WHERE TAVO = ? ORDER BY rowid",
                            {id});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 20);
    QCOMPARE(q.value(3).toString(), QString("Land"));
    QCOMPARE(q.value(4).toDouble(), 1234.5);
    QCOMPARE(q.value(5).toDouble(), 0.0);
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toString(), QString("Unbekannt"));
    QCOMPARE(q.value(0).toInt(), 0);
    QVERIFY(q.next());
    QCOMPARE(q.value(2).toString(), QString("Ohne Betrag"));
    QVERIFY(!q.value(4).isNull());
    QCOMPARE(q.value(4).toDouble(), 0.0);
    QVERIFY(!q.next());
}

QTEST_GUILESS_MAIN(TestEngineSteps)
#include "test_engine_steps.moc"
