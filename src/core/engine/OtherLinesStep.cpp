// Other utility lines: electricity, data, gas and local heating, construction in year 1 and
// maintenance in the years 2 to 20, all under "sonstige Leitungen".

#include "core/engine/BookingItems.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const BookingItem kConstruction[] = {
    {"Errichtung Stromleitung", "sonstige Leitungen", "ifLfmStromleitung", "ifKoErStromleitung",
     "fiEigAntErStromleitung", 1, 1},
    {"Errichtung Anschlussstromleitung", "sonstige Leitungen", "ifLfmAnschlStromleitung", "ifKoErStromleitung",
     "fiEigAntErStromleitung", 1, 1},
    {"Errichtung Datenleitung", "sonstige Leitungen", "ifLfmDatenleitung", "ifKoErDatenleitung",
     "fiEigAntErDatenleitung", 1, 1},
    {"Errichtung Anschlussdatenleitung", "sonstige Leitungen", "ifLfmAnschlDatenleitung",
     "ifKoErDatenleitung", "fiEigAntErDatenleitung", 1, 1},
    {"Errichtung Gasleitung", "sonstige Leitungen", "ifLfmGasleitung", "ifKoErGasleitung",
     "fiEigAntErGasleitung", 1, 1},
    {"Errichtung Anschlussgasleitung", "sonstige Leitungen", "ifLfmAnschlGasleitung", "ifKoErGasleitung",
     "fiEigAntErGasleitung", 1, 1},
    {"Errichtung Nahwärmeleitung", "sonstige Leitungen", "ifLfmNahwärme", "ifKoErNahwärme",
     "fiEigAntErNahwärme", 1, 1},
    {"Errichtung Anschlussnahwärmeleitung", "sonstige Leitungen", "ifLfmAnschlNahwärme", "ifKoErNahwärme",
     "fiEigAntErNahwärme", 1, 1},
};

// Main line and connection line of each network, in pairs.
const BookingItem kMaintenance[] = {
    {"Erhaltung Stromleitung", "sonstige Leitungen", "ifLfmStromleitung", "ifKoEhStromleitung",
     "fiEigAntEhStromleitung", 2, PlanningYears},
    {"Erhaltung Anschlussstromleitung", "sonstige Leitungen", "ifLfmAnschlStromleitung", "ifKoEhStromleitung",
     "fiEigAntEhStromleitung", 2, PlanningYears},
    {"Erhaltung Datenleitung", "sonstige Leitungen", "ifLfmDatenleitung", "ifKoEhDatenleitung",
     "fiEigAntEhDatenleitung", 2, PlanningYears},
    {"Erhaltung Anschlussdatenleitung", "sonstige Leitungen", "ifLfmAnschlDatenleitung", "ifKoEhDatenleitung",
     "fiEigAntEhDatenleitung", 2, PlanningYears},
    {"Erhaltung Gasleitung", "sonstige Leitungen", "ifLfmGasleitung", "ifKoEhGasleitung",
     "fiEigAntEhGasleitung", 2, PlanningYears},
    {"Erhaltung Anschlussgasleitung", "sonstige Leitungen", "ifLfmAnschlGasleitung", "ifKoEhGasleitung",
     "fiEigAntEhGasleitung", 2, PlanningYears},
    {"Erhaltung Nahwärmeleitung", "sonstige Leitungen", "ifLfmNahwärme", "ifKoEhNahwärme",
     "fiEigAntEhNahwärme", 2, PlanningYears},
    {"Erhaltung AnschlussNahwärmeleitung", "sonstige Leitungen", "ifLfmAnschlNahwärme", "ifKoEhNahwärme",
     "fiEigAntEhNahwärme", 2, PlanningYears},
};

// Maintenance network by network: each year the main line, then the connection line.
void maintenance(EngineContext& ctx) {
    constexpr int items = sizeof(kMaintenance) / sizeof(kMaintenance[0]);
    for (int pair = 0; pair < items; pair += 2) {
        const BookingItem& main = kMaintenance[pair];
        const BookingItem& connection = kMaintenance[pair + 1];
        for (int year = main.firstYear; year <= main.lastYear; ++year) {
            bookItemYear(ctx, main, year);
            bookItemYear(ctx, connection, year);
        }
    }
}

} // namespace

namespace Steps {

void otherUtilityLines(EngineContext& ctx) {
    bookItems(ctx, kConstruction);
    maintenance(ctx);
}

} // namespace Steps

} // namespace tavo
