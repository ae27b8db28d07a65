#include "gui/chart/FinanceChartWindow.h"

#include <algorithm>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLegend>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/common/ProvenanceLabel.h"

namespace tavo {

namespace {

// Eight colours that stay apart on screen and on paper.
const QColor seriesColours[ChartData::MaxSeries] = {
    QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),   QColor(214, 39, 40),
    QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127)};

} // namespace

QStringList ChartRequest::projectTitle(const QString& pgName, const QString& beschreibung) {
    return {QStringLiteral("TAVO: Auswertung Finanz"), pgName + QStringLiteral(": ") + beschreibung};
}

QStringList ChartRequest::chartedItems(const QStringList& filterGroupItems) {
    return filterGroupItems.mid(0, std::max<qsizetype>(0, filterGroupItems.size() - 1));
}

FinanceChartWindow::FinanceChartWindow(Databases& databases, const ChartRequest& request, QWidget* parent)
    : QDialog(parent), m_databases(databases), m_request(request),
      m_provenance(windowProvenance(databases.master()).line()) {
    setObjectName(QStringLiteral("frmChartFinanz"));
    setWindowTitle(QStringLiteral("Grafik: Auswertung Finanz"));
    setModal(true);
    if (m_request.costBearers.isEmpty())
        m_request.costBearers = ChartData::costBearers(m_databases.master());
    if (m_request.types.isEmpty())
        m_request.types = ChartData::evaluationTypes(m_databases.master());
    buildLayout();
    resize(900, 600);
}

void FinanceChartWindow::buildLayout() {
    auto* grouping = new QGroupBox(QStringLiteral("Gruppierung"));
    grouping->setObjectName(QStringLiteral("rgGruppierung"));
    m_byCostBearer = new QRadioButton(QStringLiteral("Kostenträger"));
    m_byType = new QRadioButton(QStringLiteral("Typ"));
    m_byCostBearer->setChecked(true);
    auto* groupingLayout = new QHBoxLayout(grouping);
    groupingLayout->addWidget(m_byCostBearer);
    groupingLayout->addWidget(m_byType);
    auto* group = new QButtonGroup(this);
    group->addButton(m_byCostBearer);
    group->addButton(m_byType);

    auto* printButton = new QPushButton(QStringLiteral("Drucken..."));
    printButton->setObjectName(QStringLiteral("btDrucken"));
    auto* closeButton = new QPushButton(QStringLiteral("&Schließen"));
    closeButton->setObjectName(QStringLiteral("btSchliessen"));

    auto* top = new QHBoxLayout;
    top->addWidget(grouping);
    top->addStretch();
    top->addWidget(printButton, 0, Qt::AlignTop);
    top->addWidget(closeButton, 0, Qt::AlignTop);

    auto* chart = new QChart;
    chart->setLocalizeNumbers(true);
    chart->setLocale(NumberFormat::groupedLocale());
    chart->legend()->setVisible(true);
    // On the right the legend lists the series one below the other, so long type names stay whole.
    chart->legend()->setAlignment(Qt::AlignRight);
    m_view = new QChartView(chart);
    m_view->setObjectName(QStringLiteral("Chart"));
    m_view->setAccessibleName(QStringLiteral("Diagramm"));
    m_view->setAccessibleDescription(
        QStringLiteral("Die gewählte Größe je Projektjahr in Euro, je Kostenträger oder Typ eine Reihe"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(400, 250);

    // The chart takes all room the window gets when the user resizes it.
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);

    connect(group, &QButtonGroup::buttonClicked, this, [this] { refreshShowingErrors(); });
    connect(printButton, &QPushButton::clicked, this, &FinanceChartWindow::onPrintClicked);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

QChart* FinanceChartWindow::chart() const {
    return m_view->chart();
}

void FinanceChartWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        refreshShowingErrors();
    }
}

void FinanceChartWindow::onGroupingChanged() {
    const bool byCostBearer = m_byCostBearer->isChecked();
    const ChartData::SeriesSet set =
        ChartData::load(m_databases.user(), m_request.projectId, m_request.quantity,
                        byCostBearer ? ChartData::Grouping::CostBearer : ChartData::Grouping::Type,
                        byCostBearer ? m_request.costBearers : m_request.types);
    fillChart(set);
    set.throwIfOverflow();
}

void FinanceChartWindow::refreshShowingErrors() {
    try {
        onGroupingChanged();
    } catch (const TavoError& error) {
        QMessageBox::critical(this, windowTitle(), error.message());
    }
}

void FinanceChartWindow::fillChart(const ChartData::SeriesSet& set) {
    QChart* target = chart();
    target->removeAllSeries();
    for (QAbstractAxis* axis : target->axes())
        target->removeAxis(axis);
    target->setTitle(QStringLiteral("<div align=\"center\">%1</div>")
                         .arg(m_request.titleLines.join(QStringLiteral("<br>"))));

    // One category per year that has a value in any series; a series without rows in a year gets no
    // bar there (a zero-height slot).
    const QList<int> years = set.years();
    auto* bars = new QBarSeries;
    for (int i = 0; i < set.series.size(); ++i) {
        const ChartData::Series& series = set.series[i];
        auto* barSet = new QBarSet(series.name);
        barSet->setColor(seriesColours[i]);
        barSet->setBorderColor(seriesColours[i].darker(130));
        for (int year : years)
            barSet->append(series.values.value(year, 0.0));
        bars->append(barSet);
    }
    target->addSeries(bars);

    auto* xAxis = new QBarCategoryAxis;
    for (int year : years)
        xAxis->append(QString::number(year));
    xAxis->setTitleText(QStringLiteral("Prognosejahr"));
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(QStringLiteral("Betrag"));
    yAxis->setLabelFormat(QStringLiteral("%.0f"));
    target->addAxis(xAxis, Qt::AlignBottom);
    target->addAxis(yAxis, Qt::AlignLeft);
    bars->attachAxis(xAxis);
    bars->attachAxis(yAxis);
    if (!years.isEmpty())
        yAxis->applyNiceNumbers();
}

void FinanceChartWindow::printChart(QPrinter* printer) const {
    QPainter painter;
    if (!painter.begin(printer))
        throw TavoError(QStringLiteral("Der Drucker konnte nicht angesprochen werden."));
    // The foot of the page says where the master data come from; the chart takes the rest.
    QFont footerFont = painter.font();
    footerFont.setPointSize(8);
    painter.setFont(footerFont);
    const int footerHeight = QFontMetrics(footerFont, printer).height();
    painter.drawText(QRect(0, printer->height() - footerHeight, printer->width(), footerHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter, m_provenance);
    // Keep the proportions of the chart as shown, as large as the page allows.
    const QRect page(0, 0, printer->width(), printer->height() - 2 * footerHeight);
    QSize size = m_view->size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.x() + (page.width() - size.width()) / 2, page.y(), size.width(), size.height());
    m_view->render(&painter, target);
    painter.end();
}

void FinanceChartWindow::onPrintClicked() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        printChart(&printer);
    } catch (const TavoError& error) {
        QMessageBox::critical(this, windowTitle(), error.message());
    }
}

} // namespace tavo
