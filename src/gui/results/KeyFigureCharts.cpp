#include "gui/results/KeyFigureCharts.h"

#include <algorithm>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>


namespace KeyFigureCharts {
namespace {

QValueAxis* yearAxis() {
    auto* axis = new QValueAxis;
    axis->setRange(1, KeyFigures::Years);
    axis->setTickCount(KeyFigures::Years);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(QStringLiteral("Projektjahr"));
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
    axis->setTitleText(QStringLiteral("€"));
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
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Kumulierter Saldo"));
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
    return chart;
}

QChart* typeBalanceChart(const KeyFigures& figures) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Saldo nach Typ (Jahre 1–%1)").arg(KeyFigures::Years));
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
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsAngle(-45);
    auto* y = amountAxis(low, high);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->hide();
    return chart;
}

} // namespace KeyFigureCharts
