#include "gui/plan/PlanView.h"

#include <algorithm>
#include <cmath>

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>
#include <QResizeEvent>
#include <QStyleOptionGraphicsItem>
#include <QWheelEvent>

#include "report/PlanDrawing.h"

namespace tavo {

namespace {

constexpr int kFeatureIndex = 0; // item data: index of the feature in the plan
constexpr double kMarkerPixels = 7;
constexpr double kLineClickMetres = 1.5; // half the width a click on a line may miss it by

// One feature of the plan. Its path is in drawing coordinates (metres, y turned); a point is a
// marker of fixed pixel size that ignores the view's zoom.
class FeatureItem : public QGraphicsItem {
public:
    FeatureItem(const PlanFeature& feature, int index) : m_feature(feature) {
        setData(kFeatureIndex, index);
        setZValue(PlanDrawing::paintLayer(feature.role));
        m_path = PlanDrawing::featurePath(feature);
        if (feature.kind == 0) {
            setPos(m_path.elementCount() ? QPointF(m_path.elementAt(0)) : QPointF());
            setFlag(ItemIgnoresTransformations);
            m_bounds = QRectF(-kMarkerPixels, -kMarkerPixels, 2 * kMarkerPixels, 2 * kMarkerPixels);
            m_shape.addEllipse(m_bounds);
            return;
        }
        if (feature.kind == 1) {
            QPainterPathStroker stroker;
            stroker.setWidth(2 * kLineClickMetres);
            m_shape = stroker.createStroke(m_path);
        } else {
            m_shape = m_path;
        }
        m_bounds = m_shape.boundingRect().united(m_path.boundingRect());
    }

    QRectF boundingRect() const override { return m_bounds; }
    QPainterPath shape() const override { return m_shape; }
    void setHighlighted(bool on) {
        m_highlighted = on;
        update();
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) override {
        if (m_feature.kind == 0) {
            painter->setPen(QPen(PlanDrawing::lineColor(m_feature.role), m_highlighted ? 3 : 1));
            painter->setBrush(PlanDrawing::fillColor(m_feature.role));
            painter->drawEllipse(QPointF(0, 0), kMarkerPixels / 2, kMarkerPixels / 2);
            return;
        }
        // Level of detail: a feature of a pixel or two is a dot; drawing its outline would cost the
        // same as a large one and show nothing more.
        const double lod = option->levelOfDetailFromTransform(painter->worldTransform());
        const QRectF r = m_path.boundingRect();
        if (std::max(r.width(), r.height()) * lod < 2.5) {
            painter->setPen(QPen(PlanDrawing::lineColor(m_feature.role), 0));
            painter->drawPoint(r.center());
            return;
        }
        PlanDrawing::paintFeature(*painter, m_feature, m_path, m_highlighted ? 3 : 1, kMarkerPixels);
    }

private:
    const PlanFeature& m_feature;
    QPainterPath m_path;
    QPainterPath m_shape;
    QRectF m_bounds;
    bool m_highlighted = false;
};

} // namespace

PlanView::PlanView(QWidget* parent) : QGraphicsView(parent) {
    setObjectName(QStringLiteral("gvPlan"));
    m_scene = new QGraphicsScene(this);
    setScene(m_scene);
    setRenderHint(QPainter::Antialiasing);
    setBackgroundBrush(Qt::white);
    setDragMode(ScrollHandDrag);
    setTransformationAnchor(AnchorUnderMouse);
    // The scale bar and the north arrow stand still over a moving plan: every frame is painted whole.
    setViewportUpdateMode(FullViewportUpdate);
    setOptimizationFlags(DontAdjustForAntialiasing);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAccessibleName(QStringLiteral("Plan"));
}

void PlanView::setPlan(const PlanReading& plan) {
    m_scene->clear();
    m_selected = -1;
    m_plan = plan;
    for (int i = 0; i < m_plan.features.size(); ++i)
        m_scene->addItem(new FeatureItem(m_plan.features[i], i));
    // Room around the plan, so that it can be panned beyond its edges.
    const QRectF drawing = m_scene->itemsBoundingRect();
    const double room = std::max({drawing.width(), drawing.height(), 100.0}) * 3;
    m_scene->setSceneRect(drawing.adjusted(-room, -room, room, room));
    fitPlan();
}

void PlanView::fitPlan() {
    resetTransform();
    m_fitPending = !isVisible();
    if (m_plan.features.isEmpty())
        return;
    const QRectF drawing = m_scene->itemsBoundingRect();
    fitInView(drawing.adjusted(-drawing.width() * 0.05, -drawing.height() * 0.05, drawing.width() * 0.05,
                               drawing.height() * 0.05),
              Qt::KeepAspectRatio);
    viewport()->update();
}

void PlanView::zoomBy(double factor) {
    const ViewportAnchor anchor = transformationAnchor();
    setTransformationAnchor(AnchorViewCenter);
    // From a whole town down to a single plot: a pixel for a kilometre to a hundred pixels per metre.
    const double next = pixelsPerMetre() * factor;
    if (next > 1e-3 && next < 100)
        scale(factor, factor);
    setTransformationAnchor(anchor);
    viewport()->update();
}

double PlanView::pixelsPerMetre() const {
    return transform().m11();
}

int PlanView::featureAt(const QPoint& viewportPos) const {
    const QRect probe(viewportPos - QPoint(3, 3), QSize(7, 7));
    // The topmost item first: lines over plots over areas.
    for (QGraphicsItem* item : items(probe, Qt::IntersectsItemShape)) {
        const QVariant index = item->data(kFeatureIndex);
        if (index.isValid())
            return index.toInt();
    }
    return -1;
}

void PlanView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (m_fitPending && isVisible())
        fitPlan();
}

void PlanView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    const double factor = std::pow(1.25, steps);
    const double next = pixelsPerMetre() * factor;
    if (next > 1e-3 && next < 100)
        scale(factor, factor);
    viewport()->update();
    event->accept();
}

void PlanView::mousePressEvent(QMouseEvent* event) {
    m_pressPos = event->position().toPoint();
    QGraphicsView::mousePressEvent(event);
}

void PlanView::mouseReleaseEvent(QMouseEvent* event) {
    QGraphicsView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || (event->position().toPoint() - m_pressPos).manhattanLength() > 4)
        return; // the end of a drag, no click
    const int index = featureAt(event->position().toPoint());
    const auto itemOf = [this](int i) -> FeatureItem* {
        for (QGraphicsItem* item : m_scene->items())
            if (item->data(kFeatureIndex).toInt() == i)
                return static_cast<FeatureItem*>(item);
        return nullptr;
    };
    if (m_selected >= 0)
        if (FeatureItem* old = itemOf(m_selected))
            old->setHighlighted(false);
    m_selected = index;
    if (index >= 0)
        if (FeatureItem* item = itemOf(index))
            item->setHighlighted(true);
    Q_EMIT featureClicked(index);
}

void PlanView::drawForeground(QPainter* painter, const QRectF&) {
    if (m_plan.features.isEmpty())
        return;
    painter->save();
    painter->resetTransform();
    QFont small = font();
    small.setPointSize(8);
    const double ppm = pixelsPerMetre();
    const double bar = PlanDrawing::scaleBarMetres(ppm, std::min(200.0, viewport()->width() * 0.4));
    PlanDrawing::paintScaleBar(*painter, QPointF(12, viewport()->height() - 12), bar, ppm, small);
    PlanDrawing::paintNorthArrow(*painter, QRectF(viewport()->width() - 40, 10, 28, 40), small);
    painter->restore();
}

} // namespace tavo
