#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tavo {

// One column of a detail grid, as a table of these describes the grid.
struct DetailColumn {
    enum Kind { Integer, Number, Text };
    const char* field;
    const char* title; // nullptr: the field name
    int width;         // pixels
    Kind kind;
    int decimals;   // display decimals of numbers (-1: general format)
    bool thousands; // numbers shown with thousands separators ("###,##0.00")
    bool bold;
    bool footerSum;
    // The range a typed number must lie in; a value outside is refused.
    double minimum = -1e12;
    double maximum = 1e12;
};

// The detail rows (Bebauung, Besiedelung, Sonderausgaben) of one project, held in memory and
// written in one transaction by submitAll(). New rows get the project's key; deleted rows are
// removed on submit. Pick-list columns show the description of the stored key.
class DetailModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DetailModel(QSqlDatabase db, const QString& table, std::vector<DetailColumn> columns,
                QObject* parent = nullptr);

    const QString& table() const { return m_table; }
    const DetailColumn& column(int index) const { return m_columns.at(static_cast<size_t>(index)); }
    int columnIndex(const QString& field) const;
    int projectId() const { return m_projectId; }

    // A pick list: the cell shows picks[i] and stores keys[i].
    void setPickList(int column, const QStringList& picks, const QStringList& keys);
    QStringList picks(int column) const { return m_picks.value(column); }
    QStringList keys(int column) const { return m_keys.value(column); }

    // Reads the project's rows (pending changes are dropped). Throws TavoError.
    void load(int projectId);
    // Writes new, changed and deleted rows in one transaction, then reads the rows again. Throws.
    void submitAll();
    // Runs before submitAll() writes anything (not when nothing is pending); an exception refuses
    // the write, which leaves the pending rows as they are. The main window claims the project's
    // version here, so that rows of a project someone else saved meanwhile are not written over it.
    void setBeforeWrite(std::function<void()> check) { m_beforeWrite = std::move(check); }
    // Drops pending changes.
    void revertAll() { load(m_projectId); }
    bool isDirty() const;
    bool isRowDirty(int row) const;

    // Appends an empty row for the project and returns its position.
    int appendRow();
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // The sum of a column over the rows shown (NULL counts 0).
    double columnSum(int column) const;
    // The text a cell shows (pick-list description, formatted number).
    QString displayText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Why value cannot go into the column ("'abc' ist keine gültige Zahl."), or an empty text when it
    // can: a numeric column takes a finite number (typed in the user's locale or the neutral notation)
    // within the column's range, a whole one where it stores integers.
    QString refusal(int column, const QVariant& value) const;
    // False (nothing changed) for a value that refusal() refuses.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // Rows were read, changed, added or removed: footers recompute.
    void contentsChanged();

private:
    struct Record {
        QVariant id; // null for a new row
        std::vector<QVariant> values;
        bool dirty = false;
    };
    // The value as the column stores it; a refusal's message when it cannot take it.
    QString stored(int column, const QVariant& value, QVariant* out) const;
    void writeRecord(const Record& record);
    QString unitOfPicks(int column) const;

    QSqlDatabase m_db;
    QString m_table;
    std::vector<DetailColumn> m_columns;
    QHash<int, QStringList> m_picks;
    QHash<int, QStringList> m_keys;
    int m_projectId = 0;
    std::vector<Record> m_rows;
    std::vector<QVariant> m_deletedIds;
    std::function<void()> m_beforeWrite;
};

} // namespace tavo
