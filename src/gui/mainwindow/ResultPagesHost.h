#pragma once

#include <array>

#include <QObject>

#include "core/projects/CalculationState.h"
#include "core/results/ResultQueries.h"
#include "gui/print/PrintDialog.h"

class QWidget;

namespace tavo {

class Databases;
class ProjectRecord;
class ResultFinancePanel;
class KeyFiguresPanel;
class OutdatedBar;
class ResultGrid;
class ResultPopulationPanel;
class ResultZoom;

// The result pages of a main window: puts the finance and population panels on their pages, opens
// and closes their views with the project, and carries out what their buttons ask for: printing
// through the window's one print dialog (created on first use and kept, so its settings stay), the
// finance chart of the zoomed view, and the zoom itself. Above each page stands the bar that marks
// results older than the inputs (saved or still being edited); its "Berechnen" is passed on.
class ResultPagesHost : public QObject {
    Q_OBJECT
public:
    // window: owner of the dialogs; financePage / populationPage / keyFiguresPage: the pages'
    // containers, each with an empty QVBoxLayout; record: the project row whose fields head printouts
    // and the chart.
    ResultPagesHost(Databases& dbs, ProjectRecord& record, QWidget* window, QWidget* financePage,
                    QWidget* populationPage, QWidget* keyFiguresPage);

    // Opens the result views of this project (openProjectData of both pages) and reads the state of
    // its results, all in one read transaction. Throws TavoError.
    void openProjectData(int projectId);
    // Closes every view and ends a zoom (the window closes).
    void closeProjectData();
    // The refresh after a calculation run: the finance views, the population views, the key figures
    // and the state of the results, in one read transaction. Throws TavoError.
    void refresh();
    // Reads the state of the results again (after a save); a database error leaves the marks as they are.
    void checkStateQuietly();
    // Whether the window holds input changes not yet saved; they make shown results outdated too.
    void setUnsavedInputs(bool unsaved);
    // True while the pages show results that belong to other inputs (their bars are shown).
    bool isOutdated() const;
    // The bars of the finance, population and key-figure pages.
    const std::array<OutdatedBar*, 3>& outdatedBars() const { return m_bars; }
    // Writes the finance footers again; errors are ignored (project-row change notification).
    void updateFootersQuietly();

    ResultFinancePanel* financePanel() const { return m_finance; }
    ResultPopulationPanel* populationPanel() const { return m_population; }
    KeyFiguresPanel* keyFiguresPanel() const { return m_keyFigures; }
    ResultZoom* zoom() const { return m_zoom; }
    // The print dialog, nullptr before the first print request.
    PrintDialog* printDialog() const { return m_printDialog; }

    // The print request of a result grid: shows the print dialog for it, headed by the project.
    void printGrid(ResultGrid* grid);
    // The finance chart of one of the three views, modal; created for this use and destroyed after.
    void showFinanceChart(ResultQueries::ResultKind kind);

    // The key-figure table through the print dialog, and as a PDF file chosen by the user.
    void printKeyFigures();
    void saveKeyFiguresPdf();

Q_SIGNALS:
    // The "Berechnen" of a bar was clicked.
    void calculateRequested();

private:
    void readState();
    void showOutdatedMarks();
    PrintJob keyFiguresJob();
    QString recordText(const char* column) const;
    // The table name and active filters of a result grid, for the printout's header.
    void describeGrid(const ResultGrid* grid, PrintJob& job) const;

    Databases& m_dbs;
    ProjectRecord& m_record;
    QWidget* m_window;
    ResultFinancePanel* m_finance = nullptr;
    ResultPopulationPanel* m_population = nullptr;
    KeyFiguresPanel* m_keyFigures = nullptr;
    ResultZoom* m_zoom = nullptr;
    PrintDialog* m_printDialog = nullptr; // owned by the window
    std::array<OutdatedBar*, 3> m_bars{};
    int m_projectId = 0;
    CalculationState::State m_state = CalculationState::State::NotCalculated;
    bool m_unsavedInputs = false;
};

} // namespace tavo
