#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

class Databases;
struct StoredInputs;

// The plausibility check run before a calculation: inputs that the calculation accepts but that
// make its result meaningless. The caller shows the warnings and lets the user decide; nothing here
// refuses a run.
namespace Plausibility {

// One German warning per finding for project projectId, in this order: building mix not adding up
// to 100 %; settlement values outside 0 to 100 % and settlement columns of the types in the mix adding
// up to more than 100 % (less is no finding: not everything is built within 20 years); a gross building land
// that is empty, zero or negative; a municipality number without a row in PG; special expenditures outside
// the years 1 to 20 or negative; inputs below 0 or above ten times the largest entry of their value list.
// Empty when nothing is found. Stored text that is no number is left to the calculation, which names it.
// Throws TavoError on a database error.
QStringList warnings(const Databases& dbs, int projectId);

// The same over inputs read before (the input check reads them once for all its findings).
QStringList warnings(const QSqlDatabase& master, const StoredInputs& inputs);

// A German sentence saying how much of every type of the building mix is not yet built by year 20
// (100 % less its settlement over the years 1 to 20); empty when every type reaches 100 %. Throws
// TavoError on a database error.
QString unbuiltNote(const QSqlDatabase& user, int projectId);

} // namespace Plausibility

} // namespace tavo
