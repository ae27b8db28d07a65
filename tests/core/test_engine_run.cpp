// Whole calculation runs: reference year, deletions, population tables, the order of the steps,
// the removal of the own-funds rows and what stays after an error.

#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/CalculationRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace EngineFixture;

namespace {

QString runError(TestDb& db, int id) {
    try {
        runCalculation(db.dbs(), id);
    } catch (const TavoError& e) {
        return e.message();
    }
    return QString();
}

double scalar(TestDb& db, const QString& sql, const QVariantList& params) {
    return Sql::scalar(db.user(), sql, params).toDouble();
}

double dwellingUnits(TestDb& db, int id, const QString& type, int jahr) {
    return scalar(db, QStringLiteral("SELECT %1 FROM bWvB WHERE TAVO = ? AND Jahr = ?").arg(type),
                  {id, jahr});
}

double inhabitants(TestDb& db, int id, int age, int jahr) {
    return scalar(db, "SELECT Bewohner FROM bBvB WHERE TAVO = ? AND \"Alter\" = ? AND Jahr = ?",
                  {id, age, jahr});
}

// Inhabitants per dwelling of the type, by age, in project year jahr, from the reference data.
QMap<int, double> perDwelling(TestDb& db, const QString& type, int jahr) {
    QMap<int, double> result;
    QSqlQuery q = Sql::exec(
        db.master(),
        QStringLiteral("SELECT \"Alter\", Jahr%1 FROM BvB_Bebauungstypen WHERE Typ = ?").arg(jahr), {type});
    while (q.next())
        result[q.value(0).toInt()] += q.value(1).toDouble();
    return result;
}

QVariantMap smallProject() {
    return {{"PG", 301}, {"bgFlBaulandNetto", 10000}, {"bgGstFl_EFHg", 800}, {"bgNutzFl_EFHg", 140}};
}

} // namespace

class TestEngineRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void populationTablesAndReferenceYear();
    void twoRowsOfOneTypeShareTheRunningTotal();
    void projectWithoutBuildings();
    void municipalityRowsAreShared();
    void referenceYearFromValueList();
    void realisticRunIsRepeatableAndClean();
    void specialExpendituresBearNoInterest();
    void errorKeepsRowsBookedBefore();
    void divisionByZeroAndUnknownInputs();
};

void TestEngineRun::populationTablesAndReferenceYear() {
    TestDb db;
    const int id = db.insertProject(smallProject());
    insertBuilding(db, id, "EFHg", "II", 60);
    insertSettlement(db, id, 1, {{"EFHg", 40}});
    insertSettlement(db, id, 2, {{"EFHg", 60}});
    runCalculation(db.dbs(), id);
    QCOMPARE(scalar(db, "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}), 2024.0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bWvB WHERE TAVO = ?", {id}), 20.0);
    QCOMPARE(dwellingUnits(db, id, "EFHg", 1), 3.0);
    for (int year = 2; year <= 20; ++year)
        QCOMPARE(dwellingUnits(db, id, "EFHg", year), 7.5);
    QCOMPARE(dwellingUnits(db, id, "GWB", 5), 0.0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bBvB WHERE TAVO = ?", {id}), 1920.0);
    for (int year : {1, 2, 13}) {
        const QMap<int, double> perUnit = perDwelling(db, "EFHg", year);
        QVERIFY(perUnit.size() >= 90);
        const double stock = year == 1 ? 3.0 : 7.5;
        for (int age = 0; age <= 95; ++age)
            QVERIFY(near(inhabitants(db, id, age, year), perUnit.value(age) * stock));
    }
}

void TestEngineRun::twoRowsOfOneTypeShareTheRunningTotal() {
    TestDb db;
    const int id = db.insertProject(smallProject());
    insertBuilding(db, id, "EFHg", "II", 30);
    insertBuilding(db, id, "EFHg", "I", 30);
    insertSettlement(db, id, 1, {{"EFHg", 100}});
    runCalculation(db.dbs(), id);
    // 3.75 units per row: the first row adds 3.75, the second the running total 7.5.
    QCOMPARE(dwellingUnits(db, id, "EFHg", 1), 11.25);
    QCOMPARE(dwellingUnits(db, id, "EFHg", 2), 15.0);
    const QMap<int, double> perUnit = perDwelling(db, "EFHg", 1);
    QVERIFY(near(inhabitants(db, id, 35, 1), perUnit.value(35) * 11.25));
}

void TestEngineRun::projectWithoutBuildings() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301},
                                     {"auEinheitssatzWasser", 7},
                                     {"ifLfmWasserleitung", 100},
                                     {"ifKoErWasserleitung", 250},
                                     {"fiZinsenSoll", 2}});
    runCalculation(db.dbs(), id);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bWvB WHERE TAVO = ?", {id}), 20.0);
    QCOMPARE(scalar(db, "SELECT Total(EFHg + EFHk + RHg + RHk + GWB) FROM bWvB WHERE TAVO = ?", {id}), 0.0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bBvB WHERE TAVO = ? AND Bewohner = 0", {id}), 1920.0);
    QCOMPARE(ledgerCount(db, id, "Anschlussgebühr Wasser"), 0);
    QCOMPARE(ledgerCount(db, id, "Grundsteuer"), 0);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Errichtung Wasserleitung"), 25000.0);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Zinsen Vorjahr", 20), 500.0);
}

void TestEngineRun::municipalityRowsAreShared() {
    TestDb db;
    const int first = db.insertProject(smallProject());
    const int second = db.insertProject(smallProject());
    QVariantMap other = smallProject();
    other.insert("PG", 302);
    const int third = db.insertProject(other);
    const double ages = Sql::scalar(db.master(), "SELECT count(*) FROM BvB WHERE PG = 301").toDouble();
    QVERIFY(ages > 0);
    runCalculation(db.dbs(), first);
    runCalculation(db.dbs(), third);
    runCalculation(db.dbs(), second);
    runCalculation(db.dbs(), first);
    QCOMPARE(scalar(db, "SELECT count(*) FROM gBvB WHERE PG = 301", {}), ages * 20);
    QCOMPARE(scalar(db, "SELECT count(*) FROM gBvB WHERE PG = 302", {}), ages * 20);
    const double forecast =
        Sql::scalar(db.master(), "SELECT Jahr7 FROM BvB WHERE PG = 301 AND \"Alter\" = 40").toDouble();
    QCOMPARE(scalar(db, "SELECT Bewohner FROM gBvB WHERE PG = 301 AND \"Alter\" = 40 AND Jahr = 7", {}),
             forecast);
}

void TestEngineRun::referenceYearFromValueList() {
    TestDb db;
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, "INSERT INTO FeldWerte (Tabelle, Feld, Nummer, Beschreibung, Wert) VALUES "
                      "('TAVO', 'Bezugsjahr', 7, '2031', '2031'), ('TAVO', 'Bezugsjahr', 0, '2019', '2019')");
    db.reopen();
    const int id = db.insertProject(smallProject());
    runCalculation(db.dbs(), id);
    QCOMPARE(scalar(db, "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}), 2019.0);
    Sql::exec(db.writableMaster(), "DELETE FROM FeldWerte WHERE Tabelle = 'TAVO' AND Feld = 'Bezugsjahr'");
    db.reopen();
    runCalculation(db.dbs(), id);
    QCOMPARE(scalar(db, "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}), 2012.0);
    // An entry without a value reads 0 like every empty number.
    Sql::exec(db.writableMaster(),
              "INSERT INTO FeldWerte (Tabelle, Feld, Nummer) VALUES ('TAVO', 'Bezugsjahr', 1)");
    db.reopen();
    runCalculation(db.dbs(), id);
    QCOMPARE(scalar(db, "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}), 0.0);
}

void TestEngineRun::realisticRunIsRepeatableAndClean() {
    TestDb db;
    const int id = insertRealisticProject(db);
    const int other = insertRealisticProject(db);
    runCalculation(db.dbs(), other);
    runCalculation(db.dbs(), id);
    const int rows = ledgerRows(db, id);
    QVERIFY(rows > 1000);
    QCOMPARE(ledgerCount(db, id, "Eigenmittel"), 0);
    const QString totals = "SELECT Total(Ausgabe), Total(Einnahme) FROM Auswertung WHERE TAVO = ?";
    const double spent = scalar(db, totals, {id});
    runCalculation(db.dbs(), id);
    QCOMPARE(ledgerRows(db, id), rows);
    QCOMPARE(scalar(db, totals, {id}), spent);
    QCOMPARE(ledgerRows(db, other), rows);
    // The largest fixed amounts of the project, computed from its inputs.
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Errichtung Unterbau Straße", 1), 6000.0 * 80);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Errichtung Kanal Trennsystem", 1), 1600.0 * 500);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Kindergartenzubau", 2), 250000.0);
    // No value is inf or NaN (NaN would be stored as NULL).
    QCOMPARE(scalar(db,
                    "SELECT count(*) FROM Auswertung WHERE TAVO = ? AND (Ausgabe IS NULL OR Einnahme IS NULL "
                    "OR abs(Ausgabe) > 1e300 OR abs(Einnahme) > 1e300)",
                    {id}),
             0.0);
}

void TestEngineRun::specialExpendituresBearNoInterest() {
    TestDb db;
    const int with = insertRealisticProject(db);
    const int without = insertRealisticProject(db);
    Sql::exec(db.user(), "DELETE FROM Sonderausgaben WHERE TAVO = ?", {without});
    runCalculation(db.dbs(), with);
    runCalculation(db.dbs(), without);
    const QString interest =
        "SELECT Total(Ausgabe) - Total(Einnahme) FROM Auswertung WHERE TAVO = ? AND Bezeichnung = "
        "'Zinsen Vorjahr'";
    QVERIFY(scalar(db, interest, {with}) != 0);
    QCOMPARE(scalar(db, interest, {with}), scalar(db, interest, {without}));
    QCOMPARE(ledgerRows(db, with), ledgerRows(db, without) + 2);
}

void TestEngineRun::errorKeepsRowsBookedBefore() {
    TestDb db;
    const int id = insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    Sql::exec(db.writableMaster(), "DELETE FROM Auswertung_Typen WHERE Typ = 'Kanal'");
    db.reopen();
    QCOMPARE(runError(db, id), QString("Unbekannter Typ Kanal"));
    // Reopened connections see the committed partial results: public property with its own-funds
    // rows, nothing of the steps after it.
    db.reopen();
    QVERIFY(ledgerCount(db, id, "Errichtung Unterbau Straße") > 0);
    QVERIFY(ledgerCount(db, id, "Eigenmittel") > 0);
    QCOMPARE(ledgerCount(db, id, "Errichtung Kanal Trennsystem"), 0);
    QCOMPARE(ledgerCount(db, id, "Grundsteuer"), 0);
    QCOMPARE(ledgerCount(db, id, "Zinsen Vorjahr"), 0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bBvB WHERE TAVO = ?", {id}), 1920.0);

    // Unknown building type: the population step stops; the municipality rows written before stay.
    const int bad = db.insertProject(smallProject());
    insertBuilding(db, bad, "XYZ", "II", 50);
    QCOMPARE(runError(db, bad), QString("Unbekannter Bebauungstyp: XYZ"));
    db.reopen();
    QVERIFY(scalar(db, "SELECT count(*) FROM gBvB WHERE PG = 301", {}) > 0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bWvB WHERE TAVO = ?", {bad}), 20.0);
    QCOMPARE(ledgerRows(db, bad), 0);
    QCOMPARE(runError(db, 4711), QString("Das Projekt mit der ID 4711 gibt es nicht."));
}

void TestEngineRun::divisionByZeroAndUnknownInputs() {
    TestDb db;
    const int id = insertRealisticProject(db);
    Sql::exec(db.user(), "UPDATE TAVO SET bgGstFl_RHg = 0 WHERE ID = ?", {id});
    QCOMPARE(runError(db, id),
             QString("Division durch 0: bgGstFl_RHg (Grundstücksgröße) ist 0 für Bebauungstyp RHg"));
    QCOMPARE(ledgerRows(db, id), 0);

    Sql::exec(db.user(), "UPDATE TAVO SET bgGstFl_RHg = 350, bgNutzFl_GWB = NULL WHERE ID = ?", {id});
    QCOMPARE(runError(db, id),
             QString("Division durch 0: bgNutzFl_GWB (Wohnnutzfläche) ist 0 für Bebauungstyp GWB"));

    // A plot area of 0 for "GWB" only matters to the levy, which divides by it.
    Sql::exec(db.user(), "UPDATE TAVO SET bgNutzFl_GWB = 75, bgGstFl_GWB = 0 WHERE ID = ?", {id});
    QCOMPARE(runError(db, id),
             QString("Division durch 0: bgGstFl_GWB (Grundstücksgröße) ist 0 für Bebauungstyp GWB"));
    QVERIFY(ledgerCount(db, id, "Anschlussgebühr Kanal") > 0);
    QVERIFY(ledgerCount(db, id, "Aufschließungsabgabe EFHg") > 0);

    Sql::exec(db.user(), "UPDATE TAVO SET bgGstFl_GWB = 150, gsBodenwert = 1e999 WHERE ID = ?", {id});
    const QString infinite = runError(db, id);
    QVERIFY2(infinite.contains("gsBodenwert"), qPrintable(infinite));
    QCOMPARE(
        scalar(db, "SELECT count(*) FROM Auswertung WHERE abs(Ausgabe) > 1e300 OR abs(Einnahme) > 1e300", {}),
        0.0);
}

QTEST_GUILESS_MAIN(TestEngineRun)
#include "test_engine_run.moc"
