#pragma once

#include "core/plan/PlanTypes.h"

namespace tavo {

// Measuring features that are already in metric coordinates (no GDAL): the sums per role, the line
// lengths per network, the plots per building type and the connection lengths.
namespace PlanMeasure {

// The figures of the features: areas and lengths as the features carry them; a line without network
// counts for every network when unnamedLinesForAllNetworks, else for none; a plot's connection is
// its shortest distance to a line (0 when it touches one), summed over the plots, once to any line
// (anschlussM) and once per network to the lines of that network.
PlanMeasures measure(const QVector<PlanFeature>& features, bool unnamedLinesForAllNetworks);

// The shortest distance between two features (points, lines or polygons given by their parts);
// 0 when they touch, cross or one lies inside the other polygon.
double distance(const PlanFeature& a, const PlanFeature& b);

// "Ebene, Objekt N" of every feature other than a Baugebiet with a vertex outside every Baugebiet
// polygon (a vertex on the border counts as inside). Empty when there is no Baugebiet.
QStringList outsideBaugebiet(const QVector<PlanFeature>& features);

// The bounding rectangle of every vertex.
QRectF extent(const QVector<PlanFeature>& features);

} // namespace PlanMeasure

} // namespace tavo
