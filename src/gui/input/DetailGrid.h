#pragma once

#include <vector>

#include <QSqlDatabase>
#include <QString>
#include <QWidget>

#include "gui/input/DetailModel.h"

class QTableView;
class QToolButton;

namespace tavo {

namespace MasterData {
class ValueLists;
}

class GridFooter;

// A grid over the detail rows of one project, with an optional navigator (insert, delete, edit,
// post, cancel, refresh) and a footer row of column sums under the columns. Pending rows are written when the
// current row is left, by post() and by the navigator's post button.
class DetailGrid : public QWidget {
    Q_OBJECT
public:
    DetailGrid(QSqlDatabase userDb, const QString& table, std::vector<DetailColumn> columns, bool navigator,
               QWidget* parent = nullptr);

    DetailModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }
    GridFooter* footer() const { return m_footer; }
    QToolButton* navigatorButton(const QString& objectName) const;

    // Reads the rows of the project (pending changes are dropped). Throws TavoError.
    void open(int projectId);
    // Finishes an open cell editor and writes pending rows. Throws TavoError.
    void post();
    // True when a row holds a change not yet written, or a cell editor holds typed text.
    bool isModified() const;
    // Drops pending changes (the open editor included).
    void cancel();
    // Reads the rows again after pending rows were written.
    void refresh();
    // Appends a new row and starts editing its first cell.
    void insertRow();
    // Asks "Datensatz löschen?" and deletes the current row when confirmed.
    void deleteCurrentRow();

    // The footer text of a column: the sum for columns that have one.
    QString footerText(int column) const;

Q_SIGNALS:
    // The footer sums were recomputed.
    void sumsRecalculated();

protected:
    // Reports a failed write in a message box.
    void reportError(const QString& message);
    virtual void afterRecalc() {}

private:
    QWidget* buildNavigator();
    // Ends a cell edit in progress, handing its text to the model when commit is set.
    void closeOpenEditor(bool commit);
    void currentRowChanged(int current, int previous);

    DetailModel* m_model;
    QTableView* m_view;
    GridFooter* m_footer;
    QWidget* m_navigator = nullptr;
};

// The building mix: type, building class and share, each with its value list; the footer sums the
// shares and a sum above 100 is reported.
class BuildingMixGrid : public DetailGrid {
    Q_OBJECT
public:
    static const char* const SumMessage;
    explicit BuildingMixGrid(QSqlDatabase userDb, QWidget* parent = nullptr);
    // Fills the pick lists from the prepared value-list query (table "Bebauung"). Throws TavoError.
    void loadPickLists(MasterData::ValueLists& valueLists);
    // After the footer sum was recomputed: reports a sum above 100.
    void reportSumAbove100();

Q_SIGNALS:
    void sumExceeded(double sum);

protected:
    void afterRecalc() override;

private:
    bool m_reportPending = false;
};

// The settlement pace per project year and building type, with five footer sums.
class SettlementGrid : public DetailGrid {
    Q_OBJECT
public:
    explicit SettlementGrid(QSqlDatabase userDb, QWidget* parent = nullptr);
};

// The special expenditures with pick lists of the evaluation types and the cost bearers.
class SpecialExpenditureGrid : public DetailGrid {
    Q_OBJECT
public:
    explicit SpecialExpenditureGrid(QSqlDatabase userDb, QWidget* parent = nullptr);
    // Fills the pick lists from Auswertung_Typen: the types, and the cost bearers (the names of its
    // Anteil_ columns without the prefix). Throws TavoError.
    void loadPickLists(const QSqlDatabase& master);
};

} // namespace tavo
