// Sewer and water: construction of the sewer network and the water mains in year 1, then the
// connection fees of the dwellings first occupied in each project year.

#include <algorithm>

#include "core/engine/BookingItems.h"
#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const BookingItem kConstruction[] = {
    {"Errichtung Kanal Trennsystem", "Kanal", "ifLfmKanalTrennsystem", "ifKoErKanalTrennsystem",
     "fiEigAntErKanal", 1, 1},
    {"Errichtung Anschlusskanal Trennsystem", "Kanal", "ifLfmAnschlKanalTrennsystem",
     "ifKoErKanalTrennsystem", "fiEigAntErKanal", 1, 1},
    {"Errichtung Kanal Mischsystem", "Kanal", "ifLfmKanalMischsystem", "ifKoErKanalMischsystem",
     "fiEigAntErKanal", 1, 1},
    {"Errichtung Anschlusskanal Mischsystem", "Kanal", "ifLfmAnschlKanalMischsystem",
     "ifKoErKanalMischsystem", "fiEigAntErKanal", 1, 1},
    {"Errichtung Zusatzkanal Straßenentwässerung", "Kanal", "ifLfmKanalStrEntwässerung",
     "ifKoErKanalStrEntwässerung", "fiEigAntErKanal", 1, 1},
    {"Errichtung Anschlusskanal Straßenentwässerung", "Kanal", "ifLfmAnschlKanalStrEntwässerung",
     "ifKoErKanalStrEntwässerung", "fiEigAntErKanal", 1, 1},
    {"Errichtung Wasserleitung", "Wasser", "ifLfmWasserleitung", "ifKoErWasserleitung",
     "fiEigAntErWasserleitung", 1, 1},
    {"Errichtung Anschlusswasserleitung", "Wasser", "ifLfmAnschlWasserleitung", "ifKoErWasserleitung",
     "fiEigAntErWasserleitung", 1, 1},
};

// Maximum unbuilt area that counts towards the assessment area.
constexpr double kUnbuiltCap = 500;

// Assessment area of one building row in one year: half the built-over area times the storey count
// plus one, plus 15 percent of the (capped) unbuilt area, scaled to the dwellings first occupied.
double assessmentArea(const EngineContext& ctx, const BuildingRow& row, int year) {
    const QString& type = row.bbTyp;
    const int storeys = BuildingTypes::storeyCount(row.bbBauklasse);
    const double settled = BuildingTypes::settlementShare(ctx, year, type);
    const double netLand = ctx.projectField(QStringLiteral("bgFlBaulandNetto"));
    double floor = 0;
    double unbuilt = 0;
    double scale = 0;
    if (type != QLatin1String("GWB")) {
        floor = BuildingTypes::usableArea(ctx, type, true);
        const double plot = BuildingTypes::plotArea(ctx, type);
        const double plots =
            BuildingTypes::divideByField(netLand, plot, BuildingTypes::plotAreaField(type), type);
        unbuilt = std::min(plot - floor / storeys, kUnbuiltCap);
        floor = floor * plots;
        unbuilt = unbuilt * plots;
        scale = row.bbAnteil / 100.0;
    } else {
        const double land = netLand * row.bbAnteil / 100;
        floor = BuildingTypes::gwbFloorArea(ctx, land);
        unbuilt = std::min(land - floor / storeys, kUnbuiltCap);
        scale = 1;
    }
    scale = scale * settled;
    return (floor / 2 / storeys * (storeys + 1) + unbuilt / 100 * 15) * scale;
}

void connectionFees(EngineContext& ctx) {
    for (int year = 1; year <= PlanningYears; ++year) {
        double sewer = 0;
        double water = 0;
        for (const BuildingRow& row : ctx.buildingRows()) {
            const double area = assessmentArea(ctx, row, year);
            // The project's separate-system main decides the rate for every building.
            const double sewerRate = ctx.projectField(QStringLiteral("ifLfmKanalTrennsystem")) > 0
                                         ? ctx.projectField(QStringLiteral("auEinheitssatzKanalSchmutz"))
                                         : ctx.projectField(QStringLiteral("auEinheitssatzKanalMisch"));
            sewer = sewer + area * sewerRate;
            water = water + area * ctx.projectField(QStringLiteral("auEinheitssatzWasser"));
        }
        ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("Kanal"), QStringLiteral("Anschlussgebühr Kanal"),
                       true, sewer, 0);
        ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("Wasser"),
                       QStringLiteral("Anschlussgebühr Wasser"), true, water, 0);
    }
}

} // namespace

namespace Steps {

void sewerAndWater(EngineContext& ctx) {
    bookItems(ctx, kConstruction);
    connectionFees(ctx);
}

} // namespace Steps

} // namespace tavo
