#include "support/EngineFixture.h"

#include <algorithm>
#include <cmath>

#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/engine/EngineResult.h"
#include "support/TestDb.h"

namespace tavo {

namespace EngineFixture {

QVariantMap realisticProject(int pg) {
    return {
        {"Beschreibung", "Testprojekt"},
        {"Projekt", "Talheim Süd"},
        {"PG", pg},
        {"PG_Name", "Talheim"},
        {"bgFlBaulandBrutto", 40000},
        {"bgAntGrünflächen", 10},
        {"bgAntVerkehrsflächen", 15},
        {"bgFlGrünflächen", 4000},
        {"bgFlVerkehrsflächen", 6000},
        {"bgFlBaulandNetto", 30000},
        {"bgNutzFl_EFHg", 140},
        {"bgNutzFl_EFHk", 110},
        {"bgNutzFl_RHg", 120},
        {"bgNutzFl_RHk", 95},
        {"bgNutzFl_GWB", 75},
        {"bgBebDichte_GWB", 80},
        {"bgGstFl_EFHg", 800},
        {"bgGstFl_EFHk", 500},
        {"bgGstFl_RHg", 350},
        {"bgGstFl_RHk", 250},
        {"bgGstFl_GWB", 150},
        {"bgWandstärke", 0.4},
        {"ifFaktorLeitungslängen", 0.04},
        {"ifLfmWasserleitung", 1600},
        {"ifLfmKanalTrennsystem", 1600},
        {"ifLfmKanalMischsystem", 200},
        {"ifLfmKanalStrEntwässerung", 300},
        {"ifLfmStraßenbeleuchtung", 1600},
        {"ifLfmStromleitung", 1600},
        {"ifLfmDatenleitung", 1600},
        {"ifLfmGasleitung", 800},
        {"ifLfmNahwärme", 400},
        {"ifLfmAnschlWasserleitung", 200},
        {"ifLfmAnschlKanalTrennsystem", 150},
        {"ifLfmAnschlKanalMischsystem", 50},
        {"ifLfmAnschlKanalStrEntwässerung", 100},
        {"ifLfmAnschlStraßenbeleuchtung", 120},
        {"ifLfmAnschlStromleitung", 300},
        {"ifLfmAnschlDatenleitung", 300},
        {"ifLfmAnschlGasleitung", 100},
        {"ifLfmAnschlNahwärme", 80},
        {"ifFlAnschlStraße", 900},
        {"ifOberflächeInJahr", 3},
        {"ifAnschlOberflächeInJahr", 2},
        {"ifKoErStraßeUnterbau", 80},
        {"ifKoErStraßeOberbau", 40},
        {"ifKoErGrünflächen", 20},
        {"ifKoErWasserleitung", 250},
        {"ifKoErKanalTrennsystem", 500},
        {"ifKoErKanalMischsystem", 400},
        {"ifKoErKanalStrEntwässerung", 300},
        {"ifKoErStraßenbeleuchtung", 100},
        {"ifKoErStromleitung", 100},
        {"ifKoErDatenleitung", 60},
        {"ifKoErGasleitung", 150},
        {"ifKoErNahwärme", 400},
        {"ifKoEhStraße", 1.5},
        {"ifKoEhGrünflächen", 2},
        {"ifKoEhWasserleitung", 2.5},
        {"ifKoEhKanalTrennsystem", 5},
        {"ifKoEhKanalMischsystem", 4},
        {"ifKoEhKanalStrEntwässerung", 3},
        {"ifKoEhStraßenbeleuchtung", 1.5},
        {"ifKoEhStromleitung", 1},
        {"ifKoEhDatenleitung", 0.6},
        {"ifKoEhGasleitung", 1.5},
        {"ifKoEhNahwärme", 4},
        {"auAnteilZuzug", 50},
        {"auHebesatzAufschl", 400},
        {"auAntGemFörderungAufschl", 10},
        {"auEinheitssatzWasser", 7},
        {"auEinheitssatzKanalSchmutz", 15},
        {"auEinheitssatzKanalMisch", 20},
        {"auAntGemFörderungWasser", 0},
        {"auAntGemFörderungKanalSchmutz", 0},
        {"auAntGemFörderungKanalMisch", 0},
        {"gsGebWertEFHg", 150},
        {"gsGebWertEFHk", 150},
        {"gsGebWertRHg", 140},
        {"gsGebWertRHk", 140},
        {"gsGebWertGWB", 120},
        {"gsBodenwert", 10},
        {"gsSteuermesszahlEFHg", 1},
        {"gsSteuermesszahlEFHk", 1},
        {"gsSteuermesszahlRHg", 1},
        {"gsSteuermesszahlRHk", 1},
        {"gsSteuermesszahlGWB", 1.5},
        {"gsHebesatz", 500},
        {"siKoEhKindergarten", 3000},
        {"siKoEhVolksschule", 1200},
        {"siKoEhSonstige", 75},
        {"fiEigAntErKanal", 10},
        {"fiEigAntErWasserleitung", 10},
        {"fiEigAntErKindergarten", 0},
        {"fiEigAntErStromleitung", 20},
        {"fiEigAntErDatenleitung", 0},
        {"fiEigAntErGasleitung", 0},
        {"fiEigAntErNahwärme", 30},
        {"fiEigAntErÖffGut", 25},
        {"fiEigAntEhKanal", 100},
        {"fiEigAntEhWasserleitung", 100},
        {"fiEigAntEhKindergarten", 100},
        {"fiEigAntEhStromleitung", 50},
        {"fiEigAntEhDatenleitung", 100},
        {"fiEigAntEhGasleitung", 0},
        {"fiEigAntEhNahwärme", 100},
        {"fiEigAntEhÖffGut", 100},
        {"fiZinsenSoll", 3.5},
        {"fiZinsenHaben", 1},
    };
}

void insertBuilding(TestDb& db, int projectId, const QString& type, const QString& bauklasse, int anteil) {
    db.insertRow("Bebauung",
                 {{"TAVO", projectId}, {"bbTyp", type}, {"bbBauklasse", bauklasse}, {"bbAnteil", anteil}});
}

void insertSettlement(TestDb& db, int projectId, int jahr, const QVariantMap& percent) {
    QVariantMap row = percent;
    row.insert("TAVO", projectId);
    row.insert("Jahr", jahr);
    db.insertRow("Besiedelung", row);
}

int insertRealisticProject(TestDb& db, int pg) {
    const int id = db.insertProject(realisticProject(pg));
    insertBuilding(db, id, "EFHg", "II", 30);
    insertBuilding(db, id, "EFHk", "I", 15);
    insertBuilding(db, id, "RHg", "III", 15);
    insertBuilding(db, id, "RHk", "II", 10);
    insertBuilding(db, id, "GWB", "IV", 30);
    // The pace "mit Mobilisierung" of the reference data.
    const double house[] = {10, 20, 20, 15, 12, 10, 8, 5};
    const double row[] = {0, 25, 25, 20, 15, 10, 5};
    const double gwb[] = {0, 40, 30, 30};
    for (int year = 1; year <= 20; ++year) {
        const double h = year <= 8 ? house[year - 1] : 0;
        const double r = year <= 7 ? row[year - 1] : 0;
        const double g = year <= 4 ? gwb[year - 1] : 0;
        insertSettlement(db, id, year, {{"EFHg", h}, {"EFHk", h}, {"RHg", r}, {"RHk", r}, {"GWB", g}});
    }
    db.insertRow("Sonderausgaben", {{"TAVO", id},
                                    {"Jahr", 2},
                                    {"Typ", "soz. Infrastruktur Errichtung"},
                                    {"Bezeichnung", "Kindergartenzubau"},
                                    {"Kostenträger", "Gemeinde"},
                                    {"Ausgabe", 250000}});
    db.insertRow("Sonderausgaben", {{"TAVO", id},
                                    {"Jahr", 6},
                                    {"Typ", "Sonstiges"},
                                    {"Bezeichnung", "Spielplatz"},
                                    {"Kostenträger", "Gemeinde"},
                                    {"Ausgabe", 40000}});
    return id;
}

double ledgerSum(TestDb& db, int projectId, const QString& column, const QString& bezeichnung, int jahr,
                 const QString& bearer) {
    QString sql =
        QStringLiteral("SELECT Total(%1) FROM Auswertung WHERE TAVO = ? AND Bezeichnung = ?").arg(column);
    QVariantList params{projectId, bezeichnung};
    if (jahr > -1000) {
        sql += " AND Jahr = ?";
        params << jahr;
    }
    if (!bearer.isEmpty()) {
        sql += " AND Kostenträger = ?";
        params << bearer;
    }
    return Sql::scalar(db.user(), sql, params).toDouble();
}

int ledgerCount(TestDb& db, int projectId, const QString& bezeichnung, int jahr) {
    QString sql = QStringLiteral("SELECT count(*) FROM Auswertung WHERE TAVO = ? AND Bezeichnung = ?");
    QVariantList params{projectId, bezeichnung};
    if (jahr > -1000) {
        sql += " AND Jahr = ?";
        params << jahr;
    }
    return Sql::scalar(db.user(), sql, params).toInt();
}

int ledgerRows(TestDb& db, int projectId) {
    return Sql::scalar(db.user(), "SELECT count(*) FROM \"Auswertung\" WHERE \"TAVO\" = ?", {projectId})
        .toInt();
}

EngineRun::EngineRun(TestDb& db, int projectId)
    : input(EngineInput::load(db.dbs(), projectId)), context(input) {}

namespace {

// The ledger rows with the designation, in one year (jahr > -1000) or in all.
QList<const LedgerEntry*> rowsOf(const EngineResult& result, const QString& bezeichnung, int jahr) {
    QList<const LedgerEntry*> rows;
    for (const LedgerEntry& row : result.ledger)
        if (row.bezeichnung == bezeichnung && (jahr <= -1000 || row.jahr == jahr))
            rows << &row;
    return rows;
}

} // namespace

double ledgerSum(const EngineResult& result, const QString& column, const QString& bezeichnung, int jahr,
                 const QString& bearer) {
    const bool revenue = column == QLatin1String("Einnahme");
    Q_ASSERT(revenue || column == QLatin1String("Ausgabe"));
    double sum = 0.0;
    for (const LedgerEntry* row : rowsOf(result, bezeichnung, jahr))
        if (bearer.isEmpty() || row->kostentraeger == bearer)
            sum += revenue ? row->einnahme : row->ausgabe;
    return sum;
}

int ledgerCount(const EngineResult& result, const QString& bezeichnung, int jahr) {
    return static_cast<int>(rowsOf(result, bezeichnung, jahr).size());
}

QList<int> ledgerYears(const EngineResult& result, const QString& bezeichnung) {
    QList<int> years;
    for (const LedgerEntry* row : rowsOf(result, bezeichnung, -1000))
        if (!years.contains(row->jahr))
            years << row->jahr;
    std::sort(years.begin(), years.end());
    return years;
}

void setTypeShares(TestDb& db, const QString& typ, const QVariantList& shares) {
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, "DELETE FROM Auswertung_Typen WHERE Typ = ?", {typ});
    QVariantList params{typ};
    params << shares;
    Sql::exec(
        master,
        "INSERT INTO Auswertung_Typen (Typ, Anteil_Gemeinde, Anteil_Abwasserverband, Anteil_Wasserverband, "
        "Anteil_Energieversorger, Anteil_Land) VALUES (?, ?, ?, ?, ?, ?)",
        params);
    db.reopen();
}

void setMunicipalityValue(TestDb& db, const QString& table, int pg, int jahr, double value) {
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, QStringLiteral("INSERT OR IGNORE INTO %1 (PG) VALUES (?)").arg(Sql::quoted(table)),
              {pg});
    Sql::exec(master,
              QStringLiteral("UPDATE %1 SET Jahr%2 = ? WHERE PG = ?").arg(Sql::quoted(table)).arg(jahr),
              {value, pg});
}

bool near(double actual, double expected) {
    const double tolerance = std::max(1e-9, std::fabs(expected) * 1e-6);
    return std::fabs(actual - expected) <= tolerance;
}

} // namespace EngineFixture

} // namespace tavo
