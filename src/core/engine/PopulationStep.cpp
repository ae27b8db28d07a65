// Population and dwelling units: the first step of a run. It takes over the municipality's forecast
// (gBvB) and computes, per project year, the dwelling units standing (bWvB) and their inhabitants by
// age (bBvB). The sums equal those of adding to empty rows one value at a time.

#include <array>
#include <cmath>

#include "core/data/TavoError.h"
#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const QStringList kTypeCodes = {QStringLiteral("EFHg"), QStringLiteral("EFHk"), QStringLiteral("RHg"),
                                QStringLiteral("RHk"), QStringLiteral("GWB")};

QString yearColumn(int year) {
    return QStringLiteral("Jahr%1").arg(year);
}

void municipalityPopulation(EngineContext& ctx) {
    const EngineInput& input = ctx.input();
    if (!input.pgError.isEmpty())
        throw TavoError(input.pgError);
    if (!input.municipalityPopulationError.isEmpty())
        throw TavoError(input.municipalityPopulationError);
    ctx.result().municipality = input.municipalityPopulation;
}

// Inhabitants per occupied dwelling unit of a type, by age in ascending order.
const std::vector<PerUnitInhabitants::AgeRow>& perUnitRows(const EngineContext& ctx,
                                                           const QString& buildingType, int year) {
    const auto it = ctx.input().perUnit.find(buildingType);
    if (it == ctx.input().perUnit.end())
        throw TavoError(QStringLiteral("Datenbankfehler: Tabelle BvB_Bebauungstypen wurde nicht gelesen."));
    if (!it->second.error.isEmpty())
        throw TavoError(it->second.error);
    if (!it->second.hasYear[year])
        throw TavoError(QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle BvB_Bebauungstypen.")
                            .arg(yearColumn(year)));
    return it->second.rows;
}

void requireFinite(double value, const QString& what, int year) {
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiges Ergebnis für %1 im Jahr %2: keine endliche Zahl.")
                            .arg(what)
                            .arg(year));
}

void addInhabitants(EngineContext& ctx, const QString& type, int year, double stock) {
    auto& inhabitants = ctx.result().inhabitants;
    for (const PerUnitInhabitants::AgeRow& row : perUnitRows(ctx, type, year)) {
        const int age = row.age;
        const double value = row.perYear[year] * stock;
        requireFinite(value, QStringLiteral("Bewohner"), year);
        // An age outside the rows of the project changes nothing, like an update that matches no row.
        if (value != 0 && age >= 0 && age <= Engine::OldestAge)
            inhabitants[age][year] += value;
    }
}

void dwellingUnitsAndInhabitants(EngineContext& ctx) {
    EngineResult& result = ctx.result();
    // The stored inhabitants of a context over the databases are replaced by the computed ones.
    result.inhabitants = {};
    result.units = {};
    std::array<double, 5> running{};
    for (int year = 1; year <= PlanningYears; ++year) {
        for (const BuildingRow& row : ctx.buildingRows()) {
            const double units = BuildingTypes::dwellingUnits(ctx, row.bbTyp, row.bbAnteil);
            const double added = BuildingTypes::settlementShare(ctx, year, row.bbTyp) * units;
            const int type = kTypeCodes.indexOf(row.bbTyp);
            running[type] += added;
            const double stock = running[type];
            requireFinite(stock, QStringLiteral("Wohneinheiten ") + row.bbTyp, year);
            if (stock != 0)
                result.units[year][type] += stock;
            addInhabitants(ctx, row.bbTyp, year, stock);
        }
    }
}

} // namespace

namespace Steps {

void populationAndDwellingUnits(EngineContext& ctx) {
    municipalityPopulation(ctx);
    dwellingUnitsAndInhabitants(ctx);
}

} // namespace Steps

} // namespace tavo
