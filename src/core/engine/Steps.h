#pragma once

namespace tavo {

class EngineContext;

// The calculation steps of a run, in the order the run calls them. Each reads the project through
// the context and only appends rows to the result tables.
namespace Steps {

// Dwelling units (bWvB), the project's inhabitants (bBvB) and the municipality's forecast (gBvB).
void populationAndDwellingUnits(EngineContext& ctx);

// Construction, then maintenance of roads, lighting and green areas ("öffentliches Gut").
void publicProperty(EngineContext& ctx);

// Construction of sewers and water mains, then the connection fees.
void sewerAndWater(EngineContext& ctx);

// Development levy and its municipal subsidy per year and building row.
void developmentLevy(EngineContext& ctx);

// Electricity, data, gas and local-heating lines: construction, then maintenance.
void otherUtilityLines(EngineContext& ctx);

// Running property tax and the fiscal-equalisation reductions it causes a year later.
void propertyTax(EngineContext& ctx);

// Per-inhabitant transfers and levies, two years after the inhabitants' year.
void fiscalEqualisation(EngineContext& ctx);

// Running costs of kindergartens, primary schools and other institutions.
void socialInfrastructure(EngineContext& ctx);

// Purchase of the gross land and sale of the building plots by the municipality, where the project
// states prices.
void landDeal(EngineContext& ctx);

// Simple interest on each evaluation type's balance up to the previous year.
void interest(EngineContext& ctx);

// The project's special expenditures up to the last project year, copied into the ledger.
void specialExpenditures(EngineContext& ctx);

} // namespace Steps

} // namespace tavo
