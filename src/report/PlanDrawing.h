#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTransform>

#include "core/plan/PlanTypes.h"

class QFont;
class QPainter;

namespace tavo {

// A plan drawn with QPainter from its stored geometry (no GDAL): the same colours, legend, scale bar
// and north arrow on the Plan page, in the council report and on the to-scale PDF.
//
// Drawing coordinates are the plan's metres with the y axis turned downwards (x east, y = -north),
// so that north is up on screen and paper.
namespace PlanDrawing {

// The fill and the outline (or line) colour of a role.
QColor fillColor(PlanRole role);
QColor lineColor(PlanRole role);

// The roles the plan holds features of, in the order of the legend.
QList<PlanRole> presentRoles(const PlanReading& plan);

// The outline of a feature in drawing coordinates: every ring a closed sub-path (holes cut out by
// the odd-even rule), every line an open one; a point is a single move.
QPainterPath featurePath(const PlanFeature& feature);
// The plan's extent in drawing coordinates (metres, y turned).
QRectF drawingRect(const PlanReading& plan);

// The order the features are painted in: areas below, plots above them, lines and points on top.
int paintLayer(PlanRole role);

// Paints one feature with the painter's transform mapping drawing coordinates; lines and outlines
// are penWidth device units wide, a point a marker of markerSize units.
void paintFeature(QPainter& painter, const PlanFeature& feature, const QPainterPath& path, double penWidth,
                  double markerSize);
// Every feature in paint order.
void paintPlan(QPainter& painter, const PlanReading& plan, double penWidth, double markerSize);

// A length of 1, 2 or 5 times a power of ten metres that takes at most maxLength device units at
// unitsPerMetre; the bar of a scale.
double scaleBarMetres(double unitsPerMetre, double maxLength);
// "50 m", "1 km", ...
QString metresText(double metres);
// A scale bar: the black-and-white bar of `metres` at unitsPerMetre, its left end at origin (the
// bottom line of the bar), the length written above its right end.
void paintScaleBar(QPainter& painter, const QPointF& origin, double metres, double unitsPerMetre,
                   const QFont& font);
// An arrow pointing up with an "N" below it, inside box.
void paintNorthArrow(QPainter& painter, const QRectF& box, const QFont& font);
// The legend: a swatch and the name of each role, one line each, from topLeft; returns its height.
double paintLegend(QPainter& painter, const QPointF& topLeft, const QList<PlanRole>& roles,
                   const QFont& font);

// The measured figures as caption/value lines (areas in m², lengths in m, plots per type).
QList<QStringList> measureLines(const PlanMeasures& measures);
// "Baugebiet: Fläche 10.000,0 m²", then a line with layer and object, for a clicked feature.
QString featureText(const PlanFeature& feature);

// The whole plan fitted into an image of that size with legend, scale bar and north arrow.
QImage planImage(const PlanReading& plan, const QSize& size);

} // namespace PlanDrawing

} // namespace tavo
