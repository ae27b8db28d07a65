#pragma once

#include <QGraphicsView>
#include <QVector>

#include "core/plan/PlanTypes.h"

class QGraphicsScene;

namespace tavo {

// The plan drawn in a QGraphicsView: one item per feature (north up, metres), the roles in their
// colours, a scale bar and a north arrow over the view. The wheel and the zoom buttons zoom about
// the mouse or the centre, dragging pans, a click picks the topmost feature under the mouse.
// Features smaller than a pixel or two are painted as a dot, so a plan of thousands of plots
// stays fluid when seen whole.
class PlanView : public QGraphicsView {
    Q_OBJECT
public:
    explicit PlanView(QWidget* parent = nullptr);

    // Replaces the drawing by this plan (empty: nothing drawn) and shows it whole.
    void setPlan(const PlanReading& plan);
    const PlanReading& plan() const { return m_plan; }

    // Zooms by factor about the centre of the view.
    void zoomBy(double factor);
    // Shows the whole plan.
    void fitPlan();
    // View pixels per metre of the plan.
    double pixelsPerMetre() const;
    // The feature under a point of the viewport (index into plan().features), -1 for none.
    int featureAt(const QPoint& viewportPos) const;

Q_SIGNALS:
    // A click on a feature (index into plan().features), or -1 on the empty background.
    void featureClicked(int index);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QGraphicsScene* m_scene = nullptr;
    PlanReading m_plan;
    QPoint m_pressPos;
    int m_selected = -1;
    // A plan set while the view was hidden or not yet laid out is fitted once it has its size.
    bool m_fitPending = false;
};

} // namespace tavo
