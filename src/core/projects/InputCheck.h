#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

namespace tavo {

class Databases;
struct StoredInputs;

// The one check of a project's inputs before anything is calculated from them: the window's
// "Berechnen" and the variant comparison, tavo-cli calc, szenarien, breakeven, kennzahlen and
// bericht. It reads the project row and its detail rows once and sorts what it finds into refusals,
// which stop the run, and warnings, which the planner sees and may calculate despite.
namespace InputCheck {

// The longest description (Beschreibung) and the longest of every other text input: project and
// municipality names, building types and classes, type, designation and cost bearer of a special
// expenditure. The window does not take more; a longer stored text is refused.
constexpr int MaxDescriptionLength = 1000;
constexpr int MaxNameLength = 200;

// The largest magnitude of a numeric input (areas, amounts, rates, shares, lengths): a value beyond
// it is a typing error, and sums over such values could leave the range of a double.
constexpr double MaxMagnitude = 1e12;
// The smallest magnitude of a numeric input other than 0: a vanishing area (1e-320) would make every
// quantity divided by it leave the range of a double.
constexpr double MinMagnitude = 1e-9;

// The maximum length of a text column of the project row or of a detail row.
int maxTextLength(const QString& column);

struct Findings {
    QStringList refusals;
    QStringList warnings;
};

// Checks the stored inputs of project projectId. Refusals, each naming project, field and value
// (at most 80 characters of it): a numeric field of the project row or of a detail row holding text,
// inf, NaN or an out-of-range exponent (empty reads 0), a magnitude above MaxMagnitude or, other than
// 0, below MinMagnitude, a settlement
// year that is empty or no whole number, a text longer than its maximum. Warnings: a stored reference
// year that is no number (the run stamps it anew), a settlement year outside 1 to 20, a building
// class that is no Roman numeral I to X, a special expenditure whose type or cost bearer is not in
// the reference data; then the plausibility warnings (see Plausibility::warnings). Warnings are given
// only when nothing is refused. An unknown project gives no finding (the run reports it). Throws TavoError on
// a database error.
Findings check(const Databases& dbs, int projectId);

// The same over inputs read before (a calculation run reads them once for the check and the engine).
Findings check(const QSqlDatabase& master, const StoredInputs& inputs);

// The refusals alone, without reading the reference data: what every calculation run checks first.
QStringList refusals(const Databases& dbs, int projectId);
QStringList refusals(const StoredInputs& inputs);

// Throws TavoError with the refusals (one per line) when there are any.
void requireNoRefusal(const QStringList& refusals);

} // namespace InputCheck

} // namespace tavo
