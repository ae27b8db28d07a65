#include "gui/common/GridFooter.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

namespace tavo {

GridFooter::GridFooter(QTableView* view, QWidget* parent) : QWidget(parent), m_view(view) {
    setObjectName(QStringLiteral("footer"));
    QHeaderView* header = view->horizontalHeader();
    const auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    view->viewport()->installEventFilter(this);
}

void GridFooter::setTextProvider(std::function<QString(int)> provider) {
    m_provider = std::move(provider);
    update();
}

void GridFooter::setText(int column, const QString& text) {
    while (m_texts.size() <= column)
        m_texts << QString();
    m_texts[column] = text;
    update();
}

QString GridFooter::text(int column) const {
    if (m_provider)
        return m_provider(column);
    return m_texts.value(column);
}

QStringList GridFooter::texts() const {
    QStringList result;
    for (int c = 0; c < columnCount(); ++c)
        result << text(c);
    return result;
}

void GridFooter::setAlignment(int column, Qt::Alignment alignment) {
    while (m_alignments.size() <= column)
        m_alignments << (Qt::AlignRight | Qt::AlignVCenter);
    m_alignments[column] = alignment | Qt::AlignVCenter;
    update();
}

void GridFooter::setFramedCells(bool framed) {
    m_framed = framed;
    setBackgroundRole(framed ? QPalette::Window : QPalette::Button);
    update();
}

int GridFooter::columnCount() const {
    return m_view->model() ? m_view->model()->columnCount() : 0;
}

// The left edge of the view's viewport (where the header's sections start) in this widget.
int GridFooter::viewportLeft() const {
    const QWidget* top = window();
    return m_view->viewport()->mapTo(top, QPoint(0, 0)).x() - mapTo(top, QPoint(0, 0)).x();
}

QRect GridFooter::cellRect(int column) const {
    const QHeaderView* header = m_view->horizontalHeader();
    return {viewportLeft() + header->sectionViewportPosition(column), 0, header->sectionSize(column),
            height()};
}

QSize GridFooter::sizeHint() const {
    return {100, fontMetrics().height() + 8};
}

QSize GridFooter::minimumSizeHint() const {
    return {0, fontMetrics().height() + 8};
}

bool GridFooter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show)
        update();
    return QWidget::eventFilter(watched, event);
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    // Cells left or right of the viewport are cut where the grid's cells are cut.
    painter.setClipRect(QRect(viewportLeft(), 0, m_view->viewport()->width(), height()));
    const QHeaderView* header = m_view->horizontalHeader();
    for (int c = 0; c < columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QRect cell = cellRect(c).adjusted(0, 0, -1, -1);
        if (m_framed) {
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(cell);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        const Qt::Alignment alignment = m_alignments.value(c, Qt::AlignRight | Qt::AlignVCenter);
        painter.drawText(m_framed ? cell.adjusted(2, 0, -3, 0) : cell.adjusted(3, 0, -3, 0), int(alignment),
                         text(c));
    }
}

} // namespace tavo
