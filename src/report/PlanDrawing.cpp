#include "report/PlanDrawing.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include "core/data/NumberFormat.h"

namespace tavo {

namespace PlanDrawing {

QColor fillColor(PlanRole role) {
    switch (role) {
    case PlanRole::Baugebiet:
        return QColor(255, 236, 204);
    case PlanRole::Verkehrsflaeche:
        return QColor(196, 196, 196);
    case PlanRole::Gruenflaeche:
        return QColor(160, 214, 130);
    case PlanRole::Bauplatz:
        return QColor(246, 190, 110);
    case PlanRole::Leitung:
        return QColor(30, 100, 210);
    case PlanRole::Keine:
        break;
    }
    return QColor(235, 235, 235);
}

QColor lineColor(PlanRole role) {
    switch (role) {
    case PlanRole::Baugebiet:
        return QColor(170, 40, 40);
    case PlanRole::Verkehrsflaeche:
        return QColor(110, 110, 110);
    case PlanRole::Gruenflaeche:
        return QColor(50, 130, 40);
    case PlanRole::Bauplatz:
        return QColor(150, 90, 20);
    case PlanRole::Leitung:
        return QColor(20, 80, 200);
    case PlanRole::Keine:
        break;
    }
    return QColor(150, 150, 150);
}

int paintLayer(PlanRole role) {
    switch (role) {
    case PlanRole::Keine:
        return 0;
    case PlanRole::Baugebiet:
        return 1;
    case PlanRole::Verkehrsflaeche:
    case PlanRole::Gruenflaeche:
        return 2;
    case PlanRole::Bauplatz:
        return 3;
    case PlanRole::Leitung:
        return 4;
    }
    return 0;
}

QList<PlanRole> presentRoles(const PlanReading& plan) {
    QList<PlanRole> roles;
    for (PlanRole role : planRoles())
        for (const PlanFeature& f : plan.features)
            if (f.role == role) {
                roles << role;
                break;
            }
    return roles;
}

QPainterPath featurePath(const PlanFeature& feature) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const QVector<QPointF>& part : feature.parts) {
        if (part.isEmpty())
            continue;
        path.moveTo(part.front().x(), -part.front().y());
        for (int i = 1; i < part.size(); ++i)
            path.lineTo(part[i].x(), -part[i].y());
        if (feature.kind == 2)
            path.closeSubpath();
    }
    return path;
}

QRectF drawingRect(const PlanReading& plan) {
    QRectF r = plan.extent.normalized();
    if (r.isEmpty()) {
        // An extent not stored: the one of the features.
        for (const PlanFeature& f : plan.features)
            for (const QVector<QPointF>& part : f.parts)
                for (const QPointF& p : part)
                    r = r.isNull() ? QRectF(p, QSizeF(0, 0)) : r.united(QRectF(p, QSizeF(0, 0)));
    }
    return QRectF(r.left(), -r.bottom(), r.width(), r.height());
}

void paintFeature(QPainter& painter, const PlanFeature& feature, const QPainterPath& path, double penWidth,
                  double markerSize) {
    QPen pen(lineColor(feature.role), penWidth);
    pen.setCosmetic(true);
    if (feature.kind == 0) {
        // A point: a filled circle of markerSize device units, wherever the transform scales.
        const QPointF at =
            painter.transform().map(path.elementCount() ? QPointF(path.elementAt(0)) : QPointF());
        painter.save();
        painter.resetTransform();
        painter.setPen(pen);
        painter.setBrush(fillColor(feature.role));
        painter.drawEllipse(at, markerSize / 2, markerSize / 2);
        painter.restore();
        return;
    }
    painter.setPen(pen);
    if (feature.kind == 1) {
        pen.setWidthF(penWidth * 2);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
    } else {
        QColor fill = fillColor(feature.role);
        fill.setAlpha(feature.role == PlanRole::Baugebiet ? 140 : 210);
        painter.setBrush(fill);
    }
    painter.drawPath(path);
}

void paintPlan(QPainter& painter, const PlanReading& plan, double penWidth, double markerSize) {
    QVector<int> order(plan.features.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&plan](int a, int b) {
        return paintLayer(plan.features[a].role) < paintLayer(plan.features[b].role);
    });
    for (int i : order)
        paintFeature(painter, plan.features[i], featurePath(plan.features[i]), penWidth, markerSize);
}

double scaleBarMetres(double unitsPerMetre, double maxLength) {
    if (unitsPerMetre <= 0 || maxLength <= 0)
        return 0;
    const double most = maxLength / unitsPerMetre;
    double power = std::pow(10.0, std::floor(std::log10(most)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= most)
            return step * power;
    return power / 2;
}

QString metresText(double metres) {
    if (metres >= 1000)
        return QStringLiteral("%1 km").arg(NumberFormat::general(metres / 1000));
    return QStringLiteral("%1 m").arg(NumberFormat::general(metres));
}

void paintScaleBar(QPainter& painter, const QPointF& origin, double metres, double unitsPerMetre,
                   const QFont& font) {
    const double length = metres * unitsPerMetre;
    const QFontMetricsF metrics(font, painter.device());
    const double height = metrics.height() * 0.4;
    painter.save();
    QPen pen(Qt::black, 0);
    painter.setPen(pen);
    // Four fields, black and white in turn, so that quarters can be read off too.
    for (int i = 0; i < 4; ++i) {
        const QRectF field(origin.x() + i * length / 4, origin.y() - height, length / 4, height);
        painter.setBrush(i % 2 == 0 ? Qt::black : Qt::white);
        painter.drawRect(field);
    }
    painter.setFont(font);
    const double baseline = origin.y() - height - metrics.descent() - 1;
    painter.drawText(QPointF(origin.x(), baseline), QStringLiteral("0"));
    const QString text = metresText(metres);
    painter.drawText(QPointF(origin.x() + length - metrics.horizontalAdvance(text) / 2, baseline), text);
    painter.restore();
}

void paintNorthArrow(QPainter& painter, const QRectF& box, const QFont& font) {
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double textHeight = metrics.height();
    const double arrowHeight = std::max(box.height() - textHeight, box.height() * 0.5);
    const double cx = box.center().x();
    const double half = std::min(box.width(), arrowHeight) * 0.3;
    // The left half filled, the right half open: the common sign for north.
    QPainterPath left;
    left.moveTo(cx, box.top());
    left.lineTo(cx - half, box.top() + arrowHeight);
    left.lineTo(cx, box.top() + arrowHeight * 0.75);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(cx, box.top());
    right.lineTo(cx + half, box.top() + arrowHeight);
    right.lineTo(cx, box.top() + arrowHeight * 0.75);
    right.closeSubpath();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::black);
    painter.drawPath(left);
    painter.setBrush(Qt::white);
    painter.drawPath(right);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left(), box.top() + arrowHeight, box.width(), textHeight), Qt::AlignCenter,
                     QStringLiteral("N"));
    painter.restore();
}

double paintLegend(QPainter& painter, const QPointF& topLeft, const QList<PlanRole>& roles,
                   const QFont& font) {
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height() * 1.3;
    const double swatch = metrics.height() * 0.8;
    double y = topLeft.y();
    for (PlanRole role : roles) {
        const QRectF box(topLeft.x(), y + (line - swatch) / 2, swatch * 1.6, swatch);
        if (role == PlanRole::Leitung) {
            painter.setPen(QPen(lineColor(role), swatch * 0.3, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        } else {
            painter.setPen(QPen(lineColor(role), 0));
            painter.setBrush(fillColor(role));
            painter.drawRect(box);
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.right() + swatch * 0.5, y, 1e5, line), Qt::AlignLeft | Qt::AlignVCenter,
                         planRoleName(role));
        y += line;
    }
    painter.restore();
    return y - topLeft.y();
}

QList<QStringList> measureLines(const PlanMeasures& m) {
    const auto area = [](double v) { return NumberFormat::fixed(v, 0) + QStringLiteral(" m²"); };
    const auto length = [](double v) { return NumberFormat::fixed(v, 1) + QStringLiteral(" m"); };
    QList<QStringList> lines;
    lines << QStringList{QStringLiteral("Bruttobauland (Baugebiet)"), area(m.baugebietM2)};
    lines << QStringList{QStringLiteral("Verkehrsfläche"), area(m.verkehrM2)};
    lines << QStringList{QStringLiteral("Grünfläche"), area(m.gruenM2)};
    for (auto it = m.leitungM.cbegin(); it != m.leitungM.cend(); ++it)
        lines << QStringList{
            QStringLiteral("Leitung %1").arg(it.key().isEmpty() ? QStringLiteral("ohne Netz") : it.key()),
            length(it.value())};
    lines << QStringList{QStringLiteral("Anschlusslängen"), length(m.anschlussM)};
    for (auto it = m.bauplaetze.cbegin(); it != m.bauplaetze.cend(); ++it)
        lines << QStringList{
            QStringLiteral("Bauplätze %1").arg(it.key().isEmpty() ? QStringLiteral("ohne Typ") : it.key()),
            QString::number(it.value())};
    return lines;
}

QString featureText(const PlanFeature& f) {
    QString measure;
    if (f.kind == 2)
        measure = QStringLiteral("Fläche %1 m²").arg(NumberFormat::fixed(f.areaM2, 1));
    else if (f.kind == 1)
        measure = QStringLiteral("Länge %1 m").arg(NumberFormat::fixed(f.lengthM, 1));
    else
        measure = QStringLiteral("Punkt");
    QString text = QStringLiteral("%1: %2\nEbene „%3“, Objekt %4")
                       .arg(planRoleName(f.role), measure, f.layer)
                       .arg(f.fid);
    if (!f.network.isEmpty())
        text += QStringLiteral(", Netz %1").arg(f.network);
    if (!f.buildingType.isEmpty())
        text += QStringLiteral(", Gebäudetyp %1").arg(f.buildingType);
    return text;
}

QImage planImage(const PlanReading& plan, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(12, size.height() / 40));
    const double margin = size.height() * 0.04;
    const double legendWidth = size.width() * 0.24;
    const QRectF area(margin, margin, size.width() - legendWidth - 3 * margin, size.height() - 2 * margin);
    const QRectF drawing = drawingRect(plan);
    if (drawing.width() > 0 && drawing.height() > 0) {
        const double scale = std::min(area.width() / drawing.width(), area.height() / drawing.height());
        painter.save();
        painter.translate(area.center());
        painter.scale(scale, scale);
        painter.translate(-drawing.center());
        paintPlan(painter, plan, std::max(1.0, size.height() / 500.0), size.height() / 100.0);
        painter.restore();
        const double bar = scaleBarMetres(scale, legendWidth * 0.8);
        paintScaleBar(painter, QPointF(size.width() - legendWidth - margin, size.height() - margin * 1.5),
                      bar, scale, font);
    }
    const double legendHeight =
        paintLegend(painter, QPointF(size.width() - legendWidth - margin, margin), presentRoles(plan), font);
    const double arrow = std::min(legendWidth * 0.3, size.height() * 0.15);
    paintNorthArrow(
        painter, QRectF(size.width() - legendWidth - margin, margin * 2 + legendHeight, arrow, arrow * 1.4),
        font);
    return image;
}

} // namespace PlanDrawing

} // namespace tavo
