#include "gui/results/ResultZoom.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QSqlQueryModel>
#include <QToolButton>

#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "core/results/DatasetText.h"

using ResultKind = ResultQueries::ResultKind;

namespace {

constexpr std::array<ResultKind, 3> kKinds = {ResultKind::Expenditure, ResultKind::Revenue,
                                              ResultKind::Balance};

const std::array<const char*, 3> kZoomButtonNames = {"btZoomAusgaben", "btZoomEinnahmen", "btZoomSaldo"};

} // namespace

void CopyDataSetToClipboard(const QSqlQueryModel& dataset) {
    QApplication::clipboard()->setText(DatasetText::fromModel(dataset));
}

ResultZoom::ResultZoom(ResultFinancePanel* panel) : QObject(panel), m_panel(panel) {
    for (ResultKind kind : kKinds) {
        const int i = static_cast<int>(kind);
        m_btZoom[i] = makeButton(kZoomButtonNames[i], QStringLiteral("Zoom"), QString());
        // Right beside the caption, before the row's stretch.
        m_panel->captionRow(kind)->insertWidget(1, m_btZoom[i]);
        connect(m_btZoom[i], &QToolButton::clicked, this, [this, kind] { ZoomResultGrid(kind); });
    }
    m_btChartFinanz = makeButton("btChartFinanz", QStringLiteral("Grafik"), QStringLiteral("zeige Graphik"));
    m_btCopyZoomGrid = makeButton("btCopyZoomGrid", QStringLiteral("Kopieren"),
                                  QStringLiteral("in Zwischenablage kopieren"));
    m_btDruckeZoomGrid =
        makeButton("btDruckeZoomGrid", QStringLiteral("Drucken"), QStringLiteral("Drucke Tabelle"));
    m_btZoomOut = makeButton("btZoomOut", QStringLiteral("Zoom aus"), QString());
    for (QToolButton* button : {m_btChartFinanz, m_btCopyZoomGrid, m_btDruckeZoomGrid, m_btZoomOut})
        m_panel->toolRow()->addWidget(button);
    setZoomOnlyEnabled(false);

    connect(m_btZoomOut, &QToolButton::clicked, this, &ResultZoom::UnzoomResultGrid);
    connect(m_btCopyZoomGrid, &QToolButton::clicked, this, &ResultZoom::btCopyZoomGridClick);
    connect(m_btDruckeZoomGrid, &QToolButton::clicked, this, &ResultZoom::btDruckeZoomGridClick);
    connect(m_btChartFinanz, &QToolButton::clicked, this, &ResultZoom::btChartFinanzClick);
}

QToolButton* ResultZoom::makeButton(const char* name, const QString& text, const QString& hint) {
    auto* button = new QToolButton(m_panel);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

ResultGrid* ResultZoom::FZoomGrid() const {
    return m_zoomed ? m_panel->grid(m_kind) : nullptr;
}

QLabel* ResultZoom::FZoomText() const {
    return m_zoomed ? m_panel->caption(m_kind) : nullptr;
}

const QSqlQueryModel* ResultZoom::FZoomDataSet() const {
    return m_zoomed ? &m_panel->dataset(m_kind) : nullptr;
}

void ResultZoom::setGridsVisible(bool visible) {
    for (ResultKind kind : kKinds) {
        m_panel->caption(kind)->setVisible(visible);
        m_panel->grid(kind)->setVisible(visible);
        btZoom(kind)->setVisible(visible);
    }
}

void ResultZoom::setZoomOnlyEnabled(bool enabled) {
    for (QToolButton* button : {m_btZoomOut, m_btDruckeZoomGrid, m_btCopyZoomGrid, m_btChartFinanz})
        button->setEnabled(enabled);
}

// The page lays its grids out one below the other, each in its caption's row and stretch; with the
// other two hidden, the zoomed caption moves to the top and its grid takes the room of all three.
void ResultZoom::ZoomResultGrid(ResultKind kind) {
    if (m_zoomed)
        return;
    m_kind = kind;
    m_zoomed = true;
    setGridsVisible(false);
    m_panel->grid(kind)->setVisible(true);
    m_panel->caption(kind)->setVisible(true);
    setZoomOnlyEnabled(true);
}

void ResultZoom::UnzoomResultGrid() {
    if (!m_zoomed)
        return;
    m_zoomed = false;
    setGridsVisible(true);
    setZoomOnlyEnabled(false);
}

void ResultZoom::btCopyZoomGridClick() {
    // A closed view (no project shown) leaves the clipboard as it is.
    if (m_zoomed && m_panel->grid(m_kind)->model()->isOpen())
        CopyDataSetToClipboard(m_panel->dataset(m_kind));
    UnzoomResultGrid();
}

void ResultZoom::btDruckeZoomGridClick() {
    if (m_zoomed)
        Q_EMIT printRequested(m_panel->grid(m_kind));
    UnzoomResultGrid();
}

void ResultZoom::btChartFinanzClick() {
    if (m_zoomed)
        Q_EMIT chartRequested(m_kind);
    UnzoomResultGrid();
}
