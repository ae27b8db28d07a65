#include "core/plan/PlanGeometry.h"

#include <algorithm>
#include <cmath>

namespace tavo {

namespace PlanGeometry {

namespace {

QVector<QPointF> pointsOf(const OGRSimpleCurve& curve) {
    QVector<QPointF> points;
    points.reserve(curve.getNumPoints());
    for (int i = 0; i < curve.getNumPoints(); ++i)
        points.append(QPointF(curve.getX(i), curve.getY(i)));
    return points;
}

bool isAreaRole(PlanRole role) {
    return role == PlanRole::Baugebiet || role == PlanRole::Verkehrsflaeche ||
           role == PlanRole::Gruenflaeche || role == PlanRole::Bauplatz;
}

// Shoelace area of a closed ring (absolute value).
double ringArea(const QVector<QPointF>& ring) {
    double twice = 0;
    for (int i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        twice += (ring[j].x() + ring[i].x()) * (ring[j].y() - ring[i].y());
    return std::abs(twice) / 2;
}

// Collects the parts of every dimension: points (0), lines (1), polygon rings (2).
struct Collected {
    QVector<QVector<QPointF>> parts[3];
    double area = 0, length = 0;
};

void collect(const OGRGeometry& g, bool closedLinesAsAreas, Collected* out) {
    switch (wkbFlatten(g.getGeometryType())) {
    case wkbPoint: {
        const auto& p = *g.toPoint();
        out->parts[0].append({QPointF(p.getX(), p.getY())});
        break;
    }
    case wkbLineString:
    case wkbLinearRing: {
        const auto& line = *g.toSimpleCurve();
        QVector<QPointF> points = pointsOf(line);
        if (closedLinesAsAreas && points.size() > 3 && points.first() == points.last()) {
            out->area += ringArea(points);
            out->parts[2].append(points);
        } else {
            out->length += line.get_Length();
            out->parts[1].append(points);
        }
        break;
    }
    case wkbPolygon: {
        const auto& polygon = *g.toPolygon();
        out->area += polygon.get_Area();
        if (const OGRLinearRing* outer = polygon.getExteriorRing())
            out->parts[2].append(pointsOf(*outer));
        for (int i = 0; i < polygon.getNumInteriorRings(); ++i)
            out->parts[2].append(pointsOf(*polygon.getInteriorRing(i)));
        break;
    }
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection: {
        const auto& members = *g.toGeometryCollection();
        for (int i = 0; i < members.getNumGeometries(); ++i)
            collect(*members.getGeometryRef(i), closedLinesAsAreas, out);
    } break;
    default:
        if (g.hasCurveGeometry()) {
            std::unique_ptr<OGRGeometry> linear(g.getLinearGeometry());
            if (linear)
                collect(*linear, closedLinesAsAreas, out);
        }
        break;
    }
}

} // namespace

SrsPtr srsFromText(const QString& text) {
    SrsPtr srs(new OGRSpatialReference());
    if (srs->SetFromUserInput(text.toUtf8().constData()) != OGRERR_NONE)
        return nullptr;
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

SrsPtr traditionalCopy(const OGRSpatialReference& srs) {
    SrsPtr copy(srs.Clone());
    copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return copy;
}

bool isDefined(const OGRSpatialReference& srs) {
    const char* name = srs.GetName();
    return srs.GetAuthorityCode(nullptr) || !name ||
           !QString::fromUtf8(name).startsWith(QLatin1String("Undefined"));
}

QString srsText(const OGRSpatialReference& srs) {
    const char* authority = srs.GetAuthorityName(nullptr);
    const char* code = srs.GetAuthorityCode(nullptr);
    if (authority && code)
        return QStringLiteral("%1:%2").arg(QString::fromUtf8(authority), QString::fromUtf8(code));
    const char* name = srs.GetName();
    return name ? QString::fromUtf8(name) : QStringLiteral("unbekannt");
}

QString metricCrsFor(double lon, double lat) {
    if (lon >= 9.4 && lon <= 17.3 && lat >= 46.3 && lat <= 49.1)
        return QStringLiteral("EPSG:31287");
    const int zone = std::clamp(int(std::floor((lon + 180.0) / 6.0)) + 1, 1, 60);
    return QStringLiteral("EPSG:%1").arg((lat >= 0 ? 32600 : 32700) + zone);
}

bool fillFeature(const OGRGeometry& geometry, PlanFeature* feature) {
    Collected c;
    collect(geometry, isAreaRole(feature->role), &c);
    int kind = -1;
    switch (feature->role) {
    case PlanRole::Leitung:
        kind = 1;
        break;
    case PlanRole::Bauplatz:
        kind = c.parts[2].isEmpty() ? 0 : 2;
        break;
    case PlanRole::Keine:
        kind = !c.parts[2].isEmpty() ? 2 : !c.parts[1].isEmpty() ? 1 : 0;
        break;
    default:
        kind = 2;
        break;
    }
    if (c.parts[kind].isEmpty())
        return false;
    feature->kind = kind;
    feature->parts = c.parts[kind];
    feature->areaM2 = kind == 2 ? c.area : 0.0;
    feature->lengthM = kind == 1 ? c.length : 0.0;
    return true;
}

} // namespace PlanGeometry

} // namespace tavo
