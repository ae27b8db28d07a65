#include "gui/results/ResultPopulationPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"

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
    const QString copyHint = QStringLiteral("in Zwischenablage kopieren");
    m_btCopyWE = makeButton(QStringLiteral("btCopyWE"), QStringLiteral("Kopieren"), copyHint);
    m_btDruckWE = makeButton(QStringLiteral("btDruckWE"), QStringLiteral("Drucken"),
                             QStringLiteral("drucke Wohneinheiten"));
    m_btCopyBeV = makeButton(QStringLiteral("SpeedButton4"), QStringLiteral("Kopieren"), copyHint);
    m_btDruckBeV =
        makeButton(QStringLiteral("BitBtn7"), QStringLiteral("Drucken"), QStringLiteral("drucke Bewohner"));

    m_rgGebiet1 = new ResultRadioGroup(QStringLiteral("Filter: Gebiet"), 3, this);
    m_rgGebiet1->setObjectName(QStringLiteral("rgGebiet1"));
    m_rgGebiet1->setItems(areaItems());
    m_rgGebiet1->setItemIndex(0);
    connect(m_rgGebiet1, &ResultRadioGroup::clicked, this, &ResultPopulationPanel::clickShowingErrors);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildColumn(QStringLiteral("StaticText181"), QStringLiteral("Wohneinheiten:"), m_gridWE,
                                  m_btCopyWE, m_btDruckWE));
    QWidget* right = buildColumn(QStringLiteral("StaticText180"), QStringLiteral("Bewohner:"), m_gridBeV,
                                 m_btCopyBeV, m_btDruckBeV);
    right->layout()->addWidget(m_rgGebiet1);
    layout->addWidget(right, 1);

    // A closed view (no project yet) leaves the clipboard as it is.
    connect(m_btCopyWE, &QToolButton::clicked, this, [this] {
        if (m_gridWE->model()->isOpen())
            copyDatasetToClipboard(datasetWE());
    });
    connect(m_btCopyBeV, &QToolButton::clicked, this, [this] {
        if (m_gridBeV->model()->isOpen())
            copyDatasetToClipboard(datasetBeV());
    });
    connect(m_btDruckWE, &QToolButton::clicked, this, [this] { Q_EMIT printRequested(m_gridWE); });
    connect(m_btDruckBeV, &QToolButton::clicked, this, [this] { Q_EMIT printRequested(m_gridBeV); });
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
    try {
        rgGebietClick();
    } catch (const TavoError& e) {
        QMessageBox::critical(this, QStringLiteral("TAVO"), e.message());
    }
}

void ResultPopulationPanel::setProject(int projectId) {
    m_projectId = projectId;
    OpenProjectData();
}

void ResultPopulationPanel::BuildPopulationQueries() {
    m_queryBeV = Query();
    const Query bev = ResultQueries::BuildPopulationQueries(m_dbs.user(), m_rgGebiet1->itemIndex(),
                                                            readPopulationSource(m_dbs.user(), m_projectId));
    m_queryBeV = bev;
    m_queryWE = buildDwellingQuery(m_projectId);
}

void ResultPopulationPanel::rgGebietClick() {
    if (m_projectId <= 0)
        return;
    BuildPopulationQueries();
    m_gridBeV->model()->setQuery(execute(m_dbs.user(), m_queryBeV));
    m_gridWE->model()->setQuery(execute(m_dbs.user(), m_queryWE));
    Q_EMIT resultsRefreshed();
}

void ResultPopulationPanel::OpenProjectData() {
    CloseProjectData();
    rgGebietClick();
}

void ResultPopulationPanel::CloseProjectData() {
    m_gridBeV->model()->clear();
    m_gridWE->model()->clear();
}

const QSqlQueryModel& ResultPopulationPanel::datasetWE() const {
    return m_gridWE->model()->queryModel();
}

const QSqlQueryModel& ResultPopulationPanel::datasetBeV() const {
    return m_gridBeV->model()->queryModel();
}

void ResultPopulationPanel::copyDatasetToClipboard(const QSqlQueryModel& dataset) {
    CopyDataSetToClipboard(dataset);
}
