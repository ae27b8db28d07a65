#include <QtTest>

#include "core/data/Sql.h"
#include "core/projects/InputCheck.h"
#include "core/projects/Plausibility.h"
#include "core/projects/ProjectRecords.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace EngineFixture;

class PlausibilityTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;

    QStringList warnings(int id) { return Plausibility::warnings(m_db->dbs(), id); }
    void set(int id, const QString& column, const QVariant& value) {
        Sql::exec(m_db->user(),
                  QStringLiteral("UPDATE TAVO SET %1 = ? WHERE ID = ?").arg(Sql::quoted(column)),
                  {value, id});
    }
    // The largest value of a column's value list, read with SQL from the reference data.
    double largestListValue(const QString& column) {
        return Sql::scalar(
                   m_db->master(),
                   "SELECT max(CAST(Wert AS REAL)) FROM FeldWerte WHERE Tabelle = 'TAVO' AND Feld = ?",
                   {column})
            .toDouble();
    }

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale::c());
        m_db = std::make_unique<TestDb>();
    }
    void cleanup() { m_db.reset(); }

    void plausibleProjectsGiveNoWarning() {
        QCOMPARE(warnings(insertRealisticProject(*m_db)), QStringList());
        // One type only: the settlement columns of the other types may stay empty.
        const int id = m_db->insertProject({{"PG", 316}, {"bgFlBaulandBrutto", 1}});
        insertBuilding(*m_db, id, "RHk", "II", 100);
        insertSettlement(*m_db, id, 1, {{"RHk", 37.5}, {"GWB", 0}});
        insertSettlement(*m_db, id, 20, {{"RHk", 62.5}});
        QCOMPARE(warnings(id), QStringList());
        QCOMPARE(warnings(9999), QStringList()); // no such project: the calculation reports it
    }

    void buildingMixAndSettlement() {
        const int empty = m_db->insertProject({{"PG", 301}, {"bgFlBaulandBrutto", 10000}});
        QCOMPARE(warnings(empty), QStringList{"Die Bebauung ist leer: die Anteile ergeben 0 % statt 100 %."});

        // 60 + 50 = 110 %; EFHg settled 20 + 583 - 3 = 600 % with 583 in year 2 and -3 in year 5; EFHk's
        // column adds up to 100 with every year in range; GWB, not in the mix, exceeds 100 in year 1.
        const int id = m_db->insertProject({{"PG", 301}, {"bgFlBaulandBrutto", 10000}});
        insertBuilding(*m_db, id, "EFHg", "II", 60);
        insertBuilding(*m_db, id, "EFHk", "II", 50);
        insertSettlement(*m_db, id, 1, {{"EFHg", 20}, {"EFHk", 100}, {"GWB", 101}});
        insertSettlement(*m_db, id, 2, {{"EFHg", 583}});
        insertSettlement(*m_db, id, 5, {{"EFHg", -3}});
        QCOMPARE(warnings(id), (QStringList{
                                   "Die Anteile der Bebauung ergeben zusammen 110 % statt 100 %.",
                                   "Besiedelung EFHg: Werte außerhalb von 0 bis 100 % in den Jahren 2, 5.",
                                   "Die Besiedelung EFHg ergibt zusammen 600 % statt 100 %.",
                                   "Besiedelung GWB: Werte außerhalb von 0 bis 100 % im Jahr 1.",
                               }));
    }

    void settlementBelow100IsNoFinding() {
        // 40 + 46 = 86 %: the rest is built after year 20, which is legitimate; 100.5 % is not.
        const int id = m_db->insertProject({{"PG", 301}, {"bgFlBaulandBrutto", 10000}});
        insertBuilding(*m_db, id, "EFHg", "II", 100);
        insertSettlement(*m_db, id, 1, {{"EFHg", 40}});
        insertSettlement(*m_db, id, 2, {{"EFHg", 46}});
        QCOMPARE(warnings(id), QStringList());
        // The report says what is missing: 100 - 86 = 14 % (a row of year 21 is not calculated).
        insertSettlement(*m_db, id, 21, {{"EFHg", 10}});
        QVERIFY(Plausibility::unbuiltNote(m_db->user(), id)
                    .contains(QStringLiteral("noch nicht fertiggestellt sind EFHg 14 % der")));
        insertSettlement(*m_db, id, 3, {{"EFHg", 14.5}});
        QCOMPARE(warnings(id), QStringList{"Die Besiedelung EFHg ergibt zusammen 110.5 % statt 100 %."});
        QCOMPARE(Plausibility::unbuiltNote(m_db->user(), id), QString());

        // The preset without mobilisation leaves part of every type unbuilt, by design; the whole
        // input check before a run finds nothing in it.
        const int preset = insertRealisticProject(*m_db);
        applySettlementPreset(m_db->dbs(), preset, QStringLiteral("ohne_Mobilisierung"));
        for (const char* type : {"EFHg", "EFHk", "RHg", "RHk", "GWB"}) {
            const double sum =
                Sql::scalar(m_db->user(),
                            QStringLiteral("SELECT SUM(%1) FROM Besiedelung WHERE TAVO = ?").arg(type),
                            {preset})
                    .toDouble();
            QVERIFY2(sum > 50 && sum < 99.5, type);
        }
        QCOMPARE(InputCheck::check(m_db->dbs(), preset).warnings, QStringList());
    }

    void areaMunicipalityAndSpecialExpenditures() {
        const int id = insertRealisticProject(*m_db);
        set(id, "bgFlBaulandBrutto", QVariant());
        set(id, "PG", 999);
        QCOMPARE(warnings(id), (QStringList{"Die Gesamtfläche (bgFlBaulandBrutto) ist leer.",
                                            "Die Gemeinde 999 fehlt in der Tabelle PG."}));
        set(id, "PG", QVariant());
        set(id, "bgFlBaulandBrutto", 0);
        QCOMPARE(warnings(id),
                 (QStringList{"Die Gesamtfläche (bgFlBaulandBrutto) ist 0 m², nicht größer als 0.",
                              "Es ist keine Gemeinde (PG) eingetragen."}));
        // A negative area is one finding, not a second one as a value below its list.
        set(id, "PG", 316);
        set(id, "bgFlBaulandBrutto", -20000);
        QCOMPARE(warnings(id),
                 QStringList{"Die Gesamtfläche (bgFlBaulandBrutto) ist -20000 m², nicht größer als 0."});

        set(id, "bgFlBaulandBrutto", 40000);
        for (const QVariant& year : {QVariant(0), QVariant(21), QVariant(20), QVariant()})
            m_db->insertRow("Sonderausgaben",
                            {{"TAVO", id}, {"Jahr", year}, {"Bezeichnung", "Brücke"}, {"Ausgabe", 1}});
        m_db->insertRow("Sonderausgaben", {{"TAVO", id}, {"Jahr", 1}, {"Ausgabe", -0.5}});
        QCOMPARE(warnings(id), (QStringList{
                                   "Sonderausgabe „Brücke“: es ist kein Jahr eingetragen.",
                                   "Sonderausgabe „Brücke“: das Jahr 0 liegt außerhalb von 1 bis 20.",
                                   "Sonderausgabe ohne Bezeichnung: die Ausgabe -0.5 ist negativ.",
                                   "Sonderausgabe „Brücke“: das Jahr 21 liegt außerhalb von 1 bis 20.",
                               }));
    }

    void inputsFarOutsideTheirValueList() {
        const int id = insertRealisticProject(*m_db);
        const double top = largestListValue("bgFlBaulandBrutto");
        QVERIFY(top > 0);
        // Ten times the largest entry is still accepted; above it, and below 0, is not.
        set(id, "bgFlBaulandBrutto", 10 * top);
        set(id, "fiZinsenSoll", 0);
        QCOMPARE(warnings(id), QStringList());
        set(id, "bgFlBaulandBrutto", 1e23);
        set(id, "fiZinsenSoll", -0.25);
        // A column without value list is not checked.
        set(id, "bgFlGrünflächen", -5);
        QCOMPARE(
            warnings(id),
            (QStringList{
                QStringLiteral(
                    "„Gesamtfläche (m2)“ (bgFlBaulandBrutto) ist 1e+23, mehr als das Zehnfache des größten "
                    "Listenwerts %1.")
                    .arg(top),
                "„Effektivzinssatz Soll (%)“ (fiZinsenSoll) ist -0.25, kleiner als 0."}));
    }
};

QTEST_GUILESS_MAIN(PlausibilityTest)
#include "test_plausibility.moc"
