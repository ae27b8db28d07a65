#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include "core/data/Databases.h"

class QCloseEvent;
class QPushButton;
class QShowEvent;
class QTabWidget;
class GridBebauung;
class GridBesiedelung;
class GridSonderausgaben;
class ProjectEdit;
class ProjectRecord;
class ResultPagesHost;
class TComboBoxTAVO;

// The main window: edits one project record on six input pages and hosts the two result pages.
// It is created once (with the splash window), then shown and hidden any number of times; each show
// loads the project in FvalID. Closing only hides it, so the selection window can reuse it.
class TfrmHaupt : public QWidget {
    Q_OBJECT
public:
    // The whole set-up: builds the pages, loads the value lists, shows the splash window meanwhile.
    explicit TfrmHaupt(Databases& dbs, QWidget* parent = nullptr);
    ~TfrmHaupt() override;

    // The project to show; the next show loads it.
    void setFvalID(int id);
    int FvalID() const { return m_FvalID; }

    // Puts the project row into edit state; false when no project is loaded.
    bool editProjectRow();
    // Every value-list field writes its default into its column.
    void Set_Defaults();
    // Writes pending changes of the project row and of the detail grids; throws TavoError.
    void postProjectRow();
    // Drops pending changes of the project row without saving.
    void discardPendingEdits();

    // Writes the detail grids' pending rows; throws TavoError.
    void postDetailGrids();
    // Reloads the detail grids from the database (after a preset or a calculation run).
    void reloadDetailGrids();

    // The containers of the pages "Auswertung Finanz" and "Auswertung Bevölk.", each with an empty
    // QVBoxLayout that receives the result panels.
    QWidget* financeResultPage() const { return m_financePage; }
    QWidget* populationResultPage() const { return m_populationPage; }
    // The result panels on those pages, their zoom and the window's print dialog.
    ResultPagesHost* resultPages() const { return m_resultPages; }
    // Re-queries both result pages (the end of a calculation run, also after an error): the finance
    // views, then the population views. Throws TavoError; the calculation run shows it once the
    // window is enabled again.
    void refreshResultViews();

    // Hooks for the derived-input handlers: the input widget of a project column (nullptr when
    // the column has no input), the value-list field beside it, and the window's buttons by name.
    ProjectEdit* inputFor(const QString& column) const;
    TComboBoxTAVO* comboFor(const QString& column) const;
    QPushButton* button(const QString& objectName) const;

    // The project row held in memory (edit state, values, post and discard).
    ProjectRecord& record() { return *m_record; }
    Databases& databases() { return m_dbs; }
    QTabWidget* pages() const { return m_pcHaupt; }
    GridBebauung* gridBebauung() const { return m_gridBebauung; }
    GridBesiedelung* gridBesiedelung() const { return m_gridBesiedelung; }
    GridSonderausgaben* gridSonderausgaben() const { return m_gridSonderausgaben; }

    // Leaving the PG input: looks up PG_Name while the row is in edit state.
    void dbPGExit();

Q_SIGNALS:
    // Emitted when the window is closed (it is only hidden).
    void projectClosed(int id);
    // Emitted when the user leaves an input, after its text was written into the row.
    void inputEditFinished(const QString& column);
    // Emitted after the project row was loaded or reloaded (show, discard).
    void projectLoaded(int id);

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
    void SourceTAVODataChange();
    void btExitClick();
    void btAbbrechenClick();
    void showError(const QString& message);
    void btAboutClick();
    void btHelpClick();

    Databases& m_dbs;
    int m_FvalID = 0;
    bool m_FPrepared = false;
    ProjectRecord* m_record = nullptr;
    QTabWidget* m_pcHaupt = nullptr;
    QWidget* m_financePage = nullptr;
    QWidget* m_populationPage = nullptr;
    ResultPagesHost* m_resultPages = nullptr;
    GridBebauung* m_gridBebauung = nullptr;
    GridBesiedelung* m_gridBesiedelung = nullptr;
    GridSonderausgaben* m_gridSonderausgaben = nullptr;
    QHash<QString, QList<ProjectEdit*>> m_inputs;
    QHash<QString, TComboBoxTAVO*> m_combos;
    QList<TComboBoxTAVO*> m_comboOrder;
};
