// The engine's services: bookAmount, projectField and the building-type quantities.

#include <cmath>
#include <functional>
#include <limits>

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/EngineResult.h"
#include "core/engine/ResultWriter.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

namespace {

struct Row {
    int jahr;
    QString typ, bezeichnung, bearer;
    double ausgabe, einnahme;
};

// The rows the result writer wrote for the project, in the order it wrote them.
QList<Row> writtenLedger(TestDb& db, int id) {
    QList<Row> rows;
    QSqlQuery q = Sql::exec(db.user(),
                            "SELECT Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme FROM Auswertung "
                            "WHERE TAVO = ? ORDER BY rowid",
                            {id});
    while (q.next())
        rows.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toDouble(), q.value(5).toDouble()});
    return rows;
}

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TavoError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestEngineBooking : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsOverCostBearersWithOwnFunds();
    void skipsZeroPartsAndNonPositiveShares();
    void rejectsUnknownTypeAndNonFiniteAmounts();
    void readsProjectFields();
    void computesBuildingTypeQuantities();
    void settlementShareOfMissingRowsAndTypes();
    void buildingClassTables();
    void divisionByZeroNamesInputAndType();
};

void TestEngineBooking::splitsOverCostBearersWithOwnFunds() {
    TestDb db;
    setTypeShares(db, "Test6040", {60, 40, 0, QVariant(), 0});
    const int id = db.insertProject({{"PG", 301}});
    {
        EngineRun run(db, id);
        run.context.bookAmount(id, 3, "Test6040", "Posten", false, 1000, 25);
        const std::vector<LedgerEntry>& rows = run.context.result().ledger;
        QCOMPARE(rows.size(), std::size_t(4));
        // Per bearer in column order: the part, then its own-funds counter-row on the other side.
        QCOMPARE(rows[0].bezeichnung, QString("Posten"));
        QCOMPARE(rows[0].kostentraeger, QString("Gemeinde"));
        QCOMPARE(rows[0].ausgabe, 600.0);
        QCOMPARE(rows[0].einnahme, 0.0);
        QVERIFY(!rows[0].ownFunds);
        QCOMPARE(rows[1].bezeichnung, QString("Eigenmittel"));
        QCOMPARE(rows[1].kostentraeger, QString("Gemeinde"));
        QCOMPARE(rows[1].einnahme, 150.0);
        QCOMPARE(rows[1].ausgabe, 0.0);
        QVERIFY(rows[1].ownFunds);
        QCOMPARE(rows[2].kostentraeger, QString("Abwasserverband"));
        QCOMPARE(rows[2].ausgabe, 400.0);
        QCOMPARE(rows[3].bezeichnung, QString("Eigenmittel"));
        QCOMPARE(rows[3].einnahme, 100.0);
        for (const LedgerEntry& row : rows) {
            QCOMPARE(row.jahr, 3);
            QCOMPARE(row.typ, QString("Test6040"));
        }

        // The result writer stores the booked parts; the own-funds rows only serve the run.
        ResultWriter::write(db.user(), run.context.result());
        const QList<Row> written = writtenLedger(db, id);
        QCOMPARE(written.size(), 2);
        QCOMPARE(written[0].bearer, QString("Gemeinde"));
        QCOMPARE(written[0].ausgabe, 600.0);
        QCOMPARE(written[1].bearer, QString("Abwasserverband"));
        QCOMPARE(written[1].ausgabe, 400.0);
        QCOMPARE(written[1].jahr, 3);
        QCOMPARE(written[1].bezeichnung, QString("Posten"));
    }

    // Revenue goes to Einnahme, its own-funds row to Ausgabe; a negative amount keeps its sign.
    EngineRun run(db, id);
    run.context.bookAmount(id, 1, "Test6040", "Ertrag", true, -500, 10);
    const std::vector<LedgerEntry>& rows = run.context.result().ledger;
    QCOMPARE(rows.size(), std::size_t(4));
    QCOMPARE(rows[0].einnahme, -300.0);
    QCOMPARE(rows[0].ausgabe, 0.0);
    QCOMPARE(rows[1].ausgabe, -30.0);
    QCOMPARE(rows[2].einnahme, -200.0);
    QCOMPARE(rows[3].ausgabe, -20.0);
}

void TestEngineBooking::skipsZeroPartsAndNonPositiveShares() {
    TestDb db;
    setTypeShares(db, "Leer", {0, -10, QVariant(), 0, 0});
    setTypeShares(db, "Halb", {50, 0, 0, 0, 50});
    const int id = db.insertProject({{"PG", 301}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    ctx.bookAmount(id, 1, "Leer", "A", false, 1000, 50);
    ctx.bookAmount(id, 1, "Halb", "B", false, 0, 50);
    QCOMPARE(ctx.result().ledger.size(), std::size_t(0));
    // Own share 0 or negative: no counter-rows.
    ctx.bookAmount(id, 1, "Halb", "C", false, 80, 0);
    ctx.bookAmount(id, 2, "Halb", "C", false, 80, -5);
    QCOMPARE(ctx.result().ledger.size(), std::size_t(4));
    QCOMPARE(ledgerCount(ctx.result(), "Eigenmittel"), 0);
    QCOMPARE(ledgerSum(ctx.result(), "Ausgabe", "C", 1, "Land"), 40.0);
}

void TestEngineBooking::rejectsUnknownTypeAndNonFiniteAmounts() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    EngineRun run(db, id);
    EngineContext& ctx = run.context;
    QCOMPARE(errorOf([&] { ctx.bookAmount(id, 1, "Gibtsnicht", "X", false, 10, 0); }),
             QString("Unbekannter Typ Gibtsnicht"));
    // The lookup is case-sensitive and also stops a zero amount.
    QCOMPARE(errorOf([&] { ctx.bookAmount(id, 1, "KANAL", "X", false, 0, 0); }),
             QString("Unbekannter Typ KANAL"));
    const QString nan = errorOf(
        [&] { ctx.bookAmount(id, 1, "Kanal", "X", false, std::numeric_limits<double>::quiet_NaN(), 0); });
    QVERIFY2(nan.contains("keine endliche Zahl"), qPrintable(nan));
    QVERIFY(!errorOf([&] { ctx.bookAmount(id, 1, "Kanal", "X", true, INFINITY, 0); }).isEmpty());
    QCOMPARE(ctx.result().ledger.size(), std::size_t(0));
}

void TestEngineBooking::readsProjectFields() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"bgWandstärke", 0.35},
                                     {"ifOberflächeInJahr", 3.9},
                                     {"fiZinsenSoll", -2.5},
                                     {"gsBodenwert", QVariant()},
                                     {"gsHebesatz", ""}});
    Sql::exec(db.user(), "UPDATE TAVO SET ifKoEhStraße = 1e999 WHERE ID = ?", {id});
    EngineRun run(db, id);
    const EngineContext& ctx = run.context;
    QCOMPARE(ctx.projectField("bgWandstärke"), 0.35);
    QCOMPARE(ctx.projectField("gsBodenwert"), 0.0);
    QCOMPARE(ctx.projectField("gsHebesatz"), 0.0);
    QCOMPARE(ctx.projectFieldInt("ifOberflächeInJahr"), 3);
    QCOMPARE(ctx.projectFieldInt("fiZinsenSoll"), -2);
    QCOMPARE(ctx.projectFieldInt("ID"), id);
    const QString unknown = errorOf([&] { ctx.projectField("bgGibtsNicht"); });
    QVERIFY2(unknown.contains("bgGibtsNicht"), qPrintable(unknown));
    const QString infinite = errorOf([&] { ctx.projectField("ifKoEhStraße"); });
    QVERIFY2(infinite.contains("ifKoEhStraße") && infinite.contains("keine endliche Zahl"),
             qPrintable(infinite));
}

void TestEngineBooking::computesBuildingTypeQuantities() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"bgFlBaulandNetto", 10000},
                                     {"bgGstFl_EFHg", 800},
                                     {"bgBebDichte_GWB", 80},
                                     {"bgNutzFl_GWB", 75},
                                     {"bgNutzFl_EFHk", 100},
                                     {"bgWandstärke", 0.5},
                                     {"bgNutzFl_RHk", 95},
                                     {"bgNutzFl_RHg", 120},
                                     {"bgGstFl_RHk", 250}});
    EngineRun run(db, id);
    const EngineContext& ctx = run.context;
    QCOMPARE(BuildingTypes::dwellingUnits(ctx, "EFHg", 60), 7.5);
    QVERIFY(near(BuildingTypes::dwellingUnits(ctx, "GWB", 40), 40.0 / 100 * (80.0 / 100 * 10000 / 75)));
    QVERIFY(near(BuildingTypes::dwellingUnits(ctx, "GWB", 40), 42.666667));
    QCOMPARE(BuildingTypes::dwellingUnits(ctx, "RHk", 0), 0.0);
    QCOMPARE(BuildingTypes::usableArea(ctx, "EFHk", true), 110.25);
    QCOMPARE(BuildingTypes::usableArea(ctx, "RHk", false), 95.0);
    QCOMPARE(BuildingTypes::usableArea(ctx, "RHg", false), 120.0);
    QCOMPARE(BuildingTypes::gwbFloorArea(ctx, 2500), 2000.0);
    QCOMPARE(BuildingTypes::plotArea(ctx, "RHk"), 250.0);
    QCOMPARE(errorOf([&] { BuildingTypes::usableArea(ctx, "GWB", false); }),
             QString("Unbekannter Bebauungstyp: GWB"));
    QCOMPARE(errorOf([&] { BuildingTypes::plotArea(ctx, "efhg"); }),
             QString("Unbekannter Bebauungstyp: efhg"));
    QCOMPARE(errorOf([&] { BuildingTypes::dwellingUnits(ctx, "XYZ", 0); }),
             QString("Unbekannter Bebauungstyp: XYZ"));
}

void TestEngineBooking::settlementShareOfMissingRowsAndTypes() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    insertSettlement(db, id, 1, {{"EFHg", 40}, {"GWB", 12.5}});
    insertSettlement(db, id, 3, {{"EFHg", 60}});
    insertSettlement(db, id, 3, {{"EFHg", 99}}); // a second row of a year is never reached
    EngineRun run(db, id);
    const EngineContext& ctx = run.context;
    QCOMPARE(BuildingTypes::settlementShare(ctx, 1, "EFHg"), 0.4);
    QCOMPARE(BuildingTypes::settlementShare(ctx, 1, "GWB"), 0.125);
    QCOMPARE(BuildingTypes::settlementShare(ctx, 1, "RHk"), 0.0);  // empty percentage
    QCOMPARE(BuildingTypes::settlementShare(ctx, 2, "EFHg"), 0.0); // no row for the year
    QCOMPARE(BuildingTypes::settlementShare(ctx, 3, "EFHg"), 0.6);
    QCOMPARE(BuildingTypes::settlementShare(ctx, 1, "XYZ"), 0.0);
}

void TestEngineBooking::buildingClassTables() {
    const char* classes[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(BuildingTypes::storeyCount(classes[i]), i + 1);
        QCOMPARE(BuildingTypes::levyClassFactor(classes[i]), 1.0 + 0.25 * i);
    }
    for (const char* other : {"", "XI", "ii", " I", "0"}) {
        QCOMPARE(BuildingTypes::storeyCount(other), 11);
        QCOMPARE(BuildingTypes::levyClassFactor(other), 1.0);
    }
}

void TestEngineBooking::divisionByZeroNamesInputAndType() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}, {"bgFlBaulandNetto", 10000}, {"bgBebDichte_GWB", 80}});
    EngineRun run(db, id);
    const EngineContext& ctx = run.context;
    QCOMPARE(errorOf([&] { BuildingTypes::dwellingUnits(ctx, "EFHg", 50); }),
             QString("Division durch 0: bgGstFl_EFHg (Grundstücksgröße) ist 0 für Bebauungstyp EFHg"));
    QCOMPARE(errorOf([&] { BuildingTypes::dwellingUnits(ctx, "GWB", 50); }),
             QString("Division durch 0: bgNutzFl_GWB (Wohnnutzfläche) ist 0 für Bebauungstyp GWB"));
}

QTEST_GUILESS_MAIN(TestEngineBooking)
#include "test_engine_booking.moc"
