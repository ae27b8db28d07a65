#pragma once

#include <optional>

#include <QSqlDatabase>
#include <QString>

#include "core/engine/SchoolCapacity.h"

namespace tavo {

struct EngineInput;
struct EngineResult;

// The capacity of kindergarten and primary school of a calculated project, where the project states
// it: the children per year with and without the project, the first year the existing places do not
// suffice and the further groups (classes) needed each year. Shared by the population page, the key
// figures, the report and `tavo-cli kennzahlen`.
struct CapacityFigures {
    SchoolCapacity::Inputs kindergartenInputs;
    SchoolCapacity::Inputs volksschuleInputs;
    SchoolCapacity::Outcome kindergarten;
    SchoolCapacity::Outcome volksschule;

    bool any() const { return kindergarten.active || volksschule.active; }
};

// Further groups the project's own children need at most over the 20 years.
int mostProjectGroups(const SchoolCapacity::Outcome& outcome);

// From the written results: the project's inhabitants (bBvB) and its municipality's forecast (gBvB) of
// the institution's ages, with the capacity inputs of the project record as they are now. Throws
// TavoError for a missing project and with the driver's text on a database error.
CapacityFigures computeCapacityFigures(const QSqlDatabase& userDb, int projectId);

// The same within a read transaction the caller holds.
CapacityFigures readCapacityFigures(const QSqlDatabase& userDb, int projectId);

// The same from a calculation in memory.
CapacityFigures capacityFigures(const EngineInput& input, const EngineResult& result);

// One line per stated institution for the texts of the program, for example "Kindergarten: 100 Plätze,
// überschritten ab Jahr 4; bis zu 2 weitere Gruppen durch das Projekt"; empty when none is stated.
QStringList capacitySummary(const CapacityFigures& figures);

} // namespace tavo
