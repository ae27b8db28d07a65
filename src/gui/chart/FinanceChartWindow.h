#pragma once

#include <QDialog>
#include <QStringList>

#include "core/results/ChartData.h"

class QChart;
class QChartView;
class QPrinter;
class QRadioButton;

namespace tavo {

class Databases;

// What the main window hands to the finance chart: the project, the quantity of the zoomed grid,
// the two title lines and the names of the cost bearers and types (the items of its filter groups
// without "keine Einschränkung"; empty lists are read from the master database).
struct ChartRequest {
    int projectId = 0;
    ChartData::Quantity quantity = ChartData::Quantity::Balance;
    QStringList titleLines;
    QStringList costBearers;
    QStringList types;

    // The title lines of a project chart: "TAVO: Auswertung Finanz" and "<PG_Name>: <Beschreibung>".
    static QStringList projectTitle(const QString& pgName, const QString& beschreibung);

    // The charted names of a filter group's items: all but the last item ("keine Einschränkung"),
    // which is dropped by its position.
    static QStringList chartedItems(const QStringList& filterGroupItems);
};

// The modal finance chart "Grafik: Auswertung Finanz": bars per project year, one series per cost
// bearer or per evaluation type (at most eight), with a legend; it prints the chart as shown.
class FinanceChartWindow : public QDialog {
    Q_OBJECT
public:
    FinanceChartWindow(Databases& databases, const ChartRequest& request, QWidget* parent);

    // Rebuilds all series for the chosen grouping. Throws TavoError when there are more than eight
    // names; the first eight series are shown nonetheless.
    void onGroupingChanged();

    // Paints the chart as shown onto printer, scaled to the page and keeping its proportions, with
    // the line saying where the master data come from at the foot of the page.
    void printChart(QPrinter* printer) const;

    QChart* chart() const;
    QChartView* chartView() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void fillChart(const ChartData::SeriesSet& set);
    void refreshShowingErrors();
    void onPrintClicked();

    Databases& m_databases;
    ChartRequest m_request;
    QString m_provenance;
    QChartView* m_view = nullptr;
    QRadioButton* m_byCostBearer = nullptr;
    QRadioButton* m_byType = nullptr;
    bool m_shown = false;
};

} // namespace tavo
