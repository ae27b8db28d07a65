#include "gui/common/ListModel.h"

#include <QSqlField>
#include <QSqlRecord>

namespace tavo {

bool ListModel::isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A column is numeric when its first non-empty value is a number; SQLite reports the type per value,
// so an empty first row does not decide.
bool ListModel::isNumericColumn(int column) const {
    for (int row = 0; row < rowCount(); ++row) {
        const QVariant value = QSqlQueryModel::data(index(row, column));
        if (!value.isNull())
            return isNumber(value);
    }
    return false;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole && index.isValid()) {
        const QVariant value = QSqlQueryModel::data(index);
        const bool number = value.isNull() ? isNumericColumn(index.column()) : isNumber(value);
        return static_cast<int>((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    // A text cut short by a narrow column can be read in full as its tooltip.
    if (role == Qt::ToolTipRole && index.isValid()) {
        const QVariant value = QSqlQueryModel::data(index);
        return value.typeId() == QMetaType::QString ? value : QVariant();
    }
    return QSqlQueryModel::data(index, role);
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole) {
            const QString field = record().fieldName(section);
            return m_titles.value(field, field);
        }
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>((isNumericColumn(section) ? Qt::AlignRight : Qt::AlignLeft) |
                                    Qt::AlignVCenter);
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}

} // namespace tavo
