// Development levy ("Aufschließungsabgabe"): per year and building row, the levy of the plots first
// occupied as revenue and the municipal subsidy as expenditure.

#include <cmath>

#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace {

using Engine::PlanningYears;

const QString kTyp = QStringLiteral("öffentliches Gut");

// Plot length of a building row: every plot is charged for the side of a square of its area.
double plotLength(const EngineContext& ctx, const QString& type, int sharePercent) {
    const double plot = BuildingTypes::PlotArea(ctx, type);
    const double plots = BuildingTypes::divideByField(ctx.ProjectField(QStringLiteral("bgFlBaulandNetto")),
                                                      plot, BuildingTypes::plotAreaField(type), type) *
                         sharePercent / 100;
    return std::sqrt(plot) * plots;
}

// The effective levy rate of a building class.
double levyRate(const EngineContext& ctx, const QString& bauklasse) {
    return ctx.ProjectField(QStringLiteral("auHebesatzAufschl")) * BuildingTypes::levyClassFactor(bauklasse);
}

} // namespace

namespace Steps {

void developmentLevy(EngineContext& ctx) {
    for (int year = 1; year <= PlanningYears; ++year) {
        for (const BuildingRow& row : ctx.buildingRows()) {
            const double length = BuildingTypes::SettlementShare(ctx, year, row.bbTyp) *
                                  plotLength(ctx, row.bbTyp, row.bbAnteil);
            const double levy = levyRate(ctx, row.bbBauklasse) * length;
            ctx.BookAmount(ctx.ProjectId, year, kTyp, QStringLiteral("Aufschließungsabgabe ") + row.bbTyp,
                           true, levy, 0);
            ctx.BookAmount(ctx.ProjectId, year, kTyp,
                           QStringLiteral("Ermäßigung Aufschließungsabgabe ") + row.bbTyp, false,
                           ctx.ProjectField(QStringLiteral("auAntGemFörderungAufschl")) * levy / 100, 0);
        }
    }
}

} // namespace Steps
