// Land deal: the municipality buys the gross land of the area and sells the net building land as
// plots. The purchase is booked in its year, the sales as the plots are taken up.

#include <algorithm>

#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/LandDeal.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace LandDeal {

QString purchasePriceField() {
    return QStringLiteral("gvKaufpreisBrutto");
}

QString salePriceField() {
    return QStringLiteral("gvVerkaufspreisNetto");
}

QString purchaseYearField() {
    return QStringLiteral("gvKaufjahr");
}

QString saleYearsField() {
    return QStringLiteral("gvVerkaufsjahre");
}

QString evaluationType() {
    return QStringLiteral("Sonstiges");
}

QString purchaseLabel() {
    return QStringLiteral("Ankauf Bauland");
}

QString saleLabel() {
    return QStringLiteral("Verkauf Bauplätze");
}

int purchaseYear(double storedYear) {
    return storedYear >= 1 ? static_cast<int>(std::min(storedYear, 1e6)) : 1;
}

Engine::YearValues soldShares(const EngineContext& ctx) {
    Engine::YearValues shares{};
    const int start = purchaseYear(ctx.optionalProjectField(purchaseYearField()));
    const double years = ctx.optionalProjectField(saleYearsField());
    if (years >= 1) {
        const int count = static_cast<int>(std::min(years, 1e6));
        for (int year = start; year < start + count && year <= Engine::PlanningYears; ++year)
            shares[year] = 1.0 / count;
        return shares;
    }
    for (int year = 1; year <= Engine::PlanningYears; ++year)
        for (const BuildingRow& row : ctx.buildingRows())
            shares[year] += row.bbAnteil / 100 * BuildingTypes::settlementShare(ctx, year, row.bbTyp);
    return shares;
}

} // namespace LandDeal

namespace Steps {

void landDeal(EngineContext& ctx) {
    const double purchasePrice = ctx.optionalProjectField(LandDeal::purchasePriceField());
    const double salePrice = ctx.optionalProjectField(LandDeal::salePriceField());
    if (purchasePrice == 0 && salePrice == 0)
        return;
    const int year = LandDeal::purchaseYear(ctx.projectField(LandDeal::purchaseYearField()));
    if (year <= Engine::PlanningYears)
        ctx.bookAmount(ctx.ProjectId, year, LandDeal::evaluationType(), LandDeal::purchaseLabel(), false,
                       purchasePrice * ctx.projectField(QStringLiteral("bgFlBaulandBrutto")), 0);
    const Engine::YearValues shares = LandDeal::soldShares(ctx);
    const double netLand = ctx.projectField(QStringLiteral("bgFlBaulandNetto"));
    for (int sale = 1; sale <= Engine::PlanningYears; ++sale)
        ctx.bookAmount(ctx.ProjectId, sale, LandDeal::evaluationType(), LandDeal::saleLabel(), true,
                       salePrice * netLand * shares[sale], 0);
}

} // namespace Steps

} // namespace tavo
