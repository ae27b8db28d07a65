#include "report/PlanningCharts.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "core/data/NumberFormat.h"
#include "report/ChartScale.h"

namespace tavo {

namespace ReportCharts {
namespace {

using namespace detail;

const QColor kBetter(77, 146, 33);
const QColor kWorse(214, 96, 77);

} // namespace

QImage tornado(const Sensitivity::Tornado& t, const QSize& size) {
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = chartFont(size, 0.036);
    p.setFont(font);
    const QFontMetricsF fm(font, &image);
    if (t.bars.isEmpty())
        return image;
    double low = t.saldoBasis;
    double high = t.saldoBasis;
    double nameWidth = 0;
    for (const Sensitivity::Bar& bar : t.bars) {
        low = std::min({low, bar.saldoOptimistic, bar.saldoPessimistic});
        high = std::max({high, bar.saldoOptimistic, bar.saldoPessimistic});
        nameWidth = std::max(nameWidth, fm.horizontalAdvance(Sensitivity::caption(bar.parameter)));
    }
    nameWidth = std::min(nameWidth, size.width() * 0.45);
    const Scale s = amountScale(low, high);
    const double legendHeight = fm.height() * 1.6;
    const QRectF plot(nameWidth + fm.height(), fm.height() * 0.5, size.width() - nameWidth - 3 * fm.height(),
                      size.height() - 2.4 * fm.height() - legendHeight);
    const auto xOf = [&](double v) { return plot.left() + (v - s.low) / (s.high - s.low) * plot.width(); };
    drawAmountGridAcross(p, fm, plot, s);
    const double band = plot.height() / t.bars.size();
    const double base = xOf(t.saldoBasis);
    for (int i = 0; i < t.bars.size(); ++i) {
        const Sensitivity::Bar& bar = t.bars[i];
        const double top = plot.top() + i * band;
        p.setPen(Qt::black);
        p.drawText(QRectF(0, top, nameWidth + fm.height() * 0.5, band), Qt::AlignRight | Qt::AlignVCenter,
                   fm.elidedText(Sensitivity::caption(bar.parameter), Qt::ElideRight, nameWidth));
        p.setPen(Qt::NoPen);
        // Each extreme from the project's own balance: green where it is better, red where worse.
        for (double value : {bar.saldoOptimistic, bar.saldoPessimistic}) {
            const double x = xOf(value);
            p.setBrush(value >= t.saldoBasis ? kBetter : kWorse);
            p.drawRect(QRectF(std::min(base, x), top + band * 0.2, std::abs(x - base), band * 0.6));
        }
    }
    p.setPen(QPen(Qt::black, std::max(1.5, size.height() / 300.0)));
    p.drawLine(QPointF(base, plot.top()), QPointF(base, plot.bottom()));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    const QList<std::pair<QString, QColor>> legend = {
        {QStringLiteral("Basis: %1 €").arg(NumberFormat::fixed(t.saldoBasis, 0)), Qt::black},
        {QStringLiteral("besser als die Basis"), kBetter},
        {QStringLiteral("schlechter als die Basis"), kWorse}};
    const double columnWidth = size.width() / 3.0;
    const double y = size.height() - legendHeight + fm.height() * 0.3;
    for (int i = 0; i < legend.size(); ++i) {
        const double x = fm.height() + i * columnWidth;
        p.setPen(Qt::NoPen);
        p.setBrush(legend[i].second);
        p.drawRect(QRectF(x, y + fm.height() * 0.3, fm.height() * 1.2, fm.height() * 0.45));
        p.setPen(Qt::black);
        p.drawText(QRectF(x + fm.height() * 1.6, y, columnWidth - fm.height() * 2, fm.height() * 1.2),
                   Qt::AlignLeft | Qt::AlignVCenter, legend[i].first);
    }
    return image;
}

QImage municipalityOverview(const MunicipalityOverview::Overview& o, const QSize& size) {
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = chartFont(size, 0.035);
    p.setFont(font);
    const QFontMetricsF fm(font, &image);
    if (o.projects.isEmpty())
        return image;
    const int years = o.lastYear - o.firstYear + 1;
    // The stacks reach from the sum of the negative parts to the sum of the positive ones.
    double low = 0;
    double high = 0;
    for (int i = 0; i < years; ++i) {
        double up = 0;
        double down = 0;
        for (int k = 0; k < o.projects.size(); ++k) {
            const double v = o.projectSaldo(k, o.firstYear + i);
            (v > 0 ? up : down) += v;
        }
        low = std::min({low, down, o.kumuliert[i]});
        high = std::max({high, up, o.kumuliert[i]});
    }
    const Scale s = amountScale(low, high);
    double labelWidth = 0;
    for (double v = s.low; v <= s.high + s.step / 2; v += s.step)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(axisAmount(v, s.step)));
    const int legendItems = static_cast<int>(o.projects.size()) + 1;
    const double legendHeight = fm.height() * 1.4 * ((legendItems + 2) / 3) + fm.height() * 0.4;
    const QRectF plot(labelWidth + fm.height(), fm.height(), size.width() - labelWidth - 2 * fm.height(),
                      size.height() - 3.2 * fm.height() - legendHeight);
    const double slot = plot.width() / years;
    const auto xOf = [&](int i) { return plot.left() + (i + 0.5) * slot; };
    const auto yOf = [&](double v) { return plot.bottom() - (v - s.low) / (s.high - s.low) * plot.height(); };
    drawAmountGridUp(p, fm, plot, s, labelWidth);
    // Year labels, thinned out so that they do not overlap.
    const int every =
        std::max(1, static_cast<int>(std::ceil(fm.horizontalAdvance(QStringLiteral("20000")) / slot)));
    for (int i = 0; i < years; i += every) {
        p.setPen(Qt::black);
        p.drawText(QRectF(xOf(i) - 40, plot.bottom() + 2, 80, fm.height()), Qt::AlignCenter,
                   QString::number(o.firstYear + i));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height(), plot.width(), fm.height()), Qt::AlignCenter,
               QStringLiteral("Kalenderjahr"));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < years; ++i) {
        double up = 0;
        double down = 0;
        for (int k = 0; k < o.projects.size(); ++k) {
            const double v = o.projectSaldo(k, o.firstYear + i);
            if (v == 0)
                continue;
            double& edge = v > 0 ? up : down;
            p.setBrush(kLineColours[k % kLineColours.size()]);
            p.drawRect(
                QRectF(QPointF(xOf(i) - slot * 0.35, yOf(edge)), QPointF(xOf(i) + slot * 0.35, yOf(edge + v)))
                    .normalized());
            edge += v;
        }
    }
    QPainterPath line;
    for (int i = 0; i < years; ++i)
        i == 0 ? line.moveTo(xOf(i), yOf(o.kumuliert[i])) : line.lineTo(xOf(i), yOf(o.kumuliert[i]));
    p.setPen(QPen(Qt::black, std::max(2.0, size.height() / 250.0)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(plot);

    QList<std::pair<QString, QColor>> legend;
    for (int k = 0; k < o.projects.size(); ++k)
        legend << std::pair{MunicipalityOverview::projectLabel(o.projects[k]),
                            kLineColours[k % kLineColours.size()]};
    legend << std::pair{QStringLiteral("Saldo kumuliert"), QColor(Qt::black)};
    drawLegend(p, fm, legend, size.width(), size.height() - legendHeight);
    return image;
}

} // namespace ReportCharts

} // namespace tavo
