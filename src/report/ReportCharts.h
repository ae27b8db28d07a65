#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QStringList>

#include "core/results/KeyFigures.h"

// The key-figure charts painted with QPainter into images, for documents made without widgets (the
// council report, also from tavo-cli): the same content as the charts of the key-figure page.
namespace ReportCharts {

// The cumulative balance of years 1 to 20, one line per project with a legend of names. With one
// project its low point (red) and payback year (green) are marked and labelled.
QImage cumulativeBalance(const QList<KeyFigures>& projects, const QStringList& names, const QSize& size);

// The 20-year balance of every evaluation type as horizontal bars with their amounts.
QImage balanceByType(const KeyFigures& figures, const QSize& size);

} // namespace ReportCharts
