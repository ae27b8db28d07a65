#pragma once

#include <array>
#include <map>
#include <vector>

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tavo {

class Databases;

namespace Engine {

// A run covers the project years 1 to PlanningYears.
constexpr int PlanningYears = 20;

// The oldest age of the population tables; ages run from 0 to it.
constexpr int OldestAge = 95;

// Designation of the temporary own-funds counter-rows that bookAmount writes.
inline QString ownFundsLabel() {
    return QStringLiteral("Eigenmittel");
}

using YearValues = std::array<double, PlanningYears + 1>; // index 1..PlanningYears, 0 unused

} // namespace Engine

// One row of the project's building mix, in ascending ID order.
struct BuildingRow {
    QString bbTyp;
    QString bbBauklasse;
    double bbAnteil = 0; // percent, decimals allowed
};

// One row of the project's settlement pace: the project year and the raw percentages per type.
struct SettlementRow {
    int jahr = 0;
    QHash<QString, QVariant> percent; // keyed by building-type code
};

// One special expenditure of the project as it is stored; copied into the ledger unchanged.
struct SpecialExpenditureRow {
    QVariant jahr;
    QVariant typ;
    QVariant bezeichnung;
    QVariant kostentraeger;
    QVariant ausgabe;
};

// The inputs of the project record, read once: every column by name, as a number where it is one.
// A value that is no number, or no finite number, is only refused when a step reads it, so that a
// run fails with the same message at the same point as when the field is read from the record.
class ProjectInputs {
public:
    void append(const QString& name, const QVariant& raw, int projectId);

    // Position of a field; -1 when the record has none of that name (exact name first, then ignoring
    // case, as the database matches column names).
    int indexOf(const QString& name) const;

    // The field's value as a float; NULL and empty read 0. Throws TavoError for an unknown name and a
    // value that is no finite number.
    double value(const QString& name) const;

    // The stored value of a field as it was read; null for an unknown name.
    QVariant raw(const QString& name) const;

    // Replaces the value of an existing field (a scenario's changed input); throws for an unknown name.
    void setValue(const QString& name, double value);

    int size() const { return static_cast<int>(m_names.size()); }

private:
    enum class State : unsigned char { Number, NotANumber, NotFinite };

    QStringList m_names;
    QHash<QString, int> m_index;
    std::vector<QVariant> m_raw;
    std::vector<double> m_number;
    std::vector<State> m_state;
    int m_projectId = 0;
};

// A per-municipality table of the reference data with one column per project year: the row of the
// project's municipality. Values that are no finite number keep their error for the moment they are read.
struct MunicipalityYearTable {
    bool present = false;
    std::array<bool, Engine::PlanningYears + 1> hasColumn{};
    Engine::YearValues values{};
    std::array<QString, Engine::PlanningYears + 1> error; // empty: the value is a finite number
};

// The municipality's population forecast: one row per age, in ascending order.
struct MunicipalityAgeRow {
    int age = 0;
    Engine::YearValues values{};
};

// Inhabitants per occupied dwelling unit of one building type, by age (ascending) and project year.
struct PerUnitInhabitants {
    struct AgeRow {
        int age = 0;
        Engine::YearValues perYear{};
    };
    std::array<bool, Engine::PlanningYears + 1> hasYear{};
    std::vector<AgeRow> rows;
    QString error; // set when the table holds a value that is no finite number
};

// Share of each cost bearer in one evaluation type, in the table's column order.
struct CostBearerShare {
    QString bearer;
    double share = 0.0;
};

struct EvaluationTypeTable {
    QStringList order; // every Typ in the table's row order
    std::map<QString, std::vector<CostBearerShare>> shares;
    QString error; // set when a share is no number: every booking then fails with it
};

// Everything a calculation reads, taken from the two databases once: the project record, its detail
// rows and the reference data of its municipality. A run over it touches no database, so it can be
// repeated with changed inputs (scenarios) and run on several threads at once.
struct EngineInput {
    int projectId = 0;
    ProjectInputs project;
    std::vector<BuildingRow> buildings;
    std::vector<SettlementRow> settlements;
    std::vector<SpecialExpenditureRow> specialExpenditures;

    EvaluationTypeTable types;
    int pg = 0;
    QString pgError; // set when the project's PG is no usable integer
    std::map<QString, MunicipalityYearTable> municipalityTables;
    std::vector<MunicipalityAgeRow> municipalityPopulation;
    QString municipalityPopulationError;
    std::map<QString, PerUnitInhabitants> perUnit; // keyed by the building types of the project

    // Reads the inputs of project projectId. Throws TavoError when the project does not exist, for a
    // detail row whose integer column is no integer, and with the driver's text on a database error.
    static EngineInput load(const Databases& dbs, int projectId);

    // The same from rows the caller has read already: the project record (every column), its Bebauung
    // (bbTyp, bbBauklasse, bbAnteil), Besiedelung (Jahr, EFHg, EFHk, RHg, RHk, GWB) and Sonderausgaben
    // rows (Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe), each in ascending ID order; only the
    // reference data is read. A calculation run reads the rows once for its input check and for this.
    static EngineInput fromRows(const QSqlDatabase& master, int projectId, const QSqlRecord& project,
                                const QList<QSqlRecord>& buildings, const QList<QSqlRecord>& settlements,
                                const QList<QSqlRecord>& specials);

    // The per-municipality year tables the steps read.
    static const QStringList& municipalityTableNames();
};

} // namespace tavo
