#include "report/ReportCharts.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "core/data/NumberFormat.h"
#include "report/ChartScale.h"

namespace tavo {

namespace ReportCharts {
namespace detail {

const QList<QColor> kLineColours = {QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),
                                    QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194)};
const QColor kLow(200, 30, 30);
const QColor kPayback(20, 140, 40);

QImage blank(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QFont chartFont(const QSize& size, double share) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(8, static_cast<int>(size.height() * share)));
    return font;
}

// Round steps for an axis from low to high with about `count` intervals.
double niceStep(double span, int count) {
    if (span <= 0)
        return 1;
    const double raw = span / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= factor * magnitude)
            return factor * magnitude;
    return 10 * magnitude;
}

// Amounts on an axis: whole euros, or thousands ("1.250 T€") when they are large.
QString axisAmount(double value, double step) {
    if (step >= 10000)
        return NumberFormat::fixed(value / 1000.0, 0) + QStringLiteral(" T€");
    return NumberFormat::fixed(value, 0) + QStringLiteral(" €");
}

Scale amountScale(double low, double high) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (low == high)
        high = low + 1;
    Scale s;
    s.step = niceStep(high - low, 6);
    s.low = std::floor(low / s.step) * s.step;
    s.high = std::ceil(high / s.step) * s.step;
    return s;
}

void drawAmountGridAcross(QPainter& p, const QFontMetricsF& fm, const QRectF& plot, const Scale& s) {
    const auto xOf = [&](double v) { return plot.left() + (v - s.low) / (s.high - s.low) * plot.width(); };
    for (double v = s.low; v <= s.high + s.step / 2; v += s.step) {
        p.setPen(QPen(std::abs(v) < s.step / 2 ? QColor(90, 90, 90) : QColor(220, 220, 220), 1));
        p.drawLine(QPointF(xOf(v), plot.top()), QPointF(xOf(v), plot.bottom()));
        p.setPen(Qt::black);
        p.drawText(QRectF(xOf(v) - 60, plot.bottom() + 2, 120, fm.height()), Qt::AlignCenter,
                   axisAmount(std::abs(v) < s.step / 2 ? 0.0 : v, s.step));
    }
}

void drawAmountGridUp(QPainter& p, const QFontMetricsF& fm, const QRectF& plot, const Scale& s,
                      double labelWidth) {
    const auto yOf = [&](double v) { return plot.bottom() - (v - s.low) / (s.high - s.low) * plot.height(); };
    for (double v = s.low; v <= s.high + s.step / 2; v += s.step) {
        p.setPen(QPen(std::abs(v) < s.step / 2 ? QColor(90, 90, 90) : QColor(220, 220, 220), 1));
        p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, yOf(v) - fm.height() / 2, labelWidth, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, axisAmount(std::abs(v) < s.step / 2 ? 0.0 : v, s.step));
    }
}

void drawLegend(QPainter& p, const QFontMetricsF& fm, const QList<LegendEntry>& legend, double width,
                double top) {
    const double columnWidth = width / 3.0;
    for (int i = 0; i < legend.size(); ++i) {
        const double x = fm.height() + (i % 3) * columnWidth;
        const double y = top + (i / 3) * fm.height() * 1.4;
        p.setPen(Qt::NoPen);
        p.setBrush(legend[i].second);
        p.drawRect(QRectF(x, y + fm.height() * 0.3, fm.height() * 1.2, fm.height() * 0.45));
        p.setPen(Qt::black);
        p.drawText(QRectF(x + fm.height() * 1.6, y, columnWidth - fm.height() * 2, fm.height() * 1.2),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(legend[i].first, Qt::ElideRight, columnWidth - fm.height() * 2));
    }
}

} // namespace detail

using namespace detail;

QImage cumulativeBalance(const QList<KeyFigures>& projects, const QStringList& names, const QSize& size,
                         const Band* band) {
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = chartFont(size, 0.04);
    p.setFont(font);
    const QFontMetricsF fm(font, &image);

    double low = 0;
    double high = 0;
    for (const KeyFigures& f : projects)
        for (int j = 1; j <= KeyFigures::Years; ++j) {
            low = std::min(low, f.kumuliert[j]);
            high = std::max(high, f.kumuliert[j]);
        }
    if (band)
        for (int j = 1; j <= KeyFigures::Years; ++j) {
            low = std::min(low, (*band)[j].p10);
            high = std::max(high, (*band)[j].p90);
        }
    const Scale s = amountScale(low, high);
    double labelWidth = 0;
    for (double v = s.low; v <= s.high + s.step / 2; v += s.step)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(axisAmount(v, s.step)));
    const int legendItems = static_cast<int>(projects.size()) + (band ? 1 : 0);
    const double legendHeight = fm.height() * 1.6 * ((legendItems + 2) / 3);
    const QRectF plot(labelWidth + fm.height(), fm.height(), size.width() - labelWidth - 2 * fm.height(),
                      size.height() - 3.2 * fm.height() - legendHeight);
    const auto xOf = [&](double jahr) {
        return plot.left() + (jahr - 1) / (KeyFigures::Years - 1) * plot.width();
    };
    const auto yOf = [&](double v) { return plot.bottom() - (v - s.low) / (s.high - s.low) * plot.height(); };

    drawAmountGridUp(p, fm, plot, s, labelWidth);
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        p.setPen(Qt::black);
        p.drawText(QRectF(xOf(j) - 20, plot.bottom() + 2, 40, fm.height()), Qt::AlignCenter,
                   QString::number(j));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height(), plot.width(), fm.height()), Qt::AlignCenter,
               QStringLiteral("Projektjahr"));
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(plot);

    // The band from P10 to P90 behind the lines.
    const QColor bandColour(31, 119, 180, 60);
    if (band) {
        QPainterPath area;
        area.moveTo(xOf(1), yOf((*band)[1].p90));
        for (int j = 2; j <= KeyFigures::Years; ++j)
            area.lineTo(xOf(j), yOf((*band)[j].p90));
        for (int j = KeyFigures::Years; j >= 1; --j)
            area.lineTo(xOf(j), yOf((*band)[j].p10));
        area.closeSubpath();
        p.setPen(QPen(bandColour.darker(150), 1));
        p.setBrush(bandColour);
        p.drawPath(area);
    }
    const double penWidth = std::max(2.0, size.height() / 250.0);
    for (int i = 0; i < projects.size(); ++i) {
        QPainterPath path;
        path.moveTo(xOf(1), yOf(projects[i].kumuliert[1]));
        for (int j = 2; j <= KeyFigures::Years; ++j)
            path.lineTo(xOf(j), yOf(projects[i].kumuliert[j]));
        p.setPen(QPen(kLineColours[i % kLineColours.size()], penWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }

    // Legend: the lines, and with one project the two marks.
    QList<std::pair<QString, QColor>> legend;
    for (int i = 0; i < projects.size(); ++i)
        legend << std::pair{names.value(i), kLineColours[i % kLineColours.size()]};
    if (band)
        legend << std::pair{QStringLiteral("Bandbreite P10–P90"), bandColour};
    if (projects.size() == 1 && !band) {
        const KeyFigures& f = projects.first();
        const double r = fm.height() * 0.35;
        p.setPen(Qt::NoPen);
        p.setBrush(kLow);
        p.drawEllipse(QPointF(xOf(f.tiefpunkt.jahr), yOf(f.tiefpunkt.betrag)), r, r);
        legend.clear();
        legend << std::pair{QStringLiteral("Kumulierter Saldo"), kLineColours[0]}
               << std::pair{QStringLiteral("Tiefpunkt: Jahr %1").arg(f.tiefpunkt.jahr), kLow};
        if (f.amortisationsjahr) {
            const int j = *f.amortisationsjahr;
            p.setBrush(kPayback);
            p.drawEllipse(QPointF(xOf(j), yOf(f.kumuliert[j])), r, r);
            legend << std::pair{QStringLiteral("Amortisation: Jahr %1").arg(j), kPayback};
        } else {
            legend << std::pair{QStringLiteral("Amortisation: nicht erreicht"), QColor(150, 150, 150)};
        }
    }
    drawLegend(p, fm, legend, size.width(), size.height() - legendHeight);
    return image;
}

QImage balanceByType(const KeyFigures& figures, const QSize& size) {
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = chartFont(size, 0.05);
    p.setFont(font);
    const QFontMetricsF fm(font, &image);
    const QList<TypeTotals>& types = figures.jeTyp;
    if (types.isEmpty())
        return image;

    double low = 0;
    double high = 0;
    double nameWidth = 0;
    for (const TypeTotals& t : types) {
        low = std::min(low, t.saldo);
        high = std::max(high, t.saldo);
        nameWidth =
            std::max(nameWidth, fm.horizontalAdvance(t.typ.isEmpty() ? QStringLiteral("ohne Typ") : t.typ));
    }
    const Scale s = amountScale(low, high);
    const QRectF plot(nameWidth + fm.height(), fm.height() * 0.5, size.width() - nameWidth - 4 * fm.height(),
                      size.height() - 2.2 * fm.height());
    const auto xOf = [&](double v) { return plot.left() + (v - s.low) / (s.high - s.low) * plot.width(); };
    drawAmountGridAcross(p, fm, plot, s);
    const double band = plot.height() / types.size();
    for (int i = 0; i < types.size(); ++i) {
        const TypeTotals& t = types[i];
        const double top = plot.top() + i * band;
        p.setPen(Qt::black);
        p.drawText(QRectF(0, top, nameWidth + fm.height() * 0.5, band), Qt::AlignRight | Qt::AlignVCenter,
                   t.typ.isEmpty() ? QStringLiteral("ohne Typ") : t.typ);
        const double x0 = xOf(0);
        const double x1 = xOf(t.saldo);
        const QRectF bar(std::min(x0, x1), top + band * 0.2, std::abs(x1 - x0), band * 0.6);
        p.setPen(Qt::NoPen);
        p.setBrush(t.saldo < 0 ? QColor(214, 96, 77) : QColor(77, 146, 33));
        p.drawRect(bar);
        // The amount beside the bar's end, or inside the bar in white where the plot has no room.
        const QString amount = NumberFormat::fixed(t.saldo, 0) + QStringLiteral(" €");
        const double w = fm.horizontalAdvance(amount) + 8;
        const bool positive = t.saldo >= 0;
        const bool outside = positive ? bar.right() + w <= plot.right() : bar.left() - w >= plot.left();
        QRectF label =
            positive ? QRectF(bar.right() + 4, top, w, band) : QRectF(bar.left() - w, top, w - 4, band);
        if (!outside)
            label =
                positive ? QRectF(bar.right() - w, top, w - 4, band) : QRectF(bar.left() + 4, top, w, band);
        p.setPen(outside ? Qt::black : Qt::white);
        p.drawText(label, (positive == outside ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, amount);
    }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    return image;
}

} // namespace ReportCharts

} // namespace tavo
