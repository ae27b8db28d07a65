#pragma once

#include <array>

#include <QWidget>

#include "core/results/ResultQueries.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QToolButton;
class QSplitter;
class QSqlQueryModel;

namespace tavo {

class Databases;
class ResultGrid;
class ResultRadioGroup;

// The page "Auswertung Finanz": the expenditure, revenue and balance rows of one project in three
// grids with their totals, filtered by cost bearer and type, the balance grouped by year and cost
// bearer, optionally also by type. Every filter click re-queries the ledger; the totals come from the
// database over the same queries.
class ResultFinancePanel : public QWidget {
    Q_OBJECT
public:
    using ResultKind = ResultQueries::ResultKind;

    explicit ResultFinancePanel(Databases& dbs, QWidget* parent = nullptr);

    // Chooses the project and opens its results (openProjectData).
    void setProject(int projectId);
    int projectId() const { return m_projectId; }

    // Closes and reopens the three views of the current project and writes the footers.
    void openProjectData();
    // Closes the three views; the grids are empty until the next open.
    void closeProjectData();
    // The refresh of a filter or grouping click; ignored while m_prepared is false. The calculation
    // run calls it at its end. Throws TavoError when a query fails.
    void onFilterChanged();
    void onTypeFilterChanged() { onFilterChanged(); }
    void onGroupingChanged() { onFilterChanged(); }
    // Writes the five totals into the footers (0,00 for a closed view).
    void updateResultFooters();

    bool prepared() const { return m_prepared; }

    // The grids, their query datasets (fields in query order, for the clipboard), their caption
    // labels and the row beside each caption (room for its zoom button).
    ResultGrid* grid(ResultKind kind) const;
    const QSqlQueryModel& dataset(ResultKind kind) const;
    QLabel* caption(ResultKind kind) const;
    QHBoxLayout* captionRow(ResultKind kind) const;
    // Places a button at the top right above the filters (the chart, copy, print and zoom-out
    // buttons, in the order added).
    void addTool(QToolButton* button);
    // "Exportieren...": a menu of the three views, each saved through its grid's export.
    QToolButton* exportButton() const { return m_exportButton; }
    // The query a view was last built with (what it shows).
    ResultQueries::Query query(ResultKind kind) const;

    // The current choices.
    ResultRadioGroup* costBearerGroup() const { return m_costBearerGroup; }
    ResultRadioGroup* typeGroup() const { return m_typeGroup; }
    ResultRadioGroup* groupingGroup() const { return m_groupingGroup; }
    ResultQueries::FinanceChoice choice() const;
    // The chosen cost bearer and type, empty for "keine Einschränkung"; the grouping item text.
    QString costBearerChoice() const;
    QString typeChoice() const;
    QString groupingChoice() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // After the three views were reopened (project opened, filter click, calculation run).
    void resultsRefreshed();

private:
    QWidget* buildGrids();
    QWidget* buildFilters();
    void buildResultQueries();
    void openViews();
    void refreshShowingErrors();
    void balanceColumns();
    static int index(ResultKind kind) { return static_cast<int>(kind); }

    Databases& m_dbs;
    ResultQueries::FilterItems m_items;
    std::array<ResultQueries::Query, 3> m_queries;
    std::array<ResultGrid*, 3> m_grids{};
    std::array<QLabel*, 3> m_captions{};
    std::array<QWidget*, 3> m_cells{};
    QSplitter* m_columns = nullptr;
    QSplitter* m_leftColumn = nullptr;
    bool m_userSplit = false;
    std::array<QHBoxLayout*, 3> m_captionRows{};
    QGridLayout* m_tools = nullptr;
    QToolButton* m_exportButton = nullptr;
    ResultRadioGroup* m_costBearerGroup = nullptr;
    ResultRadioGroup* m_typeGroup = nullptr;
    ResultRadioGroup* m_groupingGroup = nullptr;
    int m_projectId = 0;
    bool m_prepared = false;
};

} // namespace tavo
