#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

namespace tavo {

// A chart painted into an image at the widget's size (the painted charts of the report, shown in a
// window): the painter is called again whenever the widget is drawn, so the chart follows resizing.
class PaintedChart : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<QImage(const QSize&)>;

    explicit PaintedChart(QWidget* parent = nullptr);

    // Shows what painter draws; an empty painter leaves the widget blank.
    void setPainter(Painter painter);
    bool hasChart() const { return static_cast<bool>(m_painter); }
    // The chart as it is drawn at the widget's current size (a null image without a painter).
    QImage image() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Painter m_painter;
};

} // namespace tavo
