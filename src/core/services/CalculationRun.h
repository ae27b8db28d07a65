#pragma once

#include <functional>

#include <QSqlDatabase>
#include <QStringList>

#include "core/data/TavoError.h"

namespace tavo {

class Databases;

// Calculates project projectId: stamps the reference year, deletes the project's previous results
// (and the municipality's gBvB rows), runs every step in its order and removes the own-funds rows.
// The whole run is one transaction of the user database. An error ends the run, rolls back every
// change it made (previous results and reference year stay) and is passed on as TavoError with its
// German message. An unknown project raises UnknownProject before anything is written. A stop
// requested (Interruption) while the run works rolls it back as well (Interruption::Interrupted).
// The project row and its detail rows are read once, inside the transaction, for the input check and
// the calculation. Without onWarnings the run checks only for refusals; with it, it runs the whole
// input check and hands its warnings (if any) to onWarnings before refusals end the run.
using WarningsHandler = std::function<void(const QStringList& warnings)>;
void runCalculation(const Databases& dbs, int projectId, const WarningsHandler& onWarnings = {});

// The error of a run for a project ID that the user database does not hold.
class UnknownProject : public TavoError {
public:
    using TavoError::TavoError;
};

// On a PostgreSQL server: waits (up to 20 seconds, then TavoError) for the lock on the municipality's
// population rows gBvB and holds it until the transaction ends. Whatever rewrites those rows takes it
// first: a run of any project of the municipality, a copy of one. A file needs no lock: it lets one
// writer in at a time.
void lockMunicipalityRows(const QSqlDatabase& user, int pg);

// The reference year of the reference data: the integer of the first FeldWerte entry (lowest
// Nummer) of table "TAVO", field "Bezugsjahr"; 2012 when there is none.
int referenceYear(const QSqlDatabase& master);

} // namespace tavo
