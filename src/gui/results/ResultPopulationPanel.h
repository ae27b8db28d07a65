#pragma once

#include <QWidget>

#include "core/results/ResultQueries.h"

class QLabel;
class QSqlQueryModel;
class QToolButton;

namespace tavo {

class Databases;
class CapacityPanel;
class ResultGrid;
class ResultRadioGroup;

// The page "Auswertung Bevölk.": the dwelling units per year of the project's building area and the
// inhabitants per year (with kindergarten and primary-school children) of the area chosen in
// "Filter: Gebiet". Both views are rebuilt and reopened on every area click and after every
// calculation run; the area parameters come from the project row in the database.
class ResultPopulationPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultPopulationPanel(Databases& dbs, QWidget* parent = nullptr);

    // Chooses the project and opens its views (openProjectData).
    void setProject(int projectId);
    int projectId() const { return m_projectId; }

    void openProjectData();
    void closeProjectData();
    // Rebuilds both queries from the chosen area and the project row, without opening them. Throws
    // TavoError "ungültiges Gebiet!" when no area is chosen.
    void buildPopulationQueries();
    // Rebuilds and reopens both views (the area click; the calculation run calls it at its end).
    void onAreaFilterChanged();

    ResultGrid* gridWE() const { return m_gridWE; }
    ResultGrid* gridBeV() const { return m_gridBeV; }
    const QSqlQueryModel& datasetWE() const;
    const QSqlQueryModel& datasetBeV() const;
    ResultRadioGroup* areaGroup() const { return m_areaGroup; }
    // Capacity of kindergarten and school, shown where the project states it.
    CapacityPanel* capacity() const { return m_capacity; }

    // The copy and print buttons of the dwelling-unit and the inhabitant grids.
    QToolButton* copyUnitsButton() const { return m_copyUnitsButton; }
    QToolButton* printUnitsButton() const { return m_printUnitsButton; }
    QToolButton* copyInhabitantsButton() const { return m_copyInhabitantsButton; }
    QToolButton* printInhabitantsButton() const { return m_printInhabitantsButton; }
    // "Exportieren...": a menu of the two views, each saved through its grid's export.
    QToolButton* exportButton() const { return m_exportButton; }

    // Puts a view's dataset on the clipboard as tab-separated text (header of field names, CR LF).
    static void copyDatasetToClipboard(const QSqlQueryModel& dataset);

Q_SIGNALS:
    // The print buttons; the main window shows its print dialog for the grid.
    void printRequested(ResultGrid* grid);
    // After both views were reopened.
    void resultsRefreshed();

private:
    QWidget* buildColumn(const QString& captionName, const QString& caption, ResultGrid* grid,
                         QToolButton* copy, QToolButton* print);
    QToolButton* makeButton(const QString& name, const QString& text, const QString& hint);
    void clickShowingErrors();

    Databases& m_dbs;
    ResultGrid* m_gridWE = nullptr;
    ResultGrid* m_gridBeV = nullptr;
    ResultRadioGroup* m_areaGroup = nullptr;
    CapacityPanel* m_capacity = nullptr;
    QToolButton* m_copyUnitsButton = nullptr;
    QToolButton* m_printUnitsButton = nullptr;
    QToolButton* m_copyInhabitantsButton = nullptr;
    QToolButton* m_printInhabitantsButton = nullptr;
    QToolButton* m_exportButton = nullptr;
    ResultQueries::Query m_queryWE;
    ResultQueries::Query m_queryBeV;
    int m_projectId = 0;
};

} // namespace tavo
