#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include "core/data/Databases.h"
#include "core/projects/ProjectRecord.h"

class QCloseEvent;
class QPushButton;
class QShowEvent;
class QTabWidget;

namespace tavo {

class BuildingMixGrid;
class SettlementGrid;
class SpecialExpenditureGrid;
class ProjectEdit;
class MainWindowMenu;
class ResultPagesHost;
class ScenarioPanel;
class ValueListCombo;

// The main window: edits one project record on six input pages and hosts the two result pages.
// It is created once (with the splash window), then shown and hidden any number of times; each show
// loads the project in projectId. Closing only hides it, so the selection window can reuse it.
// "Speichern und Schließen" saves; "Abbruch" and the close button ask before they save or discard.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The whole set-up: builds the pages, loads the value lists, shows the splash window meanwhile.
    explicit MainWindow(Databases& dbs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The project to show; the next show loads it.
    void setProjectId(int id);
    int projectId() const { return m_projectId; }

    // Puts the project row into edit state; false when no project is loaded.
    bool editProjectRow();
    // Every value-list field writes its default into its column.
    void setDefaults();
    // Writes pending changes of the project row and of the detail grids. When someone else saved the
    // project since the window read it, asks whether to reload it, overwrite it or keep editing:
    // true when saved (also by overwriting), false when the user reloaded or kept editing, so that
    // nothing was written and the caller goes no further. Throws TavoError (a project deleted
    // meanwhile included).
    bool postProjectRow();
    // Drops pending changes of the project row without saving.
    void discardPendingEdits();
    // Saves the project and stays open (menu "Speichern"); a failure is shown; false then.
    bool saveProject();

    // The window's size on a screen with this available area: wide enough for the widest page and
    // the tab row, as tall as the screen allows up to 780 pixels, so the result grids get their room.
    QSize preferredSize(const QRect& available) const;
    MainWindowMenu* menu() const { return m_menu; }

    // True when the window holds something not yet saved: a changed project column, a text typed
    // into an input and not yet written, or a changed row or cell of a detail grid.
    bool hasUnsavedChanges() const;
    // Before the window's edits would be dropped: asks "Änderungen speichern?" when there are any.
    // Ja saves them (a failed save shows its message and keeps them), Nein discards them. True when
    // nothing unsaved is left, false when the user cancelled or the save failed.
    bool settleUnsavedChanges();

    // Writes the detail grids' pending rows; throws TavoError.
    void postDetailGrids();
    // Reloads the detail grids from the database (after a preset or a calculation run).
    void reloadDetailGrids();
    // Reads the project row and its grids again (after something else wrote the project's inputs).
    void reloadProject() { loadProject(); }

    // The containers of the pages "Auswertung Finanz" and "Auswertung Bevölk.", each with an empty
    // QVBoxLayout that receives the result panels.
    QWidget* financeResultPage() const { return m_financePage; }
    QWidget* populationResultPage() const { return m_populationPage; }
    // The result panels on those pages, their zoom and the window's print dialog.
    ResultPagesHost* resultPages() const { return m_resultPages; }
    ScenarioPanel* scenarioPanel() const { return m_scenarioPanel; }
    // Re-queries both result pages (the end of a calculation run, also after an error): the finance
    // views, then the population views. Throws TavoError; the calculation run shows it once the
    // window is enabled again.
    void refreshResultViews();

    // Hooks for the derived-input handlers: the input widget of a project column (nullptr when
    // the column has no input), the value-list field beside it, and the window's buttons by name.
    ProjectEdit* inputFor(const QString& column) const;
    ValueListCombo* comboFor(const QString& column) const;
    QPushButton* button(const QString& objectName) const;

    // The project row held in memory (edit state, values, post and discard).
    ProjectRecord& record() { return *m_record; }
    Databases& databases() { return m_dbs; }
    QTabWidget* pages() const { return m_pages; }
    BuildingMixGrid* buildingMixGrid() const { return m_buildingMixGrid; }
    SettlementGrid* settlementGrid() const { return m_settlementGrid; }
    SpecialExpenditureGrid* specialExpenditureGrid() const { return m_specialExpenditureGrid; }

    // Leaving the PG input: looks up PG_Name while the row is in edit state.
    void onMunicipalityNumberEntered();
    // A run of a project anywhere in the program: the window showing it reads its results again.
    void onProjectCalculated(int projectId, const QObject* origin);

Q_SIGNALS:
    // Emitted when the window is closed (it is only hidden).
    void projectClosed(int id);
    // Emitted when the user leaves an input, after its text was written into the row.
    void inputEditFinished(const QString& column);
    // Emitted after the project row was loaded or reloaded (show, discard).
    void projectLoaded(int id);
    // Emitted after the window's edits were written (row and detail grids).
    void projectSaved(int id);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void placeOnScreen();
    QWidget* buildHeader();
    QWidget* buildButtonRow();
    void registerInput(ProjectEdit* edit);
    void loadProject();
    void onProjectValueChanged();
    void discardAllEdits();
    void onExitClicked();
    void onCancelClicked();
    void showError(const QString& message);
    void onAboutClicked();
    void onHelpClicked();
    void updateTitle();
    void markDetailsChanged();
    // The row first, so that its version check refuses a save over someone else's before any
    // detail row is written; then the grids, whose writes claim the version each.
    void writeEdits(ProjectRecord::WriteMode mode);
    bool resolveConflict(const QString& message);

    Databases& m_dbs;
    int m_projectId = 0;
    bool m_prepared = false;
    // Set by the buttons that have already saved or discarded, so that closing asks nothing.
    bool m_settled = false;
    ProjectRecord* m_record = nullptr;
    QTabWidget* m_pages = nullptr;
    QWidget* m_financePage = nullptr;
    QWidget* m_populationPage = nullptr;
    QWidget* m_keyFiguresPage = nullptr;
    ResultPagesHost* m_resultPages = nullptr;
    MainWindowMenu* m_menu = nullptr;
    bool m_detailLoading = false;
    bool m_detailsChanged = false; // a detail grid changed since the project was loaded or saved
    ScenarioPanel* m_scenarioPanel = nullptr;
    BuildingMixGrid* m_buildingMixGrid = nullptr;
    SettlementGrid* m_settlementGrid = nullptr;
    SpecialExpenditureGrid* m_specialExpenditureGrid = nullptr;
    QHash<QString, QList<ProjectEdit*>> m_inputs;
    QHash<QString, ValueListCombo*> m_combos;
    QList<ValueListCombo*> m_comboOrder;
};

} // namespace tavo
