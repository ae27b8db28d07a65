#include "core/plan/PlanMeasure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace tavo {

namespace PlanMeasure {

namespace {

// Vertices closer than this to a border count as on it (metres): plans drawn edge to edge.
constexpr double kBorderTolerance = 0.05;

double pointSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x() - (a.x() + t * dx), p.y() - (a.y() + t * dy));
}

double cross(const QPointF& o, const QPointF& a, const QPointF& b) {
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

bool segmentsCross(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d) {
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

double segmentSegment(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d) {
    if (segmentsCross(a, b, c, d))
        return 0.0;
    return std::min(
        {pointSegment(a, c, d), pointSegment(b, c, d), pointSegment(c, a, b), pointSegment(d, a, b)});
}

// The segments of a feature's parts; a point is a segment of length 0; a polygon's rings are closed.
template <typename F> void forEachSegment(const PlanFeature& f, F&& visit) {
    for (const QVector<QPointF>& part : f.parts) {
        if (part.size() == 1) {
            visit(part[0], part[0]);
            continue;
        }
        for (int i = 1; i < part.size(); ++i)
            visit(part[i - 1], part[i]);
        if (f.kind == 2 && part.size() > 2 && part.first() != part.last())
            visit(part.last(), part.first());
    }
}

// Even-odd rule over every ring of the polygon: inside the outer ring and outside its holes.
bool insidePolygon(const QPointF& p, const PlanFeature& polygon) {
    bool inside = false;
    for (const QVector<QPointF>& ring : polygon.parts) {
        const int n = ring.size();
        for (int i = 0, j = n - 1; i < n; j = i++) {
            const QPointF& a = ring[i];
            const QPointF& b = ring[j];
            if ((a.y() > p.y()) != (b.y() > p.y()) &&
                p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x())
                inside = !inside;
        }
    }
    return inside;
}

double borderDistance(const QPointF& p, const PlanFeature& polygon) {
    double best = std::numeric_limits<double>::infinity();
    forEachSegment(polygon,
                   [&](const QPointF& a, const QPointF& b) { best = std::min(best, pointSegment(p, a, b)); });
    return best;
}

QRectF boundsOf(const PlanFeature& f) {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const QVector<QPointF>& part : f.parts)
        for (const QPointF& p : part) {
            x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
            x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
        }
    return x0 <= x1 ? QRectF(QPointF(x0, y0), QPointF(x1, y1)) : QRectF();
}

// The shortest distance between the rectangles (0 when they overlap): no two features inside them
// lie closer.
double boxDistance(const QRectF& a, const QRectF& b) {
    const double dx = std::max({0.0, a.left() - b.right(), b.left() - a.right()});
    const double dy = std::max({0.0, a.top() - b.bottom(), b.top() - a.bottom()});
    return std::hypot(dx, dy);
}

struct Line {
    const PlanFeature* feature;
    QRectF bounds;
};

// Sum over the plots of the distance to the nearest of the lines; 0 without lines.
double connectionSum(const QVector<const PlanFeature*>& plots, const QVector<Line>& lines) {
    if (lines.isEmpty())
        return 0.0;
    double sum = 0.0;
    QVector<QPair<double, const Line*>> order(lines.size());
    for (const PlanFeature* plot : plots) {
        const QRectF box = boundsOf(*plot);
        for (int i = 0; i < lines.size(); ++i)
            order[i] = {boxDistance(box, lines[i].bounds), &lines[i]};
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        double best = std::numeric_limits<double>::infinity();
        for (const auto& candidate : order) {
            if (candidate.first >= best)
                break;
            best = std::min(best, distance(*plot, *candidate.second->feature));
        }
        sum += best;
    }
    return sum;
}

} // namespace

double distance(const PlanFeature& a, const PlanFeature& b) {
    // A polygon holding a vertex of the other feature (or the other way round) touches it.
    if (a.kind == 2 && !b.parts.isEmpty() && !b.parts.first().isEmpty() &&
        insidePolygon(b.parts.first().first(), a))
        return 0.0;
    if (b.kind == 2 && !a.parts.isEmpty() && !a.parts.first().isEmpty() &&
        insidePolygon(a.parts.first().first(), b))
        return 0.0;
    double best = std::numeric_limits<double>::infinity();
    forEachSegment(a, [&](const QPointF& p, const QPointF& q) {
        forEachSegment(b, [&](const QPointF& r, const QPointF& s) {
            if (best > 0)
                best = std::min(best, segmentSegment(p, q, r, s));
        });
    });
    return best;
}

PlanMeasures measure(const QVector<PlanFeature>& features, bool unnamedLinesForAllNetworks) {
    PlanMeasures m;
    QVector<const PlanFeature*> plots;
    QVector<Line> allLines;
    QMap<QString, QVector<Line>> networkLines;
    for (const PlanFeature& f : features) {
        switch (f.role) {
        case PlanRole::Baugebiet:
            m.baugebietM2 += f.areaM2;
            break;
        case PlanRole::Verkehrsflaeche:
            m.verkehrM2 += f.areaM2;
            break;
        case PlanRole::Gruenflaeche:
            m.gruenM2 += f.areaM2;
            break;
        case PlanRole::Leitung: {
            if (f.kind != 1)
                break;
            const Line line{&f, boundsOf(f)};
            allLines.append(line);
            QStringList networks;
            if (!f.network.isEmpty())
                networks << f.network;
            else if (unnamedLinesForAllNetworks)
                networks = planNetworks();
            for (const QString& network : networks) {
                m.leitungM[network] += f.lengthM;
                networkLines[network].append(line);
            }
            break;
        }
        case PlanRole::Bauplatz:
            m.bauplaetze[f.buildingType] += 1;
            plots.append(&f);
            break;
        case PlanRole::Keine:
            break;
        }
    }
    if (!plots.isEmpty() && !allLines.isEmpty()) {
        m.anschlussM = connectionSum(plots, allLines);
        // Networks laid in the same lines (every unnamed line counts for each) share one sum.
        std::map<std::vector<const PlanFeature*>, double> sums;
        for (auto it = networkLines.cbegin(); it != networkLines.cend(); ++it) {
            std::vector<const PlanFeature*> key;
            for (const Line& line : it.value())
                key.push_back(line.feature);
            if (key.size() == size_t(allLines.size()))
                sums.emplace(key, m.anschlussM);
            const auto found = sums.find(key);
            const double sum = found != sums.end() ? found->second : connectionSum(plots, it.value());
            sums.emplace(std::move(key), sum);
            m.anschlussNetzM.insert(it.key(), sum);
        }
    }
    return m;
}

QStringList outsideBaugebiet(const QVector<PlanFeature>& features) {
    QVector<const PlanFeature*> areas;
    for (const PlanFeature& f : features)
        if (f.role == PlanRole::Baugebiet && f.kind == 2)
            areas.append(&f);
    QStringList outside;
    if (areas.isEmpty())
        return outside;
    const auto inside = [&](const QPointF& p) {
        for (const PlanFeature* area : areas)
            if (insidePolygon(p, *area) || borderDistance(p, *area) <= kBorderTolerance)
                return true;
        return false;
    };
    for (const PlanFeature& f : features) {
        if (f.role == PlanRole::Baugebiet || f.role == PlanRole::Keine)
            continue;
        bool out = false;
        for (const QVector<QPointF>& part : f.parts) {
            out = std::any_of(part.begin(), part.end(), [&](const QPointF& p) { return !inside(p); });
            if (out)
                break;
        }
        if (out)
            outside << QStringLiteral("%1, Objekt %2").arg(f.layer).arg(f.fid);
    }
    return outside;
}

QRectF extent(const QVector<PlanFeature>& features) {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const PlanFeature& f : features)
        for (const QVector<QPointF>& part : f.parts)
            for (const QPointF& p : part) {
                x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
                x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
            }
    return x0 <= x1 ? QRectF(QPointF(x0, y0), QPointF(x1, y1)) : QRectF();
}

} // namespace PlanMeasure

} // namespace tavo
