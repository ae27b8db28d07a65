#include "gui/results/ResultFinancePanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/results/ExportTable.h"
#include "gui/common/Settings.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultRadioGroup.h"

namespace tavo {

using namespace ResultQueries;

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;

// The columns of the three grids, as the page shows them.
// Text columns are as wide as their common entries; a longer one is cut short with "…" and shows in
// full as its tooltip.
const QList<ResultColumn> kAusgabenColumns = {
    {"Jahr", 25, CellFormat::Plain, kRight},        {"Typ", 100, CellFormat::Plain, kLeft},
    {"Bezeichnung", 205, CellFormat::Plain, kLeft}, {"Kostenträger", 100, CellFormat::Plain, kLeft},
    {"Ausgabe", 80, CellFormat::Money, kRight},
};
const QList<ResultColumn> kEinnahmenColumns = {
    {"Jahr", 25, CellFormat::Plain, kRight},        {"Typ", 100, CellFormat::Plain, kLeft},
    {"Bezeichnung", 205, CellFormat::Plain, kLeft}, {"Kostenträger", 100, CellFormat::Plain, kLeft},
    {"Einnahme", 80, CellFormat::Money, kRight},
};
const QList<ResultColumn> kSaldoColumns = {
    {"Jahr", 25, CellFormat::Plain, kRight},         {"Typ", 100, CellFormat::Plain, kLeft},
    {"Kostenträger", 100, CellFormat::Plain, kLeft}, {"Einnahmen", 80, CellFormat::Money, kRight},
    {"Ausgaben", 80, CellFormat::Money, kRight},     {"Saldo", 80, CellFormat::Money, kRight},
};

struct GridSpec {
    const char* objectName;
    const char* captionName;
    const char* caption;
    const QList<ResultColumn>* columns;
    const char* exportName; // sheet and file name of an export
};

const std::array<GridSpec, 3> kGrids = {{
    {"GridAusgaben", "stAusgaben", "Ausgaben (€):", &kAusgabenColumns, "Ausgaben"},
    {"GridEinnahmen", "stEinnahmen", "Einnahmen (€):", &kEinnahmenColumns, "Einnahmen"},
    {"GridSaldo", "stSaldo", "Saldo (€):", &kSaldoColumns, "Saldo"},
}};

// The footer totals in the order they are written: grid, field.
const std::array<std::pair<ResultKind, const char*>, 5> kTotals = {{
    {ResultKind::Expenditure, "Ausgabe"},
    {ResultKind::Revenue, "Einnahme"},
    {ResultKind::Balance, "Einnahmen"},
    {ResultKind::Balance, "Ausgaben"},
    {ResultKind::Balance, "Saldo"},
}};

} // namespace

ResultFinancePanel::ResultFinancePanel(Databases& dbs, QWidget* parent) : QWidget(parent), m_dbs(dbs) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildGrids(), 1);
    layout->addWidget(buildFilters());
    m_prepared = false;
    m_items = loadFilterItems(m_dbs.master());
    m_costBearerGroup->setItems(m_items.costBearers);
    m_costBearerGroup->setItemIndex(0);
    m_typeGroup->setItems(m_items.types);
    m_typeGroup->setItemIndex(static_cast<int>(m_items.types.size()) - 1);
    m_groupingGroup->setItems(groupingItems());
    m_groupingGroup->setItemIndex(0);
    // The choices the user made last time, where those items still exist.
    Settings::restoreChoice(m_costBearerGroup, QStringLiteral("Kostentraeger"));
    Settings::restoreChoice(m_typeGroup, QStringLiteral("Typ"));
    Settings::restoreChoice(m_groupingGroup, QStringLiteral("Gruppierung"));
    buildResultQueries();
    m_prepared = true;
    updateResultFooters();
}

// Expenditure above revenue on the left, the balance beside them at full height, in splitters the
// user can move; each grid is a cell of its caption row and the grid.
QWidget* ResultFinancePanel::buildGrids() {
    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->setObjectName(QStringLiteral("spAuswertungFinanz"));
    columns->setChildrenCollapsible(false);
    m_leftColumn = new QSplitter(Qt::Vertical, columns);
    m_leftColumn->setChildrenCollapsible(false);
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < 3; ++i) {
        const GridSpec& def = kGrids[i];
        auto* cell = new QWidget(i < 2 ? static_cast<QWidget*>(m_leftColumn) : columns);
        auto* column = new QVBoxLayout(cell);
        column->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(QString::fromUtf8(def.caption), cell);
        label->setObjectName(QString::fromUtf8(def.captionName));
        label->setFont(bold);
        m_captionRows[i] = new QHBoxLayout;
        m_captionRows[i]->addWidget(label);
        m_captionRows[i]->addStretch(1);
        column->addLayout(m_captionRows[i]);
        auto* grid = new ResultGrid(*def.columns, true, cell);
        grid->setObjectName(QString::fromUtf8(def.objectName));
        grid->setFooterText(QStringLiteral("Kostenträger"), QStringLiteral("Summe:"));
        grid->setFooterAlignment(QStringLiteral("Kostenträger"), Qt::AlignRight);
        grid->setExportName(QString::fromUtf8(def.exportName), financeTotalFields());
        column->addWidget(grid, 1);
        // The zoom hides and shows the grids; their cells follow (see eventFilter).
        grid->installEventFilter(this);
        m_cells[i] = cell;
        m_captions[i] = label;
        m_grids[i] = grid;
    }
    m_captions[0]->setStyleSheet(QStringLiteral("font-size: 13px;"));
    columns->setStretchFactor(0, 1);
    columns->setStretchFactor(1, 1);
    m_columns = columns;
    columns->installEventFilter(this);
    // Once the user has moved the splitter, the split is theirs.
    connect(columns, &QSplitter::splitterMoved, this, [this] { m_userSplit = true; });
    return columns;
}

// Splits the width between the left column and the balance so that both cut their text columns to
// the same level: a type in the balance is not cut to "soz. …" while the designations beside it
// have room to spare. What is left when everything shows whole is shared equally.
void ResultFinancePanel::balanceColumns() {
    if (m_userSplit || m_leftColumn->isHidden() || m_cells[2]->isHidden())
        return;
    const int room = m_columns->width() - m_columns->handleWidth();
    if (room <= 0)
        return;
    const auto leftWidth = [this](int level) {
        int width = 0;
        for (int i = 0; i < 2; ++i)
            if (!m_cells[i]->isHidden())
                width = qMax(width, m_grids[i]->widthForLevel(level));
        return width;
    };
    const auto both = [&](int level) { return leftWidth(level) + m_grids[2]->widthForLevel(level); };
    const int level = ResultGrid::largestLevel(both, room);
    const int left = leftWidth(level);
    const int spare = qMax(0, room - both(level));
    m_columns->setSizes({left + spare / 2, room - left - spare / 2});
}

bool ResultFinancePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_columns && event->type() == QEvent::Resize) {
        const bool handled = QWidget::eventFilter(watched, event);
        balanceColumns();
        return handled;
    }
    if (event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent) {
        for (int i = 0; i < 3; ++i)
            if (watched == m_grids[i])
                m_cells[i]->setVisible(!m_grids[i]->isHidden());
        m_leftColumn->setVisible(!m_cells[0]->isHidden() || !m_cells[1]->isHidden());
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* ResultFinancePanel::buildFilters() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    // The tools stand two by two, so that the column of filters takes no more width than its
    // longest type and the grids beside it keep the room.
    m_tools = new QGridLayout;
    m_tools->setColumnStretch(0, 1);
    column->addLayout(m_tools);
    // The views as the menu of the export button; each entry saves what its grid shows.
    m_exportButton = new QToolButton(box);
    m_exportButton->setObjectName(QStringLiteral("btExportFinanz"));
    m_exportButton->setText(QStringLiteral("Exportieren..."));
    m_exportButton->setToolTip(QStringLiteral("Ausgaben, Einnahmen oder Saldo als Datei speichern"));
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_exportButton);
    for (int i = 0; i < 3; ++i)
        menu->addAction(QString::fromUtf8(kGrids[i].exportName), this,
                        [this, i] { m_grids[i]->exportDataset(); });
    m_exportButton->setMenu(menu);
    auto* exportRow = new QHBoxLayout;
    exportRow->addStretch(1);
    exportRow->addWidget(m_exportButton);
    column->addLayout(exportRow);
    m_costBearerGroup = new ResultRadioGroup(QStringLiteral("Filter: Kostenträger"), 1, box);
    m_costBearerGroup->setObjectName(QStringLiteral("rgKostentraeger"));
    m_typeGroup = new ResultRadioGroup(QStringLiteral("Filter: Typ"), 1, box);
    m_typeGroup->setObjectName(QStringLiteral("rgKostenTyp"));
    m_groupingGroup = new ResultRadioGroup(QStringLiteral("Saldo Gruppierung nach:"), 1, box);
    m_groupingGroup->setObjectName(QStringLiteral("rgGruppierung"));
    column->addWidget(m_costBearerGroup);
    column->addWidget(m_typeGroup);
    column->addStretch(1);
    column->addWidget(m_groupingGroup);
    for (ResultRadioGroup* group : {m_costBearerGroup, m_typeGroup, m_groupingGroup})
        connect(group, &ResultRadioGroup::clicked, this, &ResultFinancePanel::refreshShowingErrors);
    return box;
}

// A click is a window boundary: its error is shown, not passed on.
void ResultFinancePanel::refreshShowingErrors() {
    Settings::saveChoice(m_costBearerGroup, QStringLiteral("Kostentraeger"));
    Settings::saveChoice(m_typeGroup, QStringLiteral("Typ"));
    Settings::saveChoice(m_groupingGroup, QStringLiteral("Gruppierung"));
    try {
        onFilterChanged();
    } catch (const TavoError& e) {
        QMessageBox::critical(this, QStringLiteral("TAVO"), e.message());
    }
}

void ResultFinancePanel::setProject(int projectId) {
    m_projectId = projectId;
    openProjectData();
}

FinanceChoice ResultFinancePanel::choice() const {
    FinanceChoice c;
    c.costBearer = m_costBearerGroup->itemIndex();
    c.type = m_typeGroup->itemIndex();
    c.grouping = m_groupingGroup->itemIndex();
    return c;
}

void ResultFinancePanel::buildResultQueries() {
    m_queries = ResultQueries::buildResultQueries(m_items, choice(), m_projectId);
}

// Opens the three views in their order; a failing one leaves the rest closed.
void ResultFinancePanel::openViews() {
    if (m_projectId <= 0)
        return;
    for (int i = 0; i < 3; ++i)
        m_grids[i]->model()->setQuery(execute(m_dbs.user(), m_queries[i]));
}

void ResultFinancePanel::openProjectData() {
    // The three grids and their footers from one state of the database.
    const ReadTransaction read(m_dbs.user());
    closeProjectData();
    buildResultQueries();
    openViews();
    updateResultFooters();
    balanceColumns();
    Q_EMIT resultsRefreshed();
}

void ResultFinancePanel::closeProjectData() {
    for (ResultGrid* grid : m_grids)
        grid->model()->clear();
}

void ResultFinancePanel::onFilterChanged() {
    if (!m_prepared)
        return;
    const ReadTransaction read(m_dbs.user());
    closeProjectData();
    buildResultQueries();
    openViews();
    updateResultFooters();
    balanceColumns();
    Q_EMIT resultsRefreshed();
}

void ResultFinancePanel::updateResultFooters() {
    const ReadTransaction read(m_dbs.user());
    for (const auto& [kind, field] : kTotals) {
        ResultGrid* target = grid(kind);
        const QString name = QString::fromUtf8(field);
        const QString text =
            target->model()->isOpen() ? sumColumnText(m_dbs.user(), query(kind), name) : formatTotal(0.0);
        target->setFooterText(name, text);
    }
}

void ResultFinancePanel::addTool(QToolButton* button) {
    const int count = m_tools->count();
    m_tools->addWidget(button, count / 2, 1 + count % 2);
}

ResultGrid* ResultFinancePanel::grid(ResultKind kind) const {
    return m_grids[index(kind)];
}

const QSqlQueryModel& ResultFinancePanel::dataset(ResultKind kind) const {
    return m_grids[index(kind)]->model()->queryModel();
}

QLabel* ResultFinancePanel::caption(ResultKind kind) const {
    return m_captions[index(kind)];
}

QHBoxLayout* ResultFinancePanel::captionRow(ResultKind kind) const {
    return m_captionRows[index(kind)];
}

ResultQueries::Query ResultFinancePanel::query(ResultKind kind) const {
    return m_queries[index(kind)];
}

QString ResultFinancePanel::costBearerChoice() const {
    const int i = m_costBearerGroup->itemIndex();
    return i == m_items.costBearers.size() - 1 ? QString() : m_costBearerGroup->itemText();
}

QString ResultFinancePanel::typeChoice() const {
    const int i = m_typeGroup->itemIndex();
    return i == m_items.types.size() - 1 ? QString() : m_typeGroup->itemText();
}

QString ResultFinancePanel::groupingChoice() const {
    return m_groupingGroup->itemText();
}

} // namespace tavo
