#include "gui/results/ResultPopulationPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "gui/common/ProvenanceLabel.h"
#include "gui/common/Settings.h"
#include "gui/results/CapacityPanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"

namespace tavo {

using namespace ResultQueries;

namespace {

constexpr Qt::Alignment kRight = Qt::AlignRight;

const QList<ResultColumn> kWEColumns = {
    {"Jahr", 40, CellFormat::Plain, kRight},
    {"Wohneinheiten", 100, CellFormat::OneDecimal, kRight},
};

const QList<ResultColumn> kBeVColumns = {
    {"Jahr", 40, CellFormat::Plain, kRight},
    {"Kindergartenkinder", 100, CellFormat::OneDecimal, kRight},
    {"Volksschüler", 100, CellFormat::OneDecimal, kRight},
    {"Bewohner", 100, CellFormat::OneDecimal, kRight},
};

} // namespace

ResultPopulationPanel::ResultPopulationPanel(Databases& dbs, QWidget* parent)
    : QWidget(parent), m_dbs(dbs), m_gridWE(new ResultGrid(kWEColumns, false, this)),
      m_gridBeV(new ResultGrid(kBeVColumns, false, this)) {
    m_gridWE->setObjectName(QStringLiteral("GridWE"));
    m_gridBeV->setObjectName(QStringLiteral("GridBeV1"));
    m_gridWE->setExportName(QStringLiteral("Wohneinheiten"));
    m_gridBeV->setExportName(QStringLiteral("Bewohner"));
    const QString copyHint = QStringLiteral("in Zwischenablage kopieren");
    m_copyUnitsButton = makeButton(QStringLiteral("btCopyWE"), QStringLiteral("Kopieren"), copyHint);
    m_printUnitsButton = makeButton(QStringLiteral("btDruckWE"), QStringLiteral("Drucken"),
                             QStringLiteral("drucke Wohneinheiten"));
    m_copyInhabitantsButton =
        makeButton(QStringLiteral("SpeedButton4"), QStringLiteral("Kopieren"), copyHint);
    m_printInhabitantsButton =
        makeButton(QStringLiteral("BitBtn7"), QStringLiteral("Drucken"), QStringLiteral("drucke Bewohner"));

    m_areaGroup = new ResultRadioGroup(QStringLiteral("Filter: Gebiet"), 3, this);
    m_areaGroup->setObjectName(QStringLiteral("rgGebiet1"));
    m_areaGroup->setItems(areaItems());
    m_areaGroup->setItemIndex(0);
    Settings::restoreChoice(m_areaGroup, QStringLiteral("Gebiet"));
    connect(m_areaGroup, &ResultRadioGroup::clicked, this, &ResultPopulationPanel::clickShowingErrors);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildColumn(QStringLiteral("StaticText181"), QStringLiteral("Wohneinheiten:"), m_gridWE,
                                  m_copyUnitsButton, m_printUnitsButton));
    QWidget* right = buildColumn(QStringLiteral("StaticText180"), QStringLiteral("Bewohner:"), m_gridBeV,
                                 m_copyInhabitantsButton, m_printInhabitantsButton);
    right->layout()->addWidget(m_areaGroup);
    // The forecast filter shows the master's population forecast: say whose it is.
    right->layout()->addWidget(makeProvenanceLabel(windowProvenance(m_dbs.master()), right));
    m_exportButton = makeButton(QStringLiteral("btExportBevoelkerung"), QStringLiteral("Exportieren..."),
                                QStringLiteral("Wohneinheiten oder Bewohner als Datei speichern"));
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_exportButton);
    menu->addAction(QStringLiteral("Wohneinheiten"), this, [this] { m_gridWE->exportDataset(); });
    menu->addAction(QStringLiteral("Bewohner"), this, [this] { m_gridBeV->exportDataset(); });
    m_exportButton->setMenu(menu);
    auto* exportRow = new QHBoxLayout;
    exportRow->addStretch(1);
    exportRow->addWidget(m_exportButton);
    static_cast<QVBoxLayout*>(right->layout())->addLayout(exportRow);
    layout->addWidget(right, 1);
    m_capacity = new CapacityPanel(this);
    layout->addWidget(m_capacity, 2);

    // A closed view (no project yet) leaves the clipboard as it is.
    connect(m_copyUnitsButton, &QToolButton::clicked, this, [this] {
        if (m_gridWE->model()->isOpen())
            copyDatasetToClipboard(datasetWE());
    });
    connect(m_copyInhabitantsButton, &QToolButton::clicked, this, [this] {
        if (m_gridBeV->model()->isOpen())
            copyDatasetToClipboard(datasetBeV());
    });
    connect(m_printUnitsButton, &QToolButton::clicked, this, [this] { Q_EMIT printRequested(m_gridWE); });
    connect(m_printInhabitantsButton, &QToolButton::clicked, this,
            [this] { Q_EMIT printRequested(m_gridBeV); });
}

QToolButton* ResultPopulationPanel::makeButton(const QString& name, const QString& text,
                                               const QString& hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

// A caption in bold, the copy and print buttons beside it, the grid below.
QWidget* ResultPopulationPanel::buildColumn(const QString& captionName, const QString& caption,
                                            ResultGrid* grid, QToolButton* copy, QToolButton* print) {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, box);
    label->setObjectName(captionName);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(copy);
    row->addWidget(print);
    column->addLayout(row);
    column->addWidget(grid, 1);
    int width = 0;
    for (const PrintColumn& c : grid->printColumns())
        width += c.width;
    grid->setMinimumWidth(width + 24);
    return box;
}

void ResultPopulationPanel::clickShowingErrors() {
    Settings::saveChoice(m_areaGroup, QStringLiteral("Gebiet"));
    try {
        onAreaFilterChanged();
    } catch (const TavoError& e) {
        QMessageBox::critical(this, QStringLiteral("TAVO"), e.message());
    }
}

void ResultPopulationPanel::setProject(int projectId) {
    m_projectId = projectId;
    openProjectData();
}

void ResultPopulationPanel::buildPopulationQueries() {
    m_queryBeV = Query();
    const Query bev = ResultQueries::buildPopulationQueries(m_dbs.user(), m_areaGroup->itemIndex(),
                                                            readPopulationSource(m_dbs.user(), m_projectId));
    m_queryBeV = bev;
    m_queryWE = buildDwellingQuery(m_projectId);
}

void ResultPopulationPanel::onAreaFilterChanged() {
    if (m_projectId <= 0)
        return;
    // Both grids from one state of the database.
    const ReadTransaction read(m_dbs.user());
    buildPopulationQueries();
    m_gridBeV->model()->setQuery(execute(m_dbs.user(), m_queryBeV));
    m_gridWE->model()->setQuery(execute(m_dbs.user(), m_queryWE));
    m_capacity->setFigures(readCapacityFigures(m_dbs.user(), m_projectId));
    Q_EMIT resultsRefreshed();
}

void ResultPopulationPanel::openProjectData() {
    closeProjectData();
    onAreaFilterChanged();
}

void ResultPopulationPanel::closeProjectData() {
    m_gridBeV->model()->clear();
    m_gridWE->model()->clear();
    m_capacity->clear();
}

const QSqlQueryModel& ResultPopulationPanel::datasetWE() const {
    return m_gridWE->model()->queryModel();
}

const QSqlQueryModel& ResultPopulationPanel::datasetBeV() const {
    return m_gridBeV->model()->queryModel();
}

void ResultPopulationPanel::copyDatasetToClipboard(const QSqlQueryModel& dataset) {
    tavo::copyDatasetToClipboard(dataset);
}

} // namespace tavo
