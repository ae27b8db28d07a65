#pragma once

#include "core/plan/PlanTypes.h"

namespace tavo {

// Reading and measuring plan files with GDAL/OGR (library tavo_plan; never linked into tavo-cli).

// The layers of a vector file GDAL can open; on failure an empty list and *error set (German).
QVector<PlanLayerInfo> planLayers(const QString& file, QString* error);

// The German name of an OGR geometry type (OGRwkbGeometryType), as the layer list shows it; Z and M
// variants are named as their plain type.
QString planGeometryTypeName(int ogrType);

// A first assignment from layer and attribute names: a layer named like a role (case, umlauts and
// "ss"/"ß" ignored) is taken as that role; attributes named like "Netz"/"Sparte" and "Typ"/
// "Gebäudetyp" are taken as network and building type.
PlanAssignment guessAssignment(const QVector<PlanLayerInfo>& layers);

// Reads the assigned layers, transforms them into a metric CRS for the place and measures them.
// Invalid geometries are problems unless repair is set (then GDAL's MakeValid repairs them);
// layers without a CRS are refused unless the assignment names one. Returns the reading; a file
// that cannot be read sets *error and returns a reading without features.
PlanReading readPlan(const QString& file, const PlanAssignment& assignment, bool repair, QString* error);

} // namespace tavo
