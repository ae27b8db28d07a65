#pragma once

#include <QSqlDatabase>

#include "core/engine/EngineResult.h"

namespace tavo {

// Writes what a calculation run produced into the user database, in the caller's transaction.
namespace ResultWriter {

// The municipality's forecast (gBvB), the project's inhabitants (bBvB, every age of every year), its
// dwelling units (bWvB) and its ledger (Auswertung): the booked rows in booking order, then the special
// expenditures. The previous results must have been deleted.
void write(const QSqlDatabase& user, const EngineResult& result);

} // namespace ResultWriter

} // namespace tavo
