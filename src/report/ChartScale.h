#pragma once

#include <utility>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

class QFontMetricsF;
class QPainter;
class QRectF;

namespace tavo {

// The drawing helpers the painted charts share (defined in ReportCharts.cpp).
namespace ReportCharts::detail {

extern const QList<QColor> kLineColours;

// A white image of the size.
QImage blank(const QSize& size);
// The chart font, its pixel size a share of the image height.
QFont chartFont(const QSize& size, double share);
// Round steps for an axis spanning `span` with about `count` intervals.
double niceStep(double span, int count);
// Amounts on an axis: whole euros, or thousands ("1.250 T€") when they are large.
QString axisAmount(double value, double step);

struct Scale {
    double low = 0;
    double high = 0;
    double step = 1;
};
// An axis from low to high that always includes 0, in round steps.
Scale amountScale(double low, double high);

// Amount axis across the plot (amounts grow to the right): vertical grid lines with labels below the
// plot; the zero line stronger.
void drawAmountGridAcross(QPainter& p, const QFontMetricsF& fm, const QRectF& plot, const Scale& s);
// Amount axis upwards: horizontal grid lines with labels right-aligned in labelWidth left of the plot;
// the zero line stronger.
void drawAmountGridUp(QPainter& p, const QFontMetricsF& fm, const QRectF& plot, const Scale& s,
                      double labelWidth);

using LegendEntry = std::pair<QString, QColor>;
// A legend of three columns over the image's width from top down: a colour mark and its text
// (shortened with "…" where it does not fit).
void drawLegend(QPainter& p, const QFontMetricsF& fm, const QList<LegendEntry>& legend, double width,
                double top);

} // namespace ReportCharts::detail

} // namespace tavo
