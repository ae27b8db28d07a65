#include "gui/input/DetailModel.h"

#include <cmath>

#include <QFont>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/projects/DetailRows.h"
#include "core/projects/InputCheck.h"

namespace tavo {

DetailModel::DetailModel(QSqlDatabase db, const QString& table, std::vector<DetailColumn> columns,
                         QObject* parent)
    : QAbstractTableModel(parent), m_db(db), m_table(table), m_columns(std::move(columns)) {
    connect(this, &QAbstractItemModel::dataChanged, this, &DetailModel::contentsChanged);
    connect(this, &QAbstractItemModel::rowsInserted, this, &DetailModel::contentsChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &DetailModel::contentsChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &DetailModel::contentsChanged);
}

int DetailModel::columnIndex(const QString& field) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (field == QString::fromUtf8(m_columns[i].field))
            return static_cast<int>(i);
    return -1;
}

void DetailModel::setPickList(int column, const QStringList& picks, const QStringList& keys) {
    m_picks.insert(column, picks);
    m_keys.insert(column, keys);
}

void DetailModel::load(int projectId) {
    QSqlQuery query = DetailRows::select(m_db, m_table, projectId);
    // The key first, then the grid's columns by name.
    std::vector<int> positions;
    for (const DetailColumn& c : m_columns)
        positions.push_back(query.record().indexOf(QString::fromUtf8(c.field)));
    beginResetModel();
    m_projectId = projectId;
    m_rows.clear();
    m_deletedIds.clear();
    while (query.next()) {
        Record record;
        record.id = query.value(0);
        // An empty value is an empty cell whatever the column's type: the PostgreSQL driver gives it the
        // column's type, which would open a number editor showing 0 and write that 0 back.
        for (const int position : positions)
            record.values.push_back(query.value(position).isNull() ? QVariant() : query.value(position));
        m_rows.push_back(std::move(record));
    }
    endResetModel();
}

bool DetailModel::isDirty() const {
    if (!m_deletedIds.empty())
        return true;
    for (const Record& r : m_rows)
        if (r.dirty)
            return true;
    return false;
}

bool DetailModel::isRowDirty(int row) const {
    return row >= 0 && row < rowCount() && m_rows[static_cast<size_t>(row)].dirty;
}

void DetailModel::writeRecord(const Record& record) {
    QStringList fields;
    QVariantList values;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        fields << QString::fromUtf8(m_columns[i].field);
        values << record.values[i];
    }
    if (record.id.isNull())
        DetailRows::insert(m_db, m_table, m_projectId, fields, values);
    else
        DetailRows::update(m_db, m_table, record.id, fields, values);
}

void DetailModel::submitAll() {
    if (!isDirty())
        return;
    if (m_beforeWrite)
        m_beforeWrite();
    Transaction transaction(m_db);
    for (const QVariant& id : m_deletedIds)
        DetailRows::remove(m_db, m_table, id);
    for (const Record& record : m_rows)
        if (record.dirty)
            writeRecord(record);
    transaction.commit();
    load(m_projectId);
}

int DetailModel::appendRow() {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    Record record;
    record.values.resize(m_columns.size());
    record.dirty = true;
    m_rows.push_back(std::move(record));
    endInsertRows();
    return row;
}

bool DetailModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count < 1 || row + count > rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    for (int i = row; i < row + count; ++i)
        if (!m_rows[static_cast<size_t>(i)].id.isNull())
            m_deletedIds.push_back(m_rows[static_cast<size_t>(i)].id);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    endRemoveRows();
    return true;
}

double DetailModel::columnSum(int column) const {
    double sum = 0.0;
    for (const Record& r : m_rows)
        sum += NumberFormat::toDouble(r.values[static_cast<size_t>(column)]);
    return sum;
}

// The unit the suggestions of a numeric column show after their number ("20 %" → " %"), so that a
// typed value that is no suggestion reads like them ("35 %").
QString DetailModel::unitOfPicks(int column) const {
    const QStringList keys = m_keys.value(column);
    const QStringList picks = m_picks.value(column);
    if (keys.isEmpty() || picks.isEmpty())
        return QString();
    const QString number = NumberFormat::general(NumberFormat::toDouble(keys.first()));
    return picks.first().startsWith(number) ? picks.first().mid(number.size()) : QString();
}

QString DetailModel::displayText(int row, int column) const {
    const QVariant value = m_rows[static_cast<size_t>(row)].values[static_cast<size_t>(column)];
    if (value.isNull() || !value.isValid())
        return QString();
    const QStringList keys = m_keys.value(column);
    if (!keys.isEmpty()) {
        const bool numeric = m_columns[static_cast<size_t>(column)].kind != DetailColumn::Text;
        for (int i = 0; i < keys.size(); ++i) {
            const bool same = numeric ? NumberFormat::toDouble(keys[i]) == NumberFormat::toDouble(value)
                                      : keys[i] == value.toString();
            if (same)
                return m_picks.value(column).value(i);
        }
    }
    const DetailColumn& c = m_columns[static_cast<size_t>(column)];
    if (c.kind == DetailColumn::Text)
        return value.toString();
    const double number = NumberFormat::toDouble(value);
    if (c.decimals < 0)
        return NumberFormat::general(number) + unitOfPicks(column);
    return c.thousands ? NumberFormat::fixed(number, c.decimals)
                       : NumberFormat::plainFixed(number, c.decimals);
}

int DetailModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DetailModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DetailModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const DetailColumn& c = m_columns[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        return m_rows[static_cast<size_t>(index.row())].values[static_cast<size_t>(index.column())];
    case Qt::TextAlignmentRole:
        return c.kind == DetailColumn::Text || m_keys.contains(index.column())
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (c.bold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    default:
        return QVariant();
    }
}

QString DetailModel::stored(int column, const QVariant& value, QVariant* out) const {
    *out = QVariant();
    if (!value.isValid() || value.isNull())
        return QString();
    const DetailColumn& c = m_columns[static_cast<size_t>(column)];
    const bool isText = value.typeId() == QMetaType::QString;
    if (isText && value.toString().trimmed().isEmpty())
        return QString();
    const QString shown = NumberFormat::excerpt(value.toString());
    if (c.kind == DetailColumn::Text) {
        // A longer text (pasted) is refused like the editor refuses it: the input check would.
        const int longest = InputCheck::maxTextLength(QString::fromUtf8(c.field));
        if (value.toString().size() > longest)
            return QStringLiteral("'%1' ist länger als %2 Zeichen.").arg(shown).arg(longest);
        *out = value.toString();
        return QString();
    }
    // Typed text in the user's locale or the neutral notation of the value lists; whatever is no
    // finite number ("inf", "nan", "1e999") is refused like any other text.
    bool ok = false;
    const double number = isText ? NumberFormat::parseTyped(value.toString(), &ok) : value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return QStringLiteral("'%1' ist keine gültige Zahl.").arg(shown);
    if (number < c.minimum || number > c.maximum)
        return QStringLiteral("'%1' liegt nicht zwischen %2 und %3.")
            .arg(shown, NumberFormat::general(c.minimum), NumberFormat::general(c.maximum));
    // A whole-number column would cut a fraction off without a word.
    if (c.kind == DetailColumn::Integer && std::trunc(number) != number)
        return QStringLiteral("'%1' ist keine ganze Zahl.").arg(shown);
    *out = c.kind == DetailColumn::Integer ? QVariant(static_cast<qlonglong>(number)) : QVariant(number);
    return QString();
}

QString DetailModel::refusal(int column, const QVariant& value) const {
    QVariant unused;
    return column < 0 || column >= columnCount() ? QString() : stored(column, value, &unused);
}

bool DetailModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    Record& record = m_rows[static_cast<size_t>(index.row())];
    QVariant newValue;
    if (!stored(index.column(), value, &newValue).isEmpty())
        return false;
    QVariant& cell = record.values[static_cast<size_t>(index.column())];
    const bool unchanged =
        cell.isNull() || !cell.isValid() ? newValue.isNull() : (!newValue.isNull() && cell == newValue);
    if (unchanged)
        return true;
    cell = newValue;
    record.dirty = true;
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant DetailModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The row header is a narrow row indicator without numbers.
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return QString();
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const DetailColumn& c = m_columns[static_cast<size_t>(section)];
    return QString::fromUtf8(c.title ? c.title : c.field);
}

Qt::ItemFlags DetailModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

} // namespace tavo
