#include "gui/results/KeyFigureCharts.h"

#include <algorithm>

#include <QBarCategoryAxis>
#include <QHorizontalBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include "core/data/NumberFormat.h"

namespace tavo {

namespace KeyFigureCharts {
namespace {

// The labels of the axes a little smaller than the window's text, so the charts fit beside the table.
QFont labelFont() {
    QFont font;
    font.setPointSizeF(7);
    return font;
}

// A chart whose axis labels follow the user's locale with grouped thousands.
QChart* localizedChart() {
    auto* chart = new QChart;
    chart->setLocalizeNumbers(true);
    chart->setLocale(NumberFormat::groupedLocale());
    return chart;
}

QValueAxis* yearAxis() {
    auto* axis = new QValueAxis;
    // Ticks at 0, 5, 10, 15 and 20, so the labels stay readable in a narrow chart.
    axis->setRange(0, KeyFigures::Years);
    axis->setTickCount(5);
    // With localized numbers the charts read only formats with a precision ("%d" would show nothing).
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTitleText(QStringLiteral("Projektjahr"));
    axis->setLabelsFont(labelFont());
    axis->setTitleFont(labelFont());
    return axis;
}

QValueAxis* amountAxis(double low, double high) {
    auto* axis = new QValueAxis;
    if (low == high) {
        low -= 1;
        high += 1;
    }
    axis->setRange(std::min(low, 0.0), std::max(high, 0.0));
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setLabelsFont(labelFont());
    axis->setTitleVisible(false);
    return axis;
}

QScatterSeries* marker(const QString& name, const QColor& colour, int jahr, double betrag) {
    auto* point = new QScatterSeries;
    point->setName(name);
    point->setColor(colour);
    point->setMarkerSize(11);
    point->append(jahr, betrag);
    return point;
}

} // namespace

QChart* cumulativeChart(const QList<KeyFigures>& projects, const QStringList& names) {
    auto* chart = localizedChart();
    chart->setTitle(QStringLiteral("Kumulierter Saldo (€)"));
    double low = 0;
    double high = 0;
    QList<QAbstractSeries*> series;
    for (int p = 0; p < projects.size(); ++p) {
        auto* line = new QLineSeries;
        line->setName(names.value(p));
        for (int j = 1; j <= KeyFigures::Years; ++j) {
            line->append(j, projects[p].kumuliert[j]);
            low = std::min(low, projects[p].kumuliert[j]);
            high = std::max(high, projects[p].kumuliert[j]);
        }
        series << line;
    }
    if (projects.size() == 1) {
        const KeyFigures& f = projects.first();
        series << marker(QStringLiteral("Tiefpunkt (Jahr %1)").arg(f.tiefpunkt.jahr), QColor(200, 30, 30),
                         f.tiefpunkt.jahr, f.tiefpunkt.betrag);
        if (f.amortisationsjahr)
            series << marker(QStringLiteral("Amortisation (Jahr %1)").arg(*f.amortisationsjahr),
                             QColor(20, 140, 40), *f.amortisationsjahr, f.kumuliert[*f.amortisationsjahr]);
    }
    auto* x = yearAxis();
    auto* y = amountAxis(low, high);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(labelFont());
    return chart;
}

QChart* typeBalanceChart(const KeyFigures& figures) {
    auto* chart = localizedChart();
    chart->setTitle(QStringLiteral("Saldo nach Typ, Jahre 1–%1 (€)").arg(KeyFigures::Years));
    auto* set = new QBarSet(QStringLiteral("Saldo"));
    QStringList categories;
    double low = 0;
    double high = 0;
    for (const TypeTotals& t : figures.jeTyp) {
        categories << (t.typ.isEmpty() ? QStringLiteral("ohne Typ") : t.typ);
        *set << t.saldo;
        low = std::min(low, t.saldo);
        high = std::max(high, t.saldo);
    }
    // Horizontal bars, so that the names of the types have room.
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    names->setLabelsFont(labelFont());
    auto* amounts = amountAxis(low, high);
    chart->addAxis(names, Qt::AlignLeft);
    chart->addAxis(amounts, Qt::AlignBottom);
    series->attachAxis(names);
    series->attachAxis(amounts);
    chart->legend()->hide();
    return chart;
}

} // namespace KeyFigureCharts

} // namespace tavo
