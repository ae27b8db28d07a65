#pragma once

#include <QString>

namespace tavo {

class Databases;

// The input check of a project (InputCheck) as tavo-cli reports it before a command calculates or
// shows anything of the project: each warning on stderr as "Warnung: …" (after prefix, which names
// the project when a command handles several), the run goes on; refusals stop it with exit 1.

// Prints the warnings and throws TavoError with the refusals, one per line, when there are any.
void requireCheckedInputs(const Databases& dbs, int projectId, const QString& prefix = QString());

// The same for a command that ends itself: refusals are printed on stderr too, and false tells the
// command to end with exit 1.
bool printCheckedInputs(const Databases& dbs, int projectId, const QString& prefix = QString());

} // namespace tavo
