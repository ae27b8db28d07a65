#pragma once

#include <QImage>
#include <QSize>

#include "core/scenarios/Sensitivity.h"
#include "core/services/MunicipalityOverview.h"

namespace tavo {

namespace ReportCharts {

// The tornado: one horizontal bar per parameter, widest on top, spanning the 20-year balances with
// the parameter at its optimistic and its pessimistic value; a vertical line at the project's own
// balance, the part of a bar above it green, below it red, the parameter's caption on the left.
QImage tornado(const Sensitivity::Tornado& tornado, const QSize& size);

// The municipality overview: per calendar year the balance of each project as stacked bars (positive
// ones upwards, negative ones downwards, one colour per project) and the cumulative balance of all as
// a black line, with a legend of the projects.
QImage municipalityOverview(const MunicipalityOverview::Overview& overview, const QSize& size);

} // namespace ReportCharts

} // namespace tavo
