#include "gui/common/PaintedChart.h"

#include <QPainter>

namespace tavo {

PaintedChart::PaintedChart(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PaintedChart::setPainter(Painter painter) {
    m_painter = std::move(painter);
    update();
}

QImage PaintedChart::image() const {
    if (!m_painter || width() <= 0 || height() <= 0)
        return QImage();
    return m_painter(size());
}

void PaintedChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QImage chart = image();
    if (!chart.isNull())
        painter.drawImage(QPoint(0, 0), chart);
}

} // namespace tavo
