// Interest and special expenditures: the last two steps of a run. Interest is charged on each
// evaluation type's balance up to the previous year, taken over every row the run has booked so
// far: own-funds rows count as revenue, and every interest row carries an own-funds row of its own,
// so interest is simple, not compound. The special expenditures come afterwards and bear no interest.
// Each balance is the database's sum over the ledger rows written so far.

#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

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
    ctx.flushLedger();
    QSqlQuery rows = Sql::exec(ctx.user(),
                               QStringLiteral("SELECT Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe FROM "
                                              "Sonderausgaben WHERE TAVO = ? ORDER BY ID"),
                               {ctx.ProjectId});
    QSqlQuery insert(ctx.user());
    Sql::prepare(
        insert, QStringLiteral("INSERT INTO Auswertung (TAVO, Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe) "
                               "VALUES (?, ?, ?, ?, ?, ?)"));
    while (rows.next()) {
        if (std::trunc(NumberFormat::toDouble(rows.value(0))) > Engine::PlanningYears)
            continue;
        const double amount = NumberFormat::toDouble(rows.value(4));
        if (!std::isfinite(amount))
            throw TavoError(
                QStringLiteral("Ungültiger Betrag der Sonderausgabe „%1“ im Jahr %2: keine endliche Zahl.")
                    .arg(rows.value(2).toString(), rows.value(0).toString()));
        insert.bindValue(0, ctx.ProjectId);
        for (int column = 0; column < 4; ++column)
            insert.bindValue(column + 1, rows.value(column));
        // An empty amount is booked as 0, the ledger's default, so that every sum over it stays defined.
        insert.bindValue(5, amount);
        Sql::execPrepared(insert);
    }
}

} // namespace Steps
