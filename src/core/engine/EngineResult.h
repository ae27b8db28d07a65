#pragma once

#include <array>
#include <vector>

#include <QString>
#include <QVariant>

#include "core/engine/EngineInput.h"
#include "core/engine/SchoolCapacity.h"

namespace tavo {

// One booked row of the result ledger.
struct LedgerEntry {
    int jahr = 0;
    QString typ;
    QString bezeichnung;
    QString kostentraeger;
    double ausgabe = 0.0;
    double einnahme = 0.0;
    bool ownFunds = false; // an "Eigenmittel" counter-row, removed when the run ends
};

// A special expenditure copied into the ledger: the stored values as they are, and the amount and
// project year as numbers.
struct SpecialEntry {
    SpecialExpenditureRow stored;
    int jahr = 0;
    double ausgabe = 0.0;
};

// What a calculation run produces: the ledger in booking order, the special expenditures after it,
// the dwelling units per year and building type (bWvB), the project's inhabitants per age and year
// (bBvB) and the municipality's forecast by age (gBvB).
struct EngineResult {
    static constexpr int BuildingTypeCount = 5; // EFHg, EFHk, RHg, RHk, GWB

    int projectId = 0;
    int pg = 0;
    std::vector<LedgerEntry> ledger;
    std::vector<SpecialEntry> special;
    std::array<std::array<double, BuildingTypeCount>, Engine::PlanningYears + 1> units{};
    std::array<Engine::YearValues, Engine::OldestAge + 1> inhabitants{};
    std::vector<MunicipalityAgeRow> municipality;
    // Capacity of kindergarten and primary school, where the project states it (not written to a table).
    SchoolCapacity::Outcome kindergarten;
    SchoolCapacity::Outcome volksschule;
};

} // namespace tavo
