#pragma once

#include <QWidget>

#include "core/results/ResultQueries.h"

class Databases;
class QLabel;
class QSqlQueryModel;
class QToolButton;
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

    // Chooses the project and opens its views (OpenProjectData).
    void setProject(int projectId);
    int projectId() const { return m_projectId; }

    void OpenProjectData();
    void CloseProjectData();
    // Rebuilds both queries from the chosen area and the project row, without opening them. Throws
    // TavoError "ungültiges Gebiet!" when no area is chosen.
    void BuildPopulationQueries();
    // Rebuilds and reopens both views (the area click; the calculation run calls it at its end).
    void rgGebietClick();

    ResultGrid* gridWE() const { return m_gridWE; }
    ResultGrid* gridBeV() const { return m_gridBeV; }
    const QSqlQueryModel& datasetWE() const;
    const QSqlQueryModel& datasetBeV() const;
    ResultRadioGroup* rgGebiet1() const { return m_rgGebiet1; }

    // The copy and print buttons: btCopyWE, btDruckWE, SpeedButton4 (copy BeV), BitBtn7 (print BeV).
    QToolButton* btCopyWE() const { return m_btCopyWE; }
    QToolButton* btDruckWE() const { return m_btDruckWE; }
    QToolButton* btCopyBeV() const { return m_btCopyBeV; }
    QToolButton* btDruckBeV() const { return m_btDruckBeV; }

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
    ResultRadioGroup* m_rgGebiet1 = nullptr;
    QToolButton* m_btCopyWE = nullptr;
    QToolButton* m_btDruckWE = nullptr;
    QToolButton* m_btCopyBeV = nullptr;
    QToolButton* m_btDruckBeV = nullptr;
    ResultQueries::Query m_queryWE;
    ResultQueries::Query m_queryBeV;
    int m_projectId = 0;
};
