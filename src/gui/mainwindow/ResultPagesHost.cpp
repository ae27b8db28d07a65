#include "gui/mainwindow/ResultPagesHost.h"

#include <cmath>
#include <memory>

#include <QBoxLayout>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QWidget>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/projects/ProjectRecord.h"
#include "gui/chart/FinanceChartWindow.h"
#include "gui/common/ProvenanceLabel.h"
#include "gui/common/Questions.h"
#include "gui/print/PrintDialog.h"
#include "gui/results/KeyFiguresPanel.h"
#include "gui/results/OutdatedBar.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"

namespace tavo {

using ResultKind = ResultQueries::ResultKind;

namespace {

ChartData::Quantity quantityOf(ResultKind kind) {
    switch (kind) {
    case ResultKind::Expenditure:
        return ChartData::Quantity::Expenditure;
    case ResultKind::Revenue:
        return ChartData::Quantity::Revenue;
    case ResultKind::Balance:
        break;
    }
    return ChartData::Quantity::Balance;
}

// The grid's columns for the printout, each at least as wide as its widest text (title, cells,
// footer) in the printout's 8 point font, measured at the 96 dpi the printer takes the widths in;
// the screen grid's widths are tight for that font and would cut large amounts short.
QList<PrintColumn> printColumnsFitting(const ResultGrid& grid) {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780); // 96 dpi
    device.setDotsPerMeterY(3780);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    const QFontMetricsF plain(font, &device);
    font.setBold(true);
    const QFontMetricsF bold(font, &device);
    const QStringList footer = grid.hasFooter() ? grid.footerCells() : QStringList();
    const QAbstractItemModel* model = grid.model();
    QList<PrintColumn> columns = grid.printColumns();
    for (int c = 0; c < columns.size(); ++c) {
        double widest =
            qMax(bold.horizontalAdvance(columns[c].title), bold.horizontalAdvance(footer.value(c)));
        for (int row = 0; row < model->rowCount(); ++row)
            widest = qMax(widest, plain.horizontalAdvance(grid.cellText(c, model->index(row, c).data())));
        columns[c].width = qMax(columns[c].width, static_cast<int>(std::ceil(widest)) + 8);
    }
    return columns;
}

} // namespace

ResultPagesHost::ResultPagesHost(Databases& dbs, ProjectRecord& record, QWidget* window, QWidget* financePage,
                                 QWidget* populationPage, QWidget* keyFiguresPage)
    : QObject(window), m_dbs(dbs), m_record(record), m_window(window) {
    m_finance = new ResultFinancePanel(dbs, financePage);
    m_finance->setObjectName(QStringLiteral("ResultFinancePanel"));
    financePage->layout()->addWidget(m_finance);
    m_population = new ResultPopulationPanel(dbs, populationPage);
    m_population->setObjectName(QStringLiteral("ResultPopulationPanel"));
    populationPage->layout()->addWidget(m_population);
    m_keyFigures = new KeyFiguresPanel(dbs, keyFiguresPage);
    m_keyFigures->setObjectName(QStringLiteral("KeyFiguresPanel"));
    keyFiguresPage->layout()->addWidget(m_keyFigures);
    m_zoom = new ResultZoom(m_finance);
    QWidget* const pages[] = {financePage, populationPage, keyFiguresPage};
    for (int i = 0; i < 3; ++i) {
        m_bars[i] = new OutdatedBar(pages[i]);
        static_cast<QBoxLayout*>(pages[i]->layout())->insertWidget(0, m_bars[i]);
        connect(m_bars[i], &OutdatedBar::calculateRequested, this, &ResultPagesHost::calculateRequested);
    }

    connect(m_zoom, &ResultZoom::printRequested, this, &ResultPagesHost::printGrid);
    connect(m_zoom, &ResultZoom::chartRequested, this, &ResultPagesHost::showFinanceChart);
    connect(m_population, &ResultPopulationPanel::printRequested, this, &ResultPagesHost::printGrid);
    connect(m_keyFigures, &KeyFiguresPanel::printRequested, this, &ResultPagesHost::printKeyFigures);
    connect(m_keyFigures, &KeyFiguresPanel::pdfRequested, this, &ResultPagesHost::saveKeyFiguresPdf);
}

void ResultPagesHost::openProjectData(int projectId) {
    m_projectId = projectId;
    // All pages and their marks show one state, also while the project is calculated elsewhere.
    const ReadTransaction read(m_dbs.user());
    m_finance->setProject(projectId);
    m_population->setProject(projectId);
    for (ResultGrid* grid :
         {m_finance->grid(ResultKind::Expenditure), m_finance->grid(ResultKind::Revenue),
          m_finance->grid(ResultKind::Balance), m_population->gridWE(), m_population->gridBeV()})
        grid->setExportFilePrefix(m_record.displayName());
    m_keyFigures->setProject(projectId);
    readState();
}

void ResultPagesHost::closeProjectData() {
    m_finance->closeProjectData();
    m_population->closeProjectData();
    m_keyFigures->closeProjectData();
    m_zoom->unzoomResultGrid();
    m_projectId = 0;
    m_state = CalculationState::State::NotCalculated;
    m_unsavedInputs = false;
    showOutdatedMarks();
}

void ResultPagesHost::refresh() {
    const ReadTransaction read(m_dbs.user());
    m_finance->onFilterChanged();
    m_population->onAreaFilterChanged();
    m_keyFigures->refresh();
    readState();
}

void ResultPagesHost::readState() {
    m_state = m_projectId > 0 ? CalculationState::of(m_dbs.user(), m_projectId)
                              : CalculationState::State::NotCalculated;
    showOutdatedMarks();
}

void ResultPagesHost::checkStateQuietly() {
    try {
        readState();
    } catch (const TavoError&) {
        // The marks are read again with the next refresh.
    }
}

void ResultPagesHost::setUnsavedInputs(bool unsaved) {
    if (unsaved == m_unsavedInputs)
        return;
    m_unsavedInputs = unsaved;
    showOutdatedMarks();
}

bool ResultPagesHost::isOutdated() const {
    using State = CalculationState::State;
    return m_state == State::Changed || (m_state == State::Current && m_unsavedInputs);
}

void ResultPagesHost::showOutdatedMarks() {
    for (OutdatedBar* bar : m_bars)
        bar->setVisible(isOutdated());
}

void ResultPagesHost::updateFootersQuietly() {
    try {
        m_finance->updateResultFooters();
    } catch (const TavoError&) {
        // A change notification never interrupts the user; the next refresh writes them again.
    }
}

QString ResultPagesHost::recordText(const char* column) const {
    return m_record.value(QString::fromUtf8(column)).toString();
}

namespace {

// "Kostenträger: Gemeinde" from the group "Filter: Kostenträger" and its chosen item.
QString filterText(const ResultRadioGroup* group) {
    QString caption = group->title();
    caption.remove(QStringLiteral("Filter:"));
    caption = caption.trimmed();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return QStringLiteral("%1: %2").arg(caption, group->itemText());
}

// A grid's caption without its unit and colon: "Ausgaben" for "Ausgaben (€):".
QString tableName(const QString& caption) {
    QString name = caption;
    name.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*:?\\s*$|:\\s*$")));
    return name.trimmed();
}

} // namespace

void ResultPagesHost::describeGrid(const ResultGrid* grid, PrintJob& job) const {
    using Kind = ResultQueries::ResultKind;
    for (Kind kind : {Kind::Expenditure, Kind::Revenue, Kind::Balance}) {
        if (m_finance->grid(kind) != grid)
            continue;
        job.table = tableName(m_finance->caption(kind)->text());
        job.filters << filterText(m_finance->costBearerGroup()) << filterText(m_finance->typeGroup());
        if (kind == Kind::Balance)
            job.filters << QStringLiteral("Gruppierung: %1").arg(m_finance->groupingGroup()->itemText());
        return;
    }
    job.table = grid == m_population->gridWE() ? QStringLiteral("Wohneinheiten") : QStringLiteral("Bewohner");
    if (grid == m_population->gridBeV())
        job.filters << filterText(m_population->areaGroup());
}

void ResultPagesHost::printGrid(ResultGrid* grid) {
    if (!m_printDialog)
        m_printDialog = new PrintDialog(m_window, windowProvenance(m_dbs.master()).line());
    PrintJob job;
    describeGrid(grid, job);
    job.projekt = recordText("Projekt");
    job.model = grid->model();
    job.columns = printColumnsFitting(*grid);
    job.footer = grid->hasFooter() ? grid->footerCells() : QStringList();
    job.id = recordText("ID");
    job.pg = recordText("PG");
    job.pgName = recordText("PG_Name");
    job.beschreibung = recordText("Beschreibung");
    m_printDialog->printModel(job);
}

PrintJob ResultPagesHost::keyFiguresJob() {
    // The figures' texts are made for paper: Austrian German numbers.
    const NumberFormat::DocumentScope documentFormat;
    PrintJob job;
    job.model = m_keyFigures->printModel();
    PrintColumn caption;
    caption.modelColumn = 0;
    caption.title = QStringLiteral("Kennzahl");
    caption.width = 260;
    PrintColumn value;
    value.modelColumn = 1;
    value.title = QStringLiteral("Wert");
    value.width = 140;
    value.alignment = Qt::AlignRight;
    job.columns = {caption, value};
    job.id = recordText("ID");
    job.pg = recordText("PG");
    job.pgName = recordText("PG_Name");
    job.projekt = recordText("Projekt");
    job.table = QStringLiteral("Kennzahlen");
    const KeyFigureOptions options = m_keyFigures->options();
    job.filters << QStringLiteral("Kostenträger: %1")
                       .arg(options.costBearer.isEmpty() ? QStringLiteral("alle") : options.costBearer)
                << QStringLiteral("Zinssatz: %1 %").arg(NumberFormat::general(options.discountRate));
    job.beschreibung =
        QStringLiteral("%1 – Kennzahlen für %2, Zinssatz %3 %")
            .arg(recordText("Beschreibung"),
                 options.costBearer.isEmpty() ? QStringLiteral("alle Kostenträger") : options.costBearer,
                 NumberFormat::general(options.discountRate));
    return job;
}

void ResultPagesHost::printKeyFigures() {
    if (!m_printDialog)
        m_printDialog = new PrintDialog(m_window, windowProvenance(m_dbs.master()).line());
    m_printDialog->printModel(keyFiguresJob());
}

void ResultPagesHost::saveKeyFiguresPdf() {
    const QString file =
        QFileDialog::getSaveFileName(m_window, QStringLiteral("Kennzahlen als PDF speichern"),
                                     QStringLiteral("Kennzahlen_Projekt_%1.pdf").arg(recordText("ID")),
                                     QStringLiteral("PDF-Dateien (*.pdf)"));
    if (file.isEmpty())
        return;
    if (!m_printDialog)
        m_printDialog = new PrintDialog(m_window, windowProvenance(m_dbs.master()).line());
    m_printDialog->setJob(keyFiguresJob());
    try {
        m_printDialog->writePdf(file, QPageLayout::Portrait);
        Questions::announceSaved(m_window, file);
    } catch (const TavoError& e) {
        QMessageBox::critical(m_window, QStringLiteral("TAVO - Tavorechner"), e.message());
    }
}

void ResultPagesHost::showFinanceChart(ResultKind kind) {
    ChartRequest request;
    request.projectId = m_finance->projectId();
    request.quantity = quantityOf(kind);
    request.titleLines = ChartRequest::projectTitle(recordText("PG_Name"), recordText("Beschreibung"));
    // The names come from the page's filter groups; their choices do not restrict the chart.
    request.costBearers = ChartRequest::chartedItems(m_finance->costBearerGroup()->items());
    request.types = ChartRequest::chartedItems(m_finance->typeGroup()->items());
    try {
        auto chart = std::make_unique<FinanceChartWindow>(m_dbs, request, m_window);
        chart->exec();
    } catch (const TavoError& e) {
        QMessageBox::critical(m_window, QStringLiteral("TAVO - Tavorechner"), e.message());
    }
}

} // namespace tavo
