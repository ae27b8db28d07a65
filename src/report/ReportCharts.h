#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QStringList>

#include "core/results/KeyFigures.h"
#include "core/scenarios/MonteCarlo.h"

namespace tavo {

// The key-figure charts painted with QPainter into images, for documents made without widgets (the
// council report, also from tavo-cli): the same content as the charts of the key-figure page.
namespace ReportCharts {

// The percentiles of the cumulative balance per year 1..20 (index 0 unused).
using Band = std::array<MonteCarlo::Percentiles, KeyFigures::Years + 1>;

// The cumulative balance of years 1 to 20, one line per project with a legend of names, over the
// band from P10 to P90 when one is given. With one project and no band its low point (red) and
// payback year (green) are marked and labelled.
QImage cumulativeBalance(const QList<KeyFigures>& projects, const QStringList& names, const QSize& size,
                         const Band* band = nullptr);

// The 20-year balance of every evaluation type as horizontal bars with their amounts.
QImage balanceByType(const KeyFigures& figures, const QSize& size);

} // namespace ReportCharts

} // namespace tavo
