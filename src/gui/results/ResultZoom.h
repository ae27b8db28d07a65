#pragma once

#include <array>

#include <QObject>

#include "core/results/ResultQueries.h"

class QLabel;
class QSqlQueryModel;
class QToolButton;
class ResultFinancePanel;
class ResultGrid;

// Puts a whole dataset on the clipboard as plain text (DatasetText: header of field names, tabs,
// CR LF), replacing its content. The one copy routine of the result pages.
void CopyDataSetToClipboard(const QSqlQueryModel& dataset);

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
    void ZoomResultGrid(ResultKind kind);
    // Ends the zoom: all three captions, grids and zoom buttons show again; the zoom-only buttons
    // are disabled. Nothing happens when no grid is zoomed.
    void UnzoomResultGrid();

    bool isZoomed() const { return m_zoomed; }
    // The zoomed grid, its caption and its dataset; valid only while zoomed.
    ResultKind zoomedKind() const { return m_kind; }
    ResultGrid* FZoomGrid() const;
    QLabel* FZoomText() const;
    const QSqlQueryModel* FZoomDataSet() const;

    QToolButton* btZoom(ResultKind kind) const { return m_btZoom[static_cast<int>(kind)]; }
    QToolButton* btZoomOut() const { return m_btZoomOut; }
    QToolButton* btDruckeZoomGrid() const { return m_btDruckeZoomGrid; }
    QToolButton* btCopyZoomGrid() const { return m_btCopyZoomGrid; }
    QToolButton* btChartFinanz() const { return m_btChartFinanz; }

Q_SIGNALS:
    // The print button: the owner shows its print dialog for the grid.
    void printRequested(ResultGrid* grid);
    // The chart button: the owner opens the finance chart for the zoomed view.
    void chartRequested(ResultQueries::ResultKind kind);

private:
    QToolButton* makeButton(const char* name, const QString& text, const QString& hint);
    void setGridsVisible(bool visible);
    void setZoomOnlyEnabled(bool enabled);
    void btCopyZoomGridClick();
    void btDruckeZoomGridClick();
    void btChartFinanzClick();

    ResultFinancePanel* m_panel;
    std::array<QToolButton*, 3> m_btZoom{};
    QToolButton* m_btZoomOut = nullptr;
    QToolButton* m_btDruckeZoomGrid = nullptr;
    QToolButton* m_btCopyZoomGrid = nullptr;
    QToolButton* m_btChartFinanz = nullptr;
    bool m_zoomed = false;
    ResultKind m_kind = ResultKind::Expenditure;
};
