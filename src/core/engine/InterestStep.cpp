// Interest and special expenditures: the last two steps of a run. Interest is charged on each
// evaluation type's balance up to the previous year, taken over every row the run has booked so
// far: own-funds rows count as revenue, and every interest row carries an own-funds row of its own,
// so interest is simple, not compound. The special expenditures come afterwards and bear no interest.

#include <algorithm>
#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace Steps {

void interest(EngineContext& ctx) {
    const QStringList types = ctx.evaluationTypes();
    for (int year = 1; year <= Engine::PlanningYears - 1; ++year) {
        for (const QString& typ : types) {
            const double balance = ctx.balance(typ, year);
            double rate = 0;
            if (balance < 0)
                rate = ctx.projectField(QStringLiteral("fiZinsenSoll"));
            else if (balance > 0)
                rate = ctx.projectField(QStringLiteral("fiZinsenHaben"));
            ctx.bookAmount(ctx.ProjectId, year + 1, typ, QStringLiteral("Zinsen Vorjahr"), balance > 0,
                           std::fabs(balance * rate / 100), 100);
        }
    }
}

void specialExpenditures(EngineContext& ctx) {
    const QString owner = QStringLiteral("Projekt %1").arg(ctx.ProjectId);
    for (const SpecialExpenditureRow& row : ctx.input().specialExpenditures) {
        const double year =
            NumberFormat::storedNumberOrThrow(row.jahr, QStringLiteral("Sonderausgaben.Jahr"), owner);
        if (std::trunc(year) > Engine::PlanningYears)
            continue;
        const double amount =
            NumberFormat::storedNumberOrThrow(row.ausgabe, QStringLiteral("Sonderausgaben.Ausgabe"), owner);
        if (!std::isfinite(amount))
            throw TavoError(
                QStringLiteral("Ungültiger Betrag der Sonderausgabe „%1“ im Jahr %2: keine endliche Zahl.")
                    .arg(row.bezeichnung.toString(), row.jahr.toString()));
        // An empty amount is booked as 0, the ledger's default, so that every sum over it stays defined.
        // The year as a number only serves sums over years 1 to 20; a year beyond int is far outside.
        const int jahr = static_cast<int>(std::max(std::trunc(year), -2147483648.0));
        ctx.result().special.push_back({row, jahr, amount});
    }
}

} // namespace Steps

} // namespace tavo
