#pragma once

#include <QList>
#include <QStringList>

#include "core/results/KeyFigures.h"

class QChart;

namespace tavo {

// The two charts of the key figures as Qt Charts, for the key-figure page and the variant comparison.
namespace KeyFigureCharts {

// The cumulative balance of years 1 to 20, one line per project named by names. With a single
// project the low point and the payback year are marked by points of their own (series named
// "Tiefpunkt" and "Amortisation"); without a payback year that series stays out.
QChart* cumulativeChart(const QList<KeyFigures>& projects, const QStringList& names);

// The 20-year balance of every evaluation type as bars, one bar per type.
QChart* typeBalanceChart(const KeyFigures& figures);

} // namespace KeyFigureCharts

} // namespace tavo
