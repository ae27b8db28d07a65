#pragma once

#include <array>

#include <QObject>

#include "core/results/ResultQueries.h"

class QLabel;
class QSqlQueryModel;
class QToolButton;

namespace tavo {

class ResultFinancePanel;
class ResultGrid;

// Puts a whole dataset on the clipboard as plain text (DatasetText: header of field names, tabs,
// CR LF) and as an HTML table for word processors, replacing its content. The one copy routine of
// the result pages.
void copyDatasetToClipboard(const QSqlQueryModel& dataset);

// The zoom of the page "Auswertung Finanz": one of the three result grids at a time covers the room
// of all three. Adds a zoom button beside each grid caption and the four zoom-only buttons (chart,
// copy, print, zoom out) to the panel's tool row; the zoom-only buttons are enabled exactly while a
// grid is zoomed. Chart, copy and print are requests to the owner (signals, handled synchronously);
// the zoom ends after each of them, whatever the handler did.
class ResultZoom : public QObject {
    Q_OBJECT
public:
    using ResultKind = ResultQueries::ResultKind;

    explicit ResultZoom(ResultFinancePanel* panel);

    // Zooms the grid of this kind with its caption and dataset. Ignored while a zoom is active (the
    // zoom buttons are hidden then, so no second zoom can start).
    void zoomResultGrid(ResultKind kind);
    // Ends the zoom: all three captions, grids and zoom buttons show again; the zoom-only buttons
    // are disabled. Nothing happens when no grid is zoomed.
    void unzoomResultGrid();

    bool isZoomed() const { return m_zoomed; }
    // The zoomed grid, its caption and its dataset; valid only while zoomed.
    ResultKind zoomedKind() const { return m_kind; }
    ResultGrid* zoomGrid() const;
    QLabel* zoomText() const;
    const QSqlQueryModel* zoomDataset() const;

    QToolButton* zoomButton(ResultKind kind) const { return m_zoomButtons[static_cast<int>(kind)]; }
    QToolButton* zoomOutButton() const { return m_zoomOutButton; }
    QToolButton* printZoomButton() const { return m_printZoomButton; }
    QToolButton* copyZoomButton() const { return m_copyZoomButton; }
    QToolButton* chartButton() const { return m_chartButton; }

Q_SIGNALS:
    // The print button: the owner shows its print dialog for the grid.
    void printRequested(ResultGrid* grid);
    // The chart button: the owner opens the finance chart for the zoomed view.
    void chartRequested(ResultQueries::ResultKind kind);

private:
    QToolButton* makeButton(const char* name, const QString& text, const QString& hint);
    void setGridsVisible(bool visible);
    void setZoomOnlyEnabled(bool enabled);
    void onCopyZoomClicked();
    void onPrintZoomClicked();
    void showFinanceChart();

    ResultFinancePanel* m_panel;
    std::array<QToolButton*, 3> m_zoomButtons{};
    QToolButton* m_zoomOutButton = nullptr;
    QToolButton* m_printZoomButton = nullptr;
    QToolButton* m_copyZoomButton = nullptr;
    QToolButton* m_chartButton = nullptr;
    bool m_zoomed = false;
    ResultKind m_kind = ResultKind::Expenditure;
};

} // namespace tavo
