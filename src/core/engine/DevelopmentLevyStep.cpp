// Development levy ("Aufschließungsabgabe"): per year and building row, the levy of the plots first
// occupied as revenue and the municipal subsidy as expenditure.

#include <cmath>

#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const QString kTyp = QStringLiteral("öffentliches Gut");

// Plot length of a building row: every plot is charged for the side of a square of its area.
double plotLength(const EngineContext& ctx, const QString& type, double sharePercent) {
    const double plot = BuildingTypes::plotArea(ctx, type);
    const double plots = BuildingTypes::divideByField(ctx.projectField(QStringLiteral("bgFlBaulandNetto")),
                                                      plot, BuildingTypes::plotAreaField(type), type) *
                         sharePercent / 100;
    return std::sqrt(plot) * plots;
}

// The effective levy rate of a building class.
double levyRate(const EngineContext& ctx, const QString& bauklasse) {
    return ctx.projectField(QStringLiteral("auHebesatzAufschl")) * BuildingTypes::levyClassFactor(bauklasse);
}

} // namespace

namespace Steps {

void developmentLevy(EngineContext& ctx) {
    for (int year = 1; year <= PlanningYears; ++year) {
        for (const BuildingRow& row : ctx.buildingRows()) {
            const double length = BuildingTypes::settlementShare(ctx, year, row.bbTyp) *
                                  plotLength(ctx, row.bbTyp, row.bbAnteil);
            const double levy = levyRate(ctx, row.bbBauklasse) * length;
            ctx.bookAmount(ctx.ProjectId, year, kTyp, QStringLiteral("Aufschließungsabgabe ") + row.bbTyp,
                           true, levy, 0);
            ctx.bookAmount(ctx.ProjectId, year, kTyp,
                           QStringLiteral("Ermäßigung Aufschließungsabgabe ") + row.bbTyp, false,
                           ctx.projectField(QStringLiteral("auAntGemFörderungAufschl")) * levy / 100, 0);
        }
    }
}

} // namespace Steps

} // namespace tavo
