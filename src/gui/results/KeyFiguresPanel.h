#pragma once

#include <QWidget>

#include "core/results/KeyFigures.h"

class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QStandardItemModel;
class QTableWidget;
class QToolButton;

namespace tavo {

class Databases;

// The page "Kennzahlen": the key figures of the project for a chosen cost bearer and discount rate
// as a table, the cumulative balance as a line chart with its low point and payback year, and the
// 20-year balance of every evaluation type as bars. Before the first calculation the page shows a
// hint instead. Copy puts the table on the clipboard as tab-separated text; print and PDF are
// carried out by the window (printRequested, pdfRequested) with printModel().
class KeyFiguresPanel : public QWidget {
    Q_OBJECT
public:
    explicit KeyFiguresPanel(Databases& dbs, QWidget* parent = nullptr);

    // Chooses the project and computes its figures (refresh()).
    void setProject(int projectId);
    int projectId() const { return m_projectId; }
    // Empties the page (the window closes).
    void closeProjectData();
    // Computes the figures of the current project again with the chosen options and shows them.
    // Throws TavoError when a query fails.
    void refresh();

    // The chosen cost bearer (empty: all together) and discount rate.
    KeyFigureOptions options() const;
    // The figures shown; hasResults is false before the first calculation.
    const KeyFigures& figures() const { return m_figures; }

    // The table as tab-separated text (header "Kennzahl", "Wert"), as the copy button gives it.
    QString clipboardText() const;
    // The table as a model for the table printer: caption and value as shown.
    QStandardItemModel* printModel();

    QTableWidget* table() const { return m_table; }
    QComboBox* costBearerBox() const { return m_costBearer; }
    QDoubleSpinBox* rateBox() const { return m_rate; }
    QLabel* hint() const { return m_hint; }
    QChartView* cumulativeView() const { return m_cumulative; }
    QChartView* typeView() const { return m_byType; }

Q_SIGNALS:
    void printRequested();
    void pdfRequested();

private:
    QWidget* buildToolRow();
    QList<KeyFigureLine> shownLines() const;
    void showFigures();
    void refreshShowingErrors();

    Databases& m_dbs;
    int m_projectId = 0;
    KeyFigures m_figures;
    QComboBox* m_costBearer = nullptr;
    QDoubleSpinBox* m_rate = nullptr;
    QToolButton* m_copy = nullptr;
    QToolButton* m_print = nullptr;
    QToolButton* m_pdf = nullptr;
    QLabel* m_hint = nullptr;
    QWidget* m_content = nullptr;
    QTableWidget* m_table = nullptr;
    QChartView* m_cumulative = nullptr;
    QChartView* m_byType = nullptr;
    QStandardItemModel* m_printModel = nullptr;
};

} // namespace tavo
