#pragma once

#include <QHash>
#include <QSqlQueryModel>
#include <QString>

namespace tavo {

// A read-only list over a query: numbers right-aligned, text left-aligned, and column titles in plain
// German where the query's field names are database names.
class ListModel : public QSqlQueryModel {
    Q_OBJECT
public:
    explicit ListModel(QObject* parent = nullptr) : QSqlQueryModel(parent) {}

    // The title shown for a field of the query; fields without one show their name.
    void setTitle(const QString& field, const QString& title) { m_titles.insert(field, title); }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Whether a stored value is a number (its cell right-aligned).
    static bool isNumber(const QVariant& value);

private:
    bool isNumericColumn(int column) const;

    QHash<QString, QString> m_titles;
};

} // namespace tavo
