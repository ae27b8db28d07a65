#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

class Databases;
class RowWriter;

namespace Engine {

// A run covers the project years 1 to PlanningYears.
constexpr int PlanningYears = 20;

// Designation of the temporary own-funds counter-rows that bookAmount writes.
inline QString ownFundsLabel() {
    return QStringLiteral("Eigenmittel");
}

} // namespace Engine

// One row of the project's building mix, in ascending ID order.
struct BuildingRow {
    QString bbTyp;
    QString bbBauklasse;
    int bbAnteil = 0;
};

// One row of the project's settlement pace: the project year and the raw percentages per type.
struct SettlementRow {
    int jahr = 0;
    QHash<QString, QVariant> percent; // keyed by building-type code
};

// Everything a calculation run shares between its steps: the two connections, the project's ID,
// its record (read once at the start), its detail rows and the reference data read so far.
class EngineContext {
public:
    EngineContext(const Databases& dbs, int projectId);
    ~EngineContext();
    EngineContext(const EngineContext&) = delete;
    EngineContext& operator=(const EngineContext&) = delete;

    QSqlDatabase master() const { return m_master; }
    QSqlDatabase user() const { return m_user; }

    // The project's key, passed by every step as the first argument of bookAmount.
    int ProjectId = 0;

    // One input of the project record as a float; NULL and empty read 0. An unknown name and a
    // value that is no finite number raise TavoError naming the field.
    double projectField(const QString& name) const;

    // The same input read as an integer, truncated toward zero.
    int projectFieldInt(const QString& name) const;

    // Books amount for the year under evaluation type typ, split over the type's cost bearers, with
    // an "Eigenmittel" counter-row of ownSharePercent per booked part.
    void bookAmount(int projectId, int year, const QString& typ, const QString& bezeichnung, bool isRevenue,
                    double amount, double ownSharePercent);

    // Revenue minus expenditure of all rows booked so far in this run under evaluation type typ with
    // a year up to `year`, own-funds rows included: the balance the interest step charges. Writes the
    // collected rows first and sums them in the database.
    double balance(const QString& typ, int year);

    // Writes the ledger rows that bookAmount has collected. Every reader of the ledger calls it first;
    // the run calls it at the end and before it passes on an error, so no booked row is lost.
    void flushLedger();

    // The project's Bebauung and Besiedelung rows in ascending ID order.
    const std::vector<BuildingRow>& buildingRows() const { return m_buildings; }
    const std::vector<SettlementRow>& settlementRows() const { return m_settlements; }

    // Every Typ of Auswertung_Typen in the table's row order.
    QStringList evaluationTypes();

    // The value of column "Jahr<year>" of the municipality's row in a per-municipality year table of
    // the master database; 0 when the municipality has no row there or the value is empty.
    double municipalityYearValue(const QString& table, int year);

private:
    struct CostBearerShare {
        QString bearer;
        double share;
    };
    struct EvaluationTypes {
        QStringList order;
        std::map<QString, std::vector<CostBearerShare>> shares;
    };
    struct YearRow {
        bool present = false;
        QSqlRecord record;
    };

    void loadProjectRecord();
    void loadDetailRows();
    const EvaluationTypes& evaluationTypeTable();
    void insertLedgerRow(int projectId, int year, const QString& typ, const QString& bezeichnung,
                         const QString& bearer, double ausgabe, double einnahme);

    QSqlDatabase m_master;
    QSqlDatabase m_user;
    QSqlRecord m_project;
    QHash<QString, int> m_fieldIndex;
    std::vector<BuildingRow> m_buildings;
    std::vector<SettlementRow> m_settlements;
    std::unique_ptr<EvaluationTypes> m_types;
    std::unique_ptr<RowWriter> m_ledger;
    QHash<QString, YearRow> m_yearTables;
    std::unique_ptr<QSqlQuery> m_balanceQuery;
};
