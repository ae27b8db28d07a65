#include "core/engine/Calculation.h"

#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

void runSteps(EngineContext& ctx) {
    Steps::populationAndDwellingUnits(ctx);
    Steps::publicProperty(ctx);
    Steps::sewerAndWater(ctx);
    Steps::developmentLevy(ctx);
    Steps::otherUtilityLines(ctx);
    Steps::propertyTax(ctx);
    Steps::fiscalEqualisation(ctx);
    Steps::socialInfrastructure(ctx);
    Steps::landDeal(ctx);
    Steps::interest(ctx);
    Steps::specialExpenditures(ctx);
}

// The largest amount of the run, for the message when the amounts leave the range of a double.
struct LargestBooking {
    double amount = -1.0;
    QString bezeichnung;
    QString typ;
    int jahr = 0;

    void consider(double value, const QString& name, const QString& type, int year) {
        if (std::fabs(value) > amount)
            *this = {std::fabs(value), name, type, year};
    }
};

// Every booking on its own is a finite number; their sums (in the views, key figures and reports)
// must be too. A run whose amounts or population would add up beyond the range of a double stops
// here, naming the booking that drives it, instead of handing on inf or NaN.
void requireFiniteResult(const EngineResult& result) {
    double total = 0.0;
    LargestBooking largest;
    for (const LedgerEntry& row : result.ledger) {
        total += std::fabs(row.ausgabe) + std::fabs(row.einnahme);
        largest.consider(row.ausgabe + row.einnahme, row.bezeichnung, row.typ, row.jahr);
    }
    for (const SpecialEntry& row : result.special) {
        total += std::fabs(row.ausgabe);
        largest.consider(row.ausgabe, row.stored.bezeichnung.toString(), row.stored.typ.toString(), row.jahr);
    }
    if (!std::isfinite(total))
        throw TavoError(
            QStringLiteral("Die Beträge von Projekt %1 übersteigen zusammen den Zahlenbereich: die "
                           "größte Buchung ist „%2“ (%3, Jahr %4) mit %5 €. Bitte die Eingaben "
                           "dieser Buchung prüfen, etwa eine verschwindend kleine Fläche.")
                .arg(result.projectId)
                .arg(NumberFormat::excerpt(largest.bezeichnung), largest.typ)
                .arg(largest.jahr)
                .arg(NumberFormat::general(largest.amount)));
    double people = 0.0;
    for (const auto& year : result.units)
        for (double units : year)
            people += std::fabs(units);
    for (const auto& age : result.inhabitants)
        for (double inhabitants : age)
            people += std::fabs(inhabitants);
    if (!std::isfinite(people))
        throw TavoError(QStringLiteral("Die Wohneinheiten und Bewohner von Projekt %1 sind keine endlichen "
                                       "Zahlen. Bitte Flächen, Bebauung und Besiedelung prüfen, etwa eine "
                                       "verschwindend kleine Grundstücksgröße oder Wohnnutzfläche.")
                            .arg(result.projectId));
}

} // namespace

EngineResult calculate(const EngineInput& input) {
    EngineContext ctx(input);
    runSteps(ctx);
    EngineResult result = ctx.takeResult();
    requireFiniteResult(result);
    return result;
}

} // namespace tavo
