#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

namespace tavo {

// Whether the results of a project belong to its current inputs. Every calculation run stores a
// fingerprint of the inputs it calculated (table Berechnungsstand); a later change of the project
// row or of its Bebauung, Besiedelung or Sonderausgaben rows gives another fingerprint. The table
// itself belongs to the user database's schema (UserSchema).
namespace CalculationState {

enum class State {
    NotCalculated, // no result row
    Changed,       // results of other inputs (or of a run that stored no fingerprint)
    Current        // results of the inputs as they are
};

// A SHA-1 over the input columns of the project row (all but its version) and the columns of its
// detail rows (in key order, without their keys), as hex.
QByteArray fingerprint(const QSqlDatabase& userDb, int projectId);

// Stores the fingerprint of the project's current inputs (the end of a calculation run).
void store(const QSqlDatabase& userDb, int projectId);

// Whether the project has any result row (the ledger Auswertung). Throws TavoError on a database error.
bool hasResults(const QSqlDatabase& userDb, int projectId);

// The state of a project's results. Throws TavoError on a database error.
State of(const QSqlDatabase& userDb, int projectId);

// "nicht berechnet", "geändert seit der Berechnung" or "aktuell".
QString text(State state);

} // namespace CalculationState

} // namespace tavo
