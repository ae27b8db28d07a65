// Public property ("öffentliches Gut"): construction of the inner and the connecting road, their
// drainage sewers and lighting and the green areas, then their yearly maintenance.

#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const QString kTyp = QStringLiteral("öffentliches Gut");

// A construction item: booked once in the year given by yearField (nullptr: year 1).
struct ConstructionItem {
    const char* yearField;
    const char* quantityField;
    const char* rateField;
    const char* bezeichnung;
};

const ConstructionItem kConstruction[] = {
    {nullptr, "bgFlVerkehrsflächen", "ifKoErStraßeUnterbau", "Errichtung Unterbau Straße"},
    {nullptr, "ifFlAnschlStraße", "ifKoErStraßeUnterbau", "Errichtung Unterbau Anschlussstraße"},
    {nullptr, "ifLfmKanalStrEntwässerung", "ifKoErKanalStrEntwässerung",
     "Errichtung Kanal Oberflächenenwässerung"},
    {nullptr, "ifLfmAnschlKanalStrEntwässerung", "ifKoErKanalStrEntwässerung",
     "Errichtung Kanal Oberflächenenw. Anschlussstraße"},
    {"ifOberflächeInJahr", "bgFlVerkehrsflächen", "ifKoErStraßeOberbau", "Errichtung Oberbau Straße"},
    {"ifAnschlOberflächeInJahr", "ifFlAnschlStraße", "ifKoErStraßeOberbau",
     "Errichtung Oberbau Anschlussstraße"},
    {"ifOberflächeInJahr", "ifLfmStraßenbeleuchtung", "ifKoErStraßenbeleuchtung",
     "Errichtung Beleuchtung Straße"},
    {"ifAnschlOberflächeInJahr", "ifLfmAnschlStraßenbeleuchtung", "ifKoErStraßenbeleuchtung",
     "Errichtung Beleuchtung Anschlussstraße"},
    {"ifAnschlOberflächeInJahr", "bgFlGrünflächen", "ifKoErGrünflächen", "Errichtung Grünflächen"},
};

// A maintenance item: booked every year after the surface year in startField, up to the last year.
struct MaintenanceItem {
    const char* startField;
    const char* quantityField;
    const char* rateField;
    const char* bezeichnung;
};

const MaintenanceItem kMaintenance[] = {
    {"ifOberflächeInJahr", "bgFlVerkehrsflächen", "ifKoEhStraße", "Erhaltung Straße"},
    {"ifAnschlOberflächeInJahr", "ifFlAnschlStraße", "ifKoEhStraße", "Erhaltung Anschlussstraße"},
    {"ifOberflächeInJahr", "ifLfmStraßenbeleuchtung", "ifKoEhStraßenbeleuchtung",
     "Erhaltung Beleuchtung Straße"},
    {"ifAnschlOberflächeInJahr", "ifLfmAnschlStraßenbeleuchtung", "ifKoEhStraßenbeleuchtung",
     "Erhaltung Beleuchtung Anschlussstraße"},
    {"ifAnschlOberflächeInJahr", "bgFlGrünflächen", "ifKoEhGrünflächen", "Erhaltung Grünflächen"},
};

double product(const EngineContext& ctx, const char* quantityField, const char* rateField) {
    return ctx.projectField(QString::fromUtf8(quantityField)) *
           ctx.projectField(QString::fromUtf8(rateField));
}

void construction(EngineContext& ctx) {
    const double ownShare = ctx.projectField(QStringLiteral("fiEigAntErÖffGut"));
    for (const ConstructionItem& item : kConstruction) {
        const int year = item.yearField ? ctx.projectFieldInt(QString::fromUtf8(item.yearField)) : 1;
        ctx.bookAmount(ctx.ProjectId, year, kTyp, QString::fromUtf8(item.bezeichnung), false,
                       product(ctx, item.quantityField, item.rateField), ownShare,
                       QStringLiteral("fiEigAntErÖffGut"));
    }
}

void maintenance(EngineContext& ctx) {
    const double ownShare = ctx.projectField(QStringLiteral("fiEigAntEhÖffGut"));
    for (const MaintenanceItem& item : kMaintenance) {
        const int start = ctx.projectFieldInt(QString::fromUtf8(item.startField));
        const double amount = product(ctx, item.quantityField, item.rateField);
        for (long long year = static_cast<long long>(start) + 1; year <= PlanningYears; ++year)
            ctx.bookAmount(ctx.ProjectId, static_cast<int>(year), kTyp, QString::fromUtf8(item.bezeichnung),
                           false, amount, ownShare, QStringLiteral("fiEigAntEhÖffGut"));
    }
}

} // namespace

namespace Steps {

void publicProperty(EngineContext& ctx) {
    construction(ctx);
    maintenance(ctx);
}

} // namespace Steps

} // namespace tavo
