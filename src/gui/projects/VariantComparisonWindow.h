#pragma once

#include <QDialog>
#include <QList>

#include "core/projects/CalculationState.h"
#include "core/results/KeyFigures.h"
#include "gui/print/PrintDialog.h"

class QChartView;
class QPushButton;
class QStandardItemModel;
class QTableWidget;

namespace tavo {

class Databases;

// "Varianten vergleichen": two to six projects side by side, one column each: the project record and
// the state of its results, the inputs in which the variants differ, the key figures of the
// municipality (3 %) with the best value of each line marked, and the cumulative balances of all
// variants in one chart. Projects never calculated or changed since are marked and calculated by
// "Berechnen". Copy, print and PDF give the table.
class VariantComparisonWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the projects (reload()); errors are shown as a message.
    VariantComparisonWindow(Databases& dbs, const QList<int>& projectIds, QWidget* parent = nullptr);

    // Reads states, inputs and figures again and fills the table and the chart. Throws TavoError.
    void reload();
    // Calculates every project whose results are missing or out of date, then reloads.
    void calculateOutdated();

    QTableWidget* table() const { return m_table; }
    QChartView* chartView() const { return m_chart; }
    QPushButton* calculateButton() const { return m_calculate; }
    const QList<CalculationState::State>& states() const { return m_states; }
    // The table as tab-separated text (CR LF), as "Kopieren" gives it.
    QString clipboardText() const;

    // The background of a best value.
    static QColor bestColour();
    // The background of the state of a project that is not current.
    static QColor outdatedColour();

private:
    void buildLayout();
    void addRow(const QString& caption, const QStringList& cells, bool heading = false);
    void addInputRows();
    void addFigureRows();
    QStandardItemModel* printModel();
    PrintJob printJob();
    void print();
    void savePdf();

    Databases& m_dbs;
    QList<int> m_ids;
    QList<CalculationState::State> m_states;
    QList<KeyFigures> m_figures;
    QTableWidget* m_table = nullptr;
    QChartView* m_chart = nullptr;
    QPushButton* m_calculate = nullptr;
    QStandardItemModel* m_printModel = nullptr;
    PrintDialog* m_printDialog = nullptr;
};

} // namespace tavo
