#include "gui/results/ResultGrid.h"

#include <limits>

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QSqlRecord>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/common/GridFooter.h"
#include "gui/results/ResultExport.h"
#include "gui/results/ResultZoom.h"

namespace tavo {

namespace {

PrintColumn toPrintColumn(const ResultColumn& column, int index) {
    PrintColumn p;
    p.modelColumn = index;
    p.title = QString::fromUtf8(column.field);
    p.width = column.width;
    p.format = column.format;
    p.alignment = column.alignment;
    return p;
}

// Formats the cells of a result grid exactly as the table printer does.
class ResultCellDelegate : public QStyledItemDelegate {
public:
    explicit ResultCellDelegate(ResultGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = m_grid->cellText(index.column(), index.data(Qt::DisplayRole));
    }

private:
    ResultGrid* m_grid;
};

} // namespace

ResultGridModel::ResultGridModel(QList<ResultColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)) {}

void ResultGridModel::setQuery(QSqlQuery&& query) {
    beginResetModel();
    m_source.setQuery(std::move(query));
    while (m_source.canFetchMore())
        m_source.fetchMore();
    const QSqlRecord record = m_source.record();
    m_sourceColumn.clear();
    for (const ResultColumn& c : m_columns)
        m_sourceColumn << record.indexOf(QString::fromUtf8(c.field));
    m_open = true;
    endResetModel();
}

void ResultGridModel::clear() {
    beginResetModel();
    m_source.clear();
    m_sourceColumn.clear();
    m_open = false;
    endResetModel();
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_open ? 0 : m_source.rowCount();
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= m_columns.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(m_columns.at(index.column()).alignment | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && m_columns.at(index.column()).format == CellFormat::Plain) {
        // A text cut short by its column shows in full as the tooltip.
        const QVariant value = data(index, Qt::DisplayRole);
        return value.typeId() == QMetaType::QString ? value : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const int source = m_sourceColumn.value(index.column(), -1);
    if (source < 0)
        return QVariant();
    return m_source.data(m_source.index(index.row(), source), Qt::DisplayRole);
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(m_columns.at(section).field);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(m_columns.at(section).alignment | Qt::AlignVCenter);
    return QVariant();
}

ResultGrid::ResultGrid(const QList<ResultColumn>& columns, bool withFooter, QWidget* parent)
    : QWidget(parent), m_view(new QTableView(this)), m_model(new ResultGridModel(columns, this)) {
    m_view->setModel(m_model);
    m_view->setItemDelegate(new ResultCellDelegate(this));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A cut text keeps its start and its end ("soz. Infra…Erhaltung" against "…Errichtung").
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_view->verticalHeader()->hide();
    // Compact rows, so that a page shows many of them.
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 3);
    m_view->verticalHeader()->setMinimumSectionSize(m_view->fontMetrics().height() + 3);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setMinimumSectionSize(16);
    for (int i = 0; i < columns.size(); ++i) {
        m_view->setColumnWidth(i, columns.at(i).width);
        m_wanted << columns.at(i).width;
        m_textNeed << 0;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    if (withFooter)
        buildFooter();
    connect(m_model, &QAbstractItemModel::modelReset, this, &ResultGrid::widenNumberColumns);

    m_copyAction = new QAction(QStringLiteral("Kopieren"), this);
    m_copyAction->setObjectName(QStringLiteral("actKopieren"));
    m_exportAction = new QAction(QStringLiteral("Exportieren..."), this);
    m_exportAction->setObjectName(QStringLiteral("actExportieren"));
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->addAction(m_copyAction);
    m_view->addAction(m_exportAction);
    connect(m_copyAction, &QAction::triggered, this, [this] {
        if (m_model->isOpen())
            copyDatasetToClipboard(m_model->queryModel());
    });
    connect(m_exportAction, &QAction::triggered, this, &ResultGrid::exportDataset);
}

void ResultGrid::setExportName(const QString& name, const QStringList& totalFields) {
    m_exportName = name;
    m_totalFields = totalFields;
    m_view->setAccessibleName(name);
    m_view->setAccessibleDescription(
        QStringLiteral("Ergebnistabelle %1; Kopieren und Exportieren im Kontextmenü").arg(name));
}

bool ResultGrid::exportDataset() {
    if (!m_model->isOpen())
        return false;
    const QString fileName =
        m_exportFilePrefix.isEmpty() ? m_exportName : m_exportFilePrefix + QLatin1Char(' ') + m_exportName;
    return ResultExport::saveDataset(window(), m_model->queryModel(), m_exportName, m_totalFields, fileName);
}

// The widths are laid out for a compact font; where a number or total does not fit its column in the
// font in use, the column grows to show it whole (a cut amount, or a total losing its minus sign at
// the left edge, would be misread).
// The wanted widths never shrink here; fitColumns() cuts text columns where the grid is narrow.
void ResultGrid::widenNumberColumns() {
    const QFontMetrics cells = m_view->fontMetrics();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics footer(bold);
    const QFontMetrics titles = m_view->horizontalHeader()->fontMetrics();
    const auto& columns = m_model->columns();
    for (int c = 0; c < columns.size(); ++c) {
        // While data is shown every column fits its title (a narrow "Jahr" column would read "ahr").
        int needed =
            m_model->isOpen() ? titles.horizontalAdvance(QString::fromUtf8(columns.at(c).field)) + 16 : 0;
        if (columns.at(c).format != CellFormat::Plain && m_footer)
            needed = qMax(needed, footer.horizontalAdvance(m_footer->text(c)) + 8);
        for (int row = 0; columns.at(c).format != CellFormat::Plain && row < m_model->rowCount(); ++row)
            needed = qMax(needed, cells.horizontalAdvance(cellText(c, m_model->index(row, c).data())) + 12);
        // A text column grows to its longest entry, up to twice its designed width; what is longer
        // is cut short and shows in full as its tooltip, unless the grid has room to spare.
        int longest = 0;
        for (int row = 0; columns.at(c).format == CellFormat::Plain && row < m_model->rowCount(); ++row)
            longest = qMax(longest, cells.horizontalAdvance(cellText(c, m_model->index(row, c).data())) + 12);
        needed = qMax(needed, qMin(2 * columns.at(c).width, longest));
        m_wanted[c] = qMax(m_wanted[c], needed);
        m_textNeed[c] = qMax(m_textNeed[c], longest);
    }
    fitColumns();
}

void ResultGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

// The room a grid needs beyond its columns: its frame, a vertical scroll bar and a little slack, so
// that no horizontal scroll bar appears for a few pixels.
int ResultGrid::chromeWidth() const {
    return 2 * m_view->frameWidth() + m_view->verticalScrollBar()->sizeHint().width() + 6;
}

void ResultGrid::fitColumns() {
    const QList<int> widths = columnWidthsFor(textLevelFor(m_view->width() - chromeWidth()));
    for (int c = 0; c < widths.size(); ++c)
        m_view->setColumnWidth(c, widths[c]);
}

// Per column: an amount its wanted width; a text column what its longest entry needs, but no more
// than level and no less than its least width (its title in sight).
QList<int> ResultGrid::columnWidthsFor(int level) const {
    const auto& columns = m_model->columns();
    const QFontMetrics titles = m_view->horizontalHeader()->fontMetrics();
    QList<int> widths;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c).format != CellFormat::Plain) {
            widths << m_wanted[c];
            continue;
        }
        const int least = qMin(
            m_wanted[c], qMax(40, titles.horizontalAdvance(QString::fromUtf8(columns.at(c).field)) + 12));
        widths << qMax(least, qMin(qMax(m_wanted[c], m_textNeed[c]), level));
    }
    return widths;
}

int ResultGrid::widthForLevel(int level) const {
    const QList<int> widths = columnWidthsFor(level);
    int sum = chromeWidth();
    for (int c = 0; c < widths.size(); ++c)
        if (!m_view->isColumnHidden(c))
            sum += widths[c];
    return sum;
}

int ResultGrid::fullWidth() const {
    return widthForLevel(std::numeric_limits<int>::max());
}

// The widest a text column may be so that the visible columns fit room: text columns narrower than
// that level show whole, only the longer ones are cut to it (never below their least width). Short
// entries such as a type or a cost bearer thus stay readable while a long designation gives up
// what is missing.
int ResultGrid::textLevelFor(int room) const {
    return largestLevel([this](int level) { return widthForLevel(level); }, room + chromeWidth());
}

int ResultGrid::largestLevel(const std::function<int(int)>& widthAt, int room) {
    if (widthAt(std::numeric_limits<int>::max()) <= room)
        return std::numeric_limits<int>::max();
    // Halving: the width grows with the level.
    int low = 0;
    int high = 4096;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (widthAt(middle) <= room)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

void ResultGrid::buildFooter() {
    m_footer = new GridFooter(m_view, this);
    m_footer->setFramedCells(false);
    m_footer->setAutoFillBackground(true);
    QFont bold = font();
    bold.setBold(true);
    m_footer->setFont(bold);
    m_footer->setFixedHeight(m_view->fontMetrics().height() + 8);
    const auto& columns = m_model->columns();
    for (int c = 0; c < columns.size(); ++c) {
        m_footer->setText(c, QString());
        m_footer->setAlignment(c, columns.at(c).alignment);
    }
    layout()->addWidget(m_footer);
}

int ResultGrid::columnOf(const QString& field) const {
    const auto& columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i)
        if (QString::fromUtf8(columns.at(i).field) == field)
            return i;
    return -1;
}

void ResultGrid::setFooterText(const QString& field, const QString& text) {
    const int column = columnOf(field);
    if (m_footer && column >= 0) {
        m_footer->setText(column, text);
        widenNumberColumns();
    }
}

QString ResultGrid::footerText(const QString& field) const {
    const int column = columnOf(field);
    return m_footer && column >= 0 ? m_footer->text(column) : QString();
}

void ResultGrid::setFooterAlignment(const QString& field, Qt::Alignment alignment) {
    const int column = columnOf(field);
    if (m_footer && column >= 0)
        m_footer->setAlignment(column, alignment);
}

QStringList ResultGrid::footerCells() const {
    return m_footer ? m_footer->texts() : QStringList();
}

QList<PrintColumn> ResultGrid::printColumns() const {
    QList<PrintColumn> result;
    const auto& columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i) {
        PrintColumn p = toPrintColumn(columns.at(i), i);
        // A printout shows every column at its wanted width, whatever room the grid has on screen.
        p.width = m_wanted[i];
        result << p;
    }
    return result;
}

QString ResultGrid::cellText(int column, const QVariant& value) const {
    if (column < 0 || column >= m_model->columns().size())
        return QString();
    return TablePrinter::cellText(toPrintColumn(m_model->columns().at(column), column), value);
}

} // namespace tavo
