// Whole calculation runs: reference year, deletions, population tables, the order of the steps,
// the removal of the own-funds rows, and that a failed run changes nothing.

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "core/data/Interruption.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/services/CalculationRun.h"
#include "core/services/ProjectCopy.h"
#include "core/projects/CalculationState.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

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

// Every row a run writes for the project and its municipality, and the stamped reference year, as one
// text: equal texts mean equal tables.
QString resultState(TestDb& db, int id, int pg) {
    QStringList parts;
    const QList<QPair<QString, QVariant>> tables = {
        {"SELECT Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, Einnahme FROM Auswertung WHERE TAVO = ? "
         "ORDER BY rowid",
         id},
        {"SELECT \"Alter\", Jahr, Bewohner FROM bBvB WHERE TAVO = ? ORDER BY rowid", id},
        {"SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM bWvB WHERE TAVO = ? ORDER BY rowid", id},
        {"SELECT \"Alter\", Jahr, Bewohner FROM gBvB WHERE PG = ? ORDER BY rowid", pg},
        {"SELECT Bezugsjahr FROM TAVO WHERE ID = ?", id}};
    for (const auto& table : tables) {
        QSqlQuery q = Sql::exec(db.user(), table.first, {table.second});
        int rows = 0;
        while (q.next()) {
            ++rows;
            for (int i = 0; i < q.record().count(); ++i)
                parts << q.value(i).toString();
        }
        parts << QString::number(rows);
    }
    return parts.join(QLatin1Char('|'));
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
    void failedRunKeepsPreviousResults();
    void stopRequestRollsTheRunBack();
    void divisionByZeroAndUnknownInputs();
    void storedTextIsReadTheSameUnderEveryLocale();
    void olderSpecialExpendituresWithoutKey();
    void lastYearAndOldestAgeCount();
    void misspeltDesignationsOfOlderResults();
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

void TestEngineRun::failedRunKeepsPreviousResults() {
    TestDb db;
    const int id = insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    const QString before = resultState(db, id, 301);
    QVERIFY(ledgerRows(db, id) > 1000);

    // A type missing from the reference data stops the run in its third step.
    Sql::exec(db.writableMaster(), "DELETE FROM Auswertung_Typen WHERE Typ = 'Kanal'");
    db.reopen();
    Sql::exec(db.user(), "UPDATE TAVO SET Bezugsjahr = 1999, ifKoErStraßeUnterbau = 95 WHERE ID = ?", {id});
    const QString stamped = resultState(db, id, 301);
    QCOMPARE(runError(db, id), QString("Unbekannter Typ Kanal"));
    db.reopen();
    QCOMPARE(resultState(db, id, 301), stamped);
    QCOMPARE(ledgerCount(db, id, "Eigenmittel"), 0);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Errichtung Unterbau Straße", 1), 6000.0 * 80);

    // Unknown building type: the population step stops; gBvB, bBvB and bWvB keep their rows.
    Sql::exec(db.user(), "UPDATE TAVO SET Bezugsjahr = 2024, ifKoErStraßeUnterbau = 80 WHERE ID = ?", {id});
    QCOMPARE(resultState(db, id, 301), before);
    insertBuilding(db, id, "XYZ", "II", 5);
    QCOMPARE(runError(db, id), QString("Unbekannter Bebauungstyp: XYZ"));
    QCOMPARE(resultState(db, id, 301), before);
    QCOMPARE(runError(db, 4711), QString("Das Projekt mit der ID 4711 gibt es nicht."));

    // An own share so large that its counter-row could be no finite number: the input check refuses
    // it before the run, nothing stored.
    Sql::exec(db.user(), "DELETE FROM Bebauung WHERE bbTyp = 'XYZ'");
    setTypeShares(db, "Kanal", {0, 100, 0, 0, 0});
    Sql::exec(db.user(), "UPDATE TAVO SET fiEigAntErKanal = 1e308 WHERE ID = ?", {id});
    const QString infinite = runError(db, id);
    QVERIFY2(infinite.contains("fiEigAntErKanal") && infinite.contains("außerhalb"), qPrintable(infinite));
    QCOMPARE(resultState(db, id, 301), before);
}

void TestEngineRun::stopRequestRollsTheRunBack() {
    TestDb db;
    const int id = insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    const QString before = resultState(db, id, 301);
    // A run of changed inputs stopped (Ctrl+C) while it works: everything it wrote is taken back.
    Sql::exec(db.user(), "UPDATE TAVO SET ifKoErStraßeUnterbau = 95 WHERE ID = ?", {id});
    Interruption::request();
    QVERIFY_THROWS_EXCEPTION(Interruption::Interrupted, runCalculation(db.dbs(), id));
    Interruption::clear();
    QCOMPARE(resultState(db, id, 301), before);
    QCOMPARE(CalculationState::of(db.user(), id), CalculationState::State::Changed);
    runCalculation(db.dbs(), id);
    QVERIFY(resultState(db, id, 301) != before);
    QCOMPARE(CalculationState::of(db.user(), id), CalculationState::State::Current);
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
    // The steps before the levy booked rows, all rolled back with the run.
    QCOMPARE(ledgerRows(db, id), 0);
    QCOMPARE(scalar(db, "SELECT count(*) FROM bWvB WHERE TAVO = ?", {id}), 0.0);

    Sql::exec(db.user(), "UPDATE TAVO SET bgGstFl_GWB = 150, gsBodenwert = 1e999 WHERE ID = ?", {id});
    const QString infinite = runError(db, id);
    QVERIFY2(infinite.contains("gsBodenwert"), qPrintable(infinite));
    QCOMPARE(
        scalar(db, "SELECT count(*) FROM Auswertung WHERE abs(Ausgabe) > 1e300 OR abs(Einnahme) > 1e300", {}),
        0.0);
}

void TestEngineRun::storedTextIsReadTheSameUnderEveryLocale() {
    TestDb db;
    const int id = db.insertProject(smallProject());
    insertBuilding(db, id, "EFHg", "II", 60);
    insertSettlement(db, id, 1, {{"EFHg", 100}});
    runCalculation(db.dbs(), id);
    const QString reference = resultState(db, id, 301);
    const QLocale saved;
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        // Text that is no number, in the project record and in a detail row: named with its project.
        Sql::exec(db.user(), "UPDATE TAVO SET bgFlBaulandNetto = 'abc' WHERE ID = ?", {id});
        QString error = runError(db, id);
        QVERIFY2(error.contains("bgFlBaulandNetto") && error.contains(QString("Projekt %1").arg(id)) &&
                     error.contains("abc"),
                 qPrintable(error));
        Sql::exec(db.user(), "UPDATE TAVO SET bgFlBaulandNetto = '2,5' WHERE ID = ?", {id});
        error = runError(db, id);
        QVERIFY2(error.contains("bgFlBaulandNetto") && error.contains("2,5"), qPrintable(error));
        Sql::exec(db.user(), "UPDATE TAVO SET bgFlBaulandNetto = ' 10000.0 ' WHERE ID = ?", {id});
        Sql::exec(db.user(), "UPDATE Besiedelung SET EFHg = 'viel' WHERE TAVO = ?", {id});
        error = runError(db, id);
        QVERIFY2(error.contains("Besiedelung.EFHg") && error.contains(QString("Projekt %1").arg(id)),
                 qPrintable(error));
        QCOMPARE(resultState(db, id, 301), reference);
        // A number stored as text in the neutral notation reads as that number; an empty text as NULL.
        Sql::exec(db.user(), "UPDATE Besiedelung SET EFHg = '100' WHERE TAVO = ?", {id});
        Sql::exec(db.user(), "UPDATE TAVO SET bgGstFl_EFHk = '' WHERE ID = ?", {id});
        QCOMPARE(runError(db, id), QString());
        QCOMPARE(resultState(db, id, 301), reference);
    }
    QLocale::setDefault(saved);
    // Text in the reference data is reported with its table and column.
    Sql::exec(db.writableMaster(), "UPDATE BvB SET Jahr5 = '1,5' WHERE PG = 301 AND \"Alter\" = 40");
    db.reopen();
    const QString error = runError(db, id);
    QVERIFY2(error.contains("BvB") && error.contains("Jahr5") && error.contains("1,5"), qPrintable(error));
    QCOMPARE(resultState(db, id, 301), reference);
}

void TestEngineRun::olderSpecialExpendituresWithoutKey() {
    TestDb db;
    const int id = db.insertProject(smallProject());
    // The table as older files have it: no key column, and rows stored out of year order.
    Sql::exec(db.user(), "DROP TABLE Sonderausgaben");
    Sql::exec(db.user(),
              "CREATE TABLE Sonderausgaben (TAVO INTEGER, Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, "
              "Kostenträger TEXT, Ausgabe DOUBLE, Notiz TEXT)");
    const QString insert = "INSERT INTO Sonderausgaben (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe, "
                           "Notiz) VALUES (?, ?, 'Kanal', ?, 'Gemeinde', ?, ?)";
    Sql::exec(db.user(), insert, {id, 7, "Pumpwerk", 5000.0, "erst"});
    Sql::exec(db.user(), insert, {id, 2, "Gutachten", 1200.0, "dann"});
    Sql::exec(db.user(), insert, {4711, 3, "verwaist", 10.0, QVariant()});
    db.reopen();
    QSqlQuery rows = Sql::exec(db.user(), "SELECT ID, Bezeichnung, Notiz FROM Sonderausgaben ORDER BY ID");
    QStringList order;
    while (rows.next())
        order << rows.value(0).toString() + rows.value(1).toString() + rows.value(2).toString();
    QCOMPARE(order, QStringList({"1Pumpwerkerst", "2Gutachtendann", "3verwaist"}));
    runCalculation(db.dbs(), id);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Pumpwerk", 7), 5000.0);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", "Gutachten", 2), 1200.0);
    // New rows get the next key; deleting the project removes its rows.
    Sql::exec(db.user(), "INSERT INTO Sonderausgaben (TAVO, Jahr, Ausgabe) VALUES (?, 1, 1)", {id});
    QCOMPARE(scalar(db, "SELECT max(ID) FROM Sonderausgaben", {}), 4.0);
    Sql::exec(db.user(), "DELETE FROM TAVO WHERE ID = ?", {id});
    QCOMPARE(scalar(db, "SELECT count(*) FROM Sonderausgaben", {}), 1.0);
    db.reopen();
    QCOMPARE(scalar(db, "SELECT count(*) FROM Sonderausgaben", {}), 1.0);
}

void TestEngineRun::lastYearAndOldestAgeCount() {
    TestDb db;
    // Only the oldest age lives in a dwelling of year 20: two inhabitants aged 95 per unit.
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, "UPDATE BvB_Bebauungstypen SET Jahr20 = 0 WHERE Typ = 'EFHg'");
    Sql::exec(master, "DELETE FROM BvB_Bebauungstypen WHERE Typ = 'EFHg' AND \"Alter\" = 95");
    Sql::exec(master, "INSERT INTO BvB_Bebauungstypen (Typ, \"Alter\", Jahr20) VALUES ('EFHg', 95, 2)");
    setTypeShares(db, "Wasser", {0, 0, 100, 0, 0});
    setTypeShares(db, "soz. Infrastruktur Erhaltung", {100, 0, 0, 0, 0});
    QVariantMap inputs = smallProject();
    inputs.insert("auAnteilZuzug", 50);
    inputs.insert("siKoEhSonstige", 100);
    inputs.insert("ifLfmWasserleitung", 100);
    inputs.insert("ifKoErWasserleitung", 250);
    inputs.insert("fiZinsenSoll", 2);
    const int id = db.insertProject(inputs);
    insertBuilding(db, id, "EFHg", "II", 60);
    insertSettlement(db, id, 20, {{"EFHg", 100}});
    runCalculation(db.dbs(), id);

    // 10000 m² × 60 % / 800 m² = 7.5 units, all settled in year 20, with 15 inhabitants aged 95.
    QCOMPARE(dwellingUnits(db, id, "EFHg", 19), 0.0);
    QCOMPARE(dwellingUnits(db, id, "EFHg", 20), 7.5);
    QCOMPARE(inhabitants(db, id, 95, 20), 15.0);
    // Per year and type: the water main of 100 m × 250 in year 1, 2 % interest on it in years 2 to
    // 20, and in year 20 the other institutions for half of the 15 inhabitants at 100 each.
    QStringList expected{"1|Wasser|25000|0"};
    for (int year = 2; year <= 20; ++year)
        expected << QString("%1|Wasser|500|0").arg(year);
    expected << "20|soz. Infrastruktur Erhaltung|750|0";
    QStringList totals;
    QSqlQuery q =
        Sql::exec(db.user(),
                  "SELECT Jahr, Typ, Total(Ausgabe), Total(Einnahme) FROM Auswertung WHERE TAVO = ? "
                  "GROUP BY Jahr, Typ ORDER BY Jahr, Typ = 'Wasser' DESC",
                  {id});
    while (q.next())
        totals << QString("%1|%2|%3|%4")
                      .arg(q.value(0).toString(), q.value(1).toString(),
                           QString::number(q.value(2).toDouble(), 'g', 12),
                           QString::number(q.value(3).toDouble(), 'g', 12));
    QCOMPARE(totals, expected);
}

QTEST_GUILESS_MAIN(TestEngineRun)
#include "test_engine_run.moc"

// Results an earlier version wrote carry two designations misspelt. Opening the file corrects them,
// also when only reading is asked for, and the results stay current: only their text changed.
void TestEngineRun::misspeltDesignationsOfOlderResults() {
    TestDb db;
    const int id = insertRealisticProject(db);
    Sql::exec(db.user(), "UPDATE TAVO SET ifLfmAnschlStromleitung = 200 WHERE ID = ?", {id});
    runCalculation(db.dbs(), id);
    const QString connection = "Errichtung Anschlussstromleitung";
    const QString levy = "Umlage Jugendwohlfahrt";
    const double connectionSum = ledgerSum(db, id, "Ausgabe", connection);
    const double levySum = ledgerSum(db, id, "Ausgabe", levy);
    QVERIFY(connectionSum > 0 && levySum > 0);
    const int rows = ledgerRows(db, id);
    // The spelling of the earlier version, as its files hold it.
    Sql::exec(db.user(),
              "UPDATE Auswertung SET Bezeichnung = 'Errichtung Anschlssstromleitung' "
              "WHERE Bezeichnung = ?",
              {connection});
    Sql::exec(db.user(),
              "UPDATE Auswertung SET Bezeichnung = 'Umnlage Jugendwohlfahrt' WHERE Bezeichnung = ?", {levy});
    // A file of that version has no version table.
    Sql::exec(db.user(), "DROP TABLE Schemaversion");
    QCOMPARE(ledgerSum(db, id, "Ausgabe", connection), 0.0);
    QVERIFY(UserSchema::hasOldDesignations(db.user()));
    // A copy out of such a file (one that may only be read) carries the corrected spelling.
    {
        TestDb target;
        const QList<ProjectCopy::Copied> copied = ProjectCopy::copyProjects(db.user(), target.user(), {id});
        QCOMPARE(copied.size(), 1);
        QVERIFY(!UserSchema::hasOldDesignations(target.user()));
        QCOMPARE(ledgerSum(target, copied.first().targetId, "Ausgabe", connection), connectionSum);
    }
    {
        const Databases reading(db.masterPath(), db.userPath(), Databases::Access::Read);
        QVERIFY(!reading.isReadOnly());
    }
    QVERIFY(!UserSchema::hasOldDesignations(db.user()));
    QCOMPARE(ledgerSum(db, id, "Ausgabe", connection), connectionSum);
    QCOMPARE(ledgerSum(db, id, "Ausgabe", levy), levySum);
    QCOMPARE(ledgerRows(db, id), rows);
    QCOMPARE(CalculationState::of(db.user(), id), CalculationState::State::Current);
}
