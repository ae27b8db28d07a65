#include "gui/results/ResultZoom.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QSqlQueryModel>
#include <QToolButton>

#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "core/results/DatasetText.h"

namespace tavo {

using ResultKind = ResultQueries::ResultKind;

namespace {

constexpr std::array<ResultKind, 3> kKinds = {ResultKind::Expenditure, ResultKind::Revenue,
                                              ResultKind::Balance};

const std::array<const char*, 3> kZoomButtonNames = {"btZoomAusgaben", "btZoomEinnahmen", "btZoomSaldo"};

} // namespace

void copyDatasetToClipboard(const QSqlQueryModel& dataset) {
    auto* data = new QMimeData;
    data->setText(DatasetText::fromModel(dataset));
    data->setHtml(DatasetText::htmlFromModel(dataset));
    QApplication::clipboard()->setMimeData(data);
}

ResultZoom::ResultZoom(ResultFinancePanel* panel) : QObject(panel), m_panel(panel) {
    for (ResultKind kind : kKinds) {
        const int i = static_cast<int>(kind);
        m_zoomButtons[i] = makeButton(kZoomButtonNames[i], QStringLiteral("Zoom"), QString());
        // Right beside the caption, before the row's stretch.
        m_panel->captionRow(kind)->insertWidget(1, m_zoomButtons[i]);
        connect(m_zoomButtons[i], &QToolButton::clicked, this, [this, kind] { zoomResultGrid(kind); });
    }
    m_chartButton = makeButton("btChartFinanz", QStringLiteral("Grafik"), QStringLiteral("zeige Graphik"));
    m_copyZoomButton = makeButton("btCopyZoomGrid", QStringLiteral("Kopieren"),
                                  QStringLiteral("in Zwischenablage kopieren"));
    m_printZoomButton =
        makeButton("btDruckeZoomGrid", QStringLiteral("Drucken"), QStringLiteral("Drucke Tabelle"));
    m_zoomOutButton = makeButton("btZoomOut", QStringLiteral("Zoom aus"), QString());
    for (QToolButton* button : {m_chartButton, m_copyZoomButton, m_printZoomButton, m_zoomOutButton})
        m_panel->addTool(button);
    setZoomOnlyEnabled(false);

    connect(m_zoomOutButton, &QToolButton::clicked, this, &ResultZoom::unzoomResultGrid);
    connect(m_copyZoomButton, &QToolButton::clicked, this, &ResultZoom::onCopyZoomClicked);
    connect(m_printZoomButton, &QToolButton::clicked, this, &ResultZoom::onPrintZoomClicked);
    connect(m_chartButton, &QToolButton::clicked, this, &ResultZoom::showFinanceChart);
}

QToolButton* ResultZoom::makeButton(const char* name, const QString& text, const QString& hint) {
    auto* button = new QToolButton(m_panel);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

ResultGrid* ResultZoom::zoomGrid() const {
    return m_zoomed ? m_panel->grid(m_kind) : nullptr;
}

QLabel* ResultZoom::zoomText() const {
    return m_zoomed ? m_panel->caption(m_kind) : nullptr;
}

const QSqlQueryModel* ResultZoom::zoomDataset() const {
    return m_zoomed ? &m_panel->dataset(m_kind) : nullptr;
}

void ResultZoom::setGridsVisible(bool visible) {
    for (ResultKind kind : kKinds) {
        m_panel->caption(kind)->setVisible(visible);
        m_panel->grid(kind)->setVisible(visible);
        zoomButton(kind)->setVisible(visible);
    }
}

void ResultZoom::setZoomOnlyEnabled(bool enabled) {
    for (QToolButton* button : {m_zoomOutButton, m_printZoomButton, m_copyZoomButton, m_chartButton})
        button->setEnabled(enabled);
}

// The page lays its grids out one below the other, each in its caption's row and stretch; with the
// other two hidden, the zoomed caption moves to the top and its grid takes the room of all three.
void ResultZoom::zoomResultGrid(ResultKind kind) {
    if (m_zoomed)
        return;
    m_kind = kind;
    m_zoomed = true;
    setGridsVisible(false);
    m_panel->grid(kind)->setVisible(true);
    m_panel->caption(kind)->setVisible(true);
    setZoomOnlyEnabled(true);
}

void ResultZoom::unzoomResultGrid() {
    if (!m_zoomed)
        return;
    m_zoomed = false;
    setGridsVisible(true);
    setZoomOnlyEnabled(false);
}

void ResultZoom::onCopyZoomClicked() {
    // A closed view (no project shown) leaves the clipboard as it is.
    if (m_zoomed && m_panel->grid(m_kind)->model()->isOpen())
        copyDatasetToClipboard(m_panel->dataset(m_kind));
    unzoomResultGrid();
}

void ResultZoom::onPrintZoomClicked() {
    if (m_zoomed)
        Q_EMIT printRequested(m_panel->grid(m_kind));
    unzoomResultGrid();
}

void ResultZoom::showFinanceChart() {
    if (m_zoomed)
        Q_EMIT chartRequested(m_kind);
    unzoomResultGrid();
}

} // namespace tavo
