#pragma once

#include <QString>

namespace tavo {

class EngineContext;

// Quantities per building type that several steps share. They read the project record and the
// settlement rows of the run's context and write nothing.
namespace BuildingTypes {

// True for the five codes "EFHg", "EFHk", "RHg", "RHk", "GWB" (case-sensitive).
bool isKnownType(const QString& buildingType);

// Fraction (not percent) of the type's dwelling units first occupied in project year `year`; 0 when
// the project has no settlement row for that year or the type is none of the five codes.
double settlementShare(const EngineContext& ctx, int year, const QString& buildingType);

// Plot area per dwelling unit (bgGstFl_<type>).
double plotArea(const EngineContext& ctx, const QString& buildingType);

// Usable floor area per dwelling unit of a house type (bgNutzFl_<type>); with withWalls the gross
// floor area of a square plan: (sqrt(area) + bgWandstärke)^2. "GWB" is rejected like an unknown type.
double usableArea(const EngineContext& ctx, const QString& buildingType, bool withWalls);

// Floor area of multi-storey housing on landArea m² of land.
double gwbFloorArea(const EngineContext& ctx, double landArea);

// Dwelling units of the type on sharePercent percent of the net building land, unrounded.
double dwellingUnits(const EngineContext& ctx, const QString& buildingType, double sharePercent);

// numerator / divisor, where the divisor is the input `field` of building type `buildingType`. A divisor
// of 0 raises a German error naming the input and the type instead of producing inf or NaN.
double divideByField(double numerator, double divisor, const QString& field, const QString& buildingType);

// Storey count of a building class "I".."X" (1..10); any other text, the empty one included, gives 11.
int storeyCount(const QString& bauklasse);

// Factor of the development-levy rate of a building class: 1.00 for "I" rising by 0.25 per class to
// 3.25 for "X"; any other text gives 1.00.
double levyClassFactor(const QString& bauklasse);

// Field name of the plot area of a type, e.g. "bgGstFl_EFHg".
QString plotAreaField(const QString& buildingType);

} // namespace BuildingTypes

} // namespace tavo
