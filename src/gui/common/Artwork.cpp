#include "gui/common/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// One house of the settlement: x and width as fractions of the picture width, height relative to
// the width, and a wall colour.
struct House {
    double x;
    double width;
    double height;
    QColor wall;
};

const House kHouses[] = {
    {0.08, 0.070, 0.80, QColor(0xf2, 0xe6, 0xd0)}, {0.17, 0.060, 0.90, QColor(0xe9, 0xd4, 0xb4)},
    {0.26, 0.085, 0.70, QColor(0xf5, 0xef, 0xe4)}, {0.38, 0.065, 1.00, QColor(0xe6, 0xcf, 0xa8)},
    {0.48, 0.090, 0.75, QColor(0xf0, 0xe2, 0xc8)}, {0.61, 0.060, 0.95, QColor(0xf7, 0xf1, 0xe6)},
    {0.71, 0.075, 0.80, QColor(0xea, 0xd8, 0xbc)}, {0.83, 0.065, 0.85, QColor(0xf2, 0xe6, 0xd0)},
};

// Height of the hill (as a fraction of the picture height, measured from the top) at fraction x.
double hillTop(double x) {
    return 0.62 - 0.10 * (1.0 - (2.0 * x - 1.0) * (2.0 * x - 1.0));
}

void paintSky(QPainter& p, const QRectF& r) {
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(0x6f, 0xa8, 0xdc));
    sky.setColorAt(0.7, QColor(0xcf, 0xe6, 0xf7));
    p.fillRect(r, sky);

    const double sunR = r.height() * 0.13;
    const QPointF sun(r.left() + r.width() * 0.86, r.top() + r.height() * 0.20);
    QRadialGradient glow(sun, sunR * 2.2);
    glow.setColorAt(0.0, QColor(255, 236, 150, 200));
    glow.setColorAt(1.0, QColor(255, 236, 150, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sun, sunR * 2.2, sunR * 2.2);
    p.setBrush(QColor(0xff, 0xd3, 0x4d));
    p.drawEllipse(sun, sunR, sunR);
}

void paintHill(QPainter& p, const QRectF& r) {
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    const int steps = 40;
    for (int i = 0; i <= steps; ++i) {
        const double fx = double(i) / steps;
        hill.lineTo(r.left() + fx * r.width(), r.top() + hillTop(fx) * r.height());
    }
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    QLinearGradient grass(r.left(), r.top() + r.height() * 0.5, r.left(), r.bottom());
    grass.setColorAt(0.0, QColor(0x7c, 0xb3, 0x42));
    grass.setColorAt(1.0, QColor(0x4a, 0x7f, 0x2a));
    p.setPen(Qt::NoPen);
    p.setBrush(grass);
    p.drawPath(hill);

    // Two streets winding down the hill towards the viewer.
    QPen street(QColor(0xd9, 0xd4, 0xc7), qMax(2.0, r.height() * 0.035), Qt::SolidLine, Qt::RoundCap);
    p.setPen(street);
    p.setBrush(Qt::NoBrush);
    QPainterPath road;
    road.moveTo(r.left() + r.width() * 0.05, r.top() + r.height() * 0.70);
    road.cubicTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.66, r.left() + r.width() * 0.55,
                 r.top() + r.height() * 0.78, r.left() + r.width() * 0.95, r.top() + r.height() * 0.72);
    p.drawPath(road);
    QPainterPath lane;
    lane.moveTo(r.left() + r.width() * 0.45, r.top() + r.height() * 0.73);
    lane.cubicTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.85, r.left() + r.width() * 0.55,
                 r.top() + r.height() * 0.92, r.left() + r.width() * 0.50, r.bottom());
    p.drawPath(lane);
}

void paintHouse(QPainter& p, const QRectF& r, const House& h) {
    const double w = h.width * r.width();
    const double wallH = w * h.height * 0.75;
    const double baseX = r.left() + h.x * r.width();
    // Standing on the lower of the two ground points, so that no corner floats above the slope.
    const double ground = qMax(hillTop(h.x), hillTop(h.x + h.width));
    const double baseY = r.top() + ground * r.height() + wallH * 0.08;
    const QRectF wall(baseX, baseY - wallH, w, wallH);
    const QPen outline(QColor(0x5a, 0x4a, 0x3a), qMax(0.8, w * 0.03));
    p.setPen(outline);
    p.setBrush(h.wall);
    p.drawRect(wall);

    QPolygonF roof;
    roof << QPointF(wall.left() - w * 0.10, wall.top()) << QPointF(wall.center().x(), wall.top() - w * 0.55)
         << QPointF(wall.right() + w * 0.10, wall.top());
    p.setBrush(QColor(0xb5, 0x3a, 0x2a));
    p.drawPolygon(roof);

    // A door and a window keep the houses readable even in the small picture.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6b, 0x4a, 0x2f));
    p.drawRect(QRectF(wall.left() + w * 0.15, wall.bottom() - wallH * 0.45, w * 0.22, wallH * 0.45));
    p.setBrush(QColor(0x8e, 0xc5, 0xeb));
    p.drawRect(QRectF(wall.left() + w * 0.55, wall.top() + wallH * 0.25, w * 0.28, wallH * 0.28));
}

void paintLandscape(QPainter& p, const QRectF& r) {
    p.setRenderHint(QPainter::Antialiasing);
    paintSky(p, r);
    paintHill(p, r);
    for (const House& h : kHouses)
        paintHouse(p, r, h);
}

// The program's name in the sky, left of the sun, with an optional line beneath.
void paintTitle(QPainter& p, const QRectF& r, const QString& subtitle) {
    QFont big(QStringLiteral("Sans Serif"));
    big.setBold(true);
    big.setPixelSize(int(r.height() * 0.22));
    p.setFont(big);
    const QRectF titleBox(r.left() + r.width() * 0.05, r.top() + r.height() * 0.04, r.width() * 0.7,
                          r.height() * 0.26);
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(titleBox.translated(2, 2), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TAVO"));
    p.setPen(Qt::white);
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TAVO"));

    QFont small(big);
    small.setBold(false);
    small.setPixelSize(int(r.height() * 0.075));
    p.setFont(small);
    const QRectF subBox(titleBox.left(), titleBox.bottom(), titleBox.width(), r.height() * 0.10);
    p.setPen(QColor(0x1d, 0x3b, 0x5c));
    p.drawText(subBox, Qt::AlignLeft | Qt::AlignVCenter, subtitle);
}

QPixmap blank(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::white);
    return pixmap;
}

} // namespace

QPixmap Artwork::selectionPicture() {
    QPixmap pixmap = blank(169, 81);
    QPainter p(&pixmap);
    paintLandscape(p, QRectF(0, 0, 169, 81));
    return pixmap;
}

QPixmap Artwork::splashPicture() {
    QPixmap pixmap = blank(800, 381);
    QPainter p(&pixmap);
    const QRectF r(0, 0, 800, 381);
    paintLandscape(p, r);
    paintTitle(p, r, QStringLiteral("Tavorechner"));

    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(16);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(0, 0, -20, -12), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("wird geladen..."));
    return pixmap;
}

QPixmap Artwork::aboutPicture() {
    QPixmap pixmap = blank(512, 280);
    QPainter p(&pixmap);
    const QRectF r(0, 0, 512, 280);
    paintLandscape(p, r);
    paintTitle(p, r, QStringLiteral("Tavorechner"));
    return pixmap;
}
