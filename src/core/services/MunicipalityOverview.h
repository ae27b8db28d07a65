#pragma once

#include <optional>

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include "core/projects/CalculationState.h"
#include "core/results/ExportTable.h"
#include "core/results/KeyFigures.h"

namespace tavo {

// What all building areas of one municipality add up to in calendar years. Variants of one area
// (projects with the same "Projekt") are never added up: one variant per project group is taken.
// Each chosen project's ledger (project years 1..20) is shifted to calendar years, project year 1
// falling on its start year (by default the year after its reference year, so that a project year j
// is Bezugsjahr + j), and the balances are summed per calendar year.
namespace MunicipalityOverview {

// A calculated project of the municipality that can stand for its group.
struct Variant {
    int projectId = 0;
    QString beschreibung;
    int defaultStartYear = 0; // Bezugsjahr + 1
    CalculationState::State state = CalculationState::State::Current;
};

// The variants of one project group; a project without a group name forms a group of its own.
struct Group {
    QString projekt;         // the group's name, empty for a project without one
    QList<Variant> variants; // most recently calculated first: the default choice
};

// The calculated project groups of municipality pg, ordered by the smallest project ID in each.
QList<Group> groups(const QSqlDatabase& userDb, int pg);

// The planner's choice for one group: which variant, starting in which calendar year.
struct Choice {
    int projectId = 0;
    int startYear = 0; // 0: the variant's default start year
};

// One chosen project with its balances.
struct ProjectLine {
    int projectId = 0;
    QString projekt;
    QString beschreibung;
    int startYear = 0;
    bool stale = false;                          // inputs changed since its calculation
    KeyFigures::YearValues saldoJeProjektjahr{}; // balance of project years 1..20
};

struct Overview {
    int pg = 0;
    QString pgName;
    QString costBearer; // empty: all cost bearers together
    int firstYear = 0;  // calendar years covered, firstYear..lastYear; 0 when no project
    int lastYear = 0;
    QList<ProjectLine> projects; // one per group, in group order
    QVector<double> saldoJeJahr; // per calendar year firstYear..lastYear, summed over projects
    QVector<double> kumuliert;   // running sum of saldoJeJahr
    double saldo = 0.0;          // sum over all years
    int tiefpunktJahr = 0;       // calendar year of the smallest cumulative balance (first on ties)
    double tiefpunkt = 0.0;
    std::optional<int> amortisationsjahr; // first calendar year from which kumuliert stays >= 0

    // The balance of project p (index into projects) in calendar year `year`; 0 outside its years.
    double projectSaldo(int p, int year) const;
};

// The overview of municipality pg for one cost bearer (empty: all together). choices override the
// default of their group (most recently calculated variant, default start year); every other group
// takes its default. Throws TavoError when a chosen project is not a calculated project of pg, when
// two choices name one group, or on a database error. Read in one read transaction.
Overview compute(const QSqlDatabase& userDb, int pg, const QList<Choice>& choices, const QString& costBearer);

// The sums of an overview from its project lines (firstYear, lastYear and the totals).
void summarise(Overview& overview);

// The name a project goes by in the tables and the chart: "Projekt N" and its group or description.
QString projectLabel(const ProjectLine& line);

// The overview as a table "Gemeindeübersicht": "Jahr", one balance column per project (projectLabel),
// "Saldo" and "Saldo kumuliert", one row per calendar year; the project and balance columns totalled.
ExportTable table(const Overview& overview);

} // namespace MunicipalityOverview

} // namespace tavo
