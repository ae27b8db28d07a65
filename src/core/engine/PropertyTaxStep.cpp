// Property tax ("Grundsteuer"): the running tax of all buildings occupied so far, booked every year,
// and the reduction of the fiscal-equalisation transfers it causes in the following year.

#include "core/data/TavoError.h"
#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

// Assessed value = (building value + land value) × this factor.
constexpr double kAssessedValueFactor = 1.35;
// The reduction of the transfers falls this many years after the tax.
constexpr int kReductionLag = 1;

// A field of the property-tax page whose name ends in the building-type code.
double typeField(const EngineContext& ctx, const QString& prefix, const QString& type) {
    if (!BuildingTypes::isKnownType(type))
        throw TavoError(QStringLiteral("Unbekannter Bebauungstyp: ") + type);
    return ctx.projectField(prefix + type);
}

// Property tax of the buildings of one row first occupied in the year.
double newTax(const EngineContext& ctx, const BuildingRow& row, int year) {
    const QString& type = row.bbTyp;
    const double settled = BuildingTypes::settlementShare(ctx, year, type);
    const double netLand = ctx.projectField(QStringLiteral("bgFlBaulandNetto"));
    double floor = 0;
    double plot = 0;
    double scale = 0;
    if (type != QLatin1String("GWB")) {
        floor = BuildingTypes::usableArea(ctx, type, false);
        plot = BuildingTypes::plotArea(ctx, type);
        const double plots =
            BuildingTypes::divideByField(netLand, plot, BuildingTypes::plotAreaField(type), type);
        floor = floor * plots;
        plot = plot * plots;
        scale = row.bbAnteil / 100.0;
    } else {
        plot = row.bbAnteil * netLand / 100;
        floor = BuildingTypes::gwbFloorArea(ctx, plot);
        scale = 1;
    }
    scale = scale * settled;
    plot = plot * scale;
    floor = floor * scale;
    const double assessed = (typeField(ctx, QStringLiteral("gsGebWert"), type) * floor +
                             ctx.projectField(QStringLiteral("gsBodenwert")) * plot) *
                            kAssessedValueFactor;
    return typeField(ctx, QStringLiteral("gsSteuermesszahl"), type) / 1000 * assessed *
           ctx.projectField(QStringLiteral("gsHebesatz")) / 100;
}

// The reductions of year y caused by the running property tax x of the year before.
void bookReductions(EngineContext& ctx, int year, double tax) {
    const QString typ = QStringLiteral("Finanzausgleich");
    double reduction = ctx.municipalityYearValue(QStringLiteral("FA_Ertragsanteile_Red"), year) * tax / 100;
    const double maxShares = ctx.municipalityYearValue(QStringLiteral("FA_Ertragsanteile_Red_Max"), year);
    if (maxShares < reduction)
        reduction = maxShares;
    ctx.bookAmount(ctx.ProjectId, year, typ, QStringLiteral("Reduktion Ertragsanteile(Grundsteuer)"), false,
                   reduction, 0);
    reduction = tax / 100 * ctx.municipalityYearValue(QStringLiteral("FA_Sekundäre_Transfers_Red"), year);
    const double maxTransfers =
        ctx.municipalityYearValue(QStringLiteral("FA_Sekundäre_Transfers_Red_Max"), year);
    if (maxTransfers < reduction)
        reduction = maxTransfers;
    ctx.bookAmount(ctx.ProjectId, year, typ, QStringLiteral("Reduktion Sekundäre Transfers(Grundsteuer)"),
                   false, reduction, 0);
}

} // namespace

namespace Steps {

void propertyTax(EngineContext& ctx) {
    double running = 0;
    for (int year = 1; year <= PlanningYears; ++year) {
        double added = 0;
        for (const BuildingRow& row : ctx.buildingRows())
            added = added + newTax(ctx, row, year);
        running = running + added;
        ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("öffentliches Gut"), QStringLiteral("Grundsteuer"),
                       true, running, 0);
        if (year + kReductionLag <= PlanningYears)
            bookReductions(ctx, year + kReductionLag, running);
    }
}

} // namespace Steps

} // namespace tavo
