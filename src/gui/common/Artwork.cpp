#include "gui/common/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

// The resource lives in the static library tavo_gui; naming its initialiser keeps the linker
// from dropping it. Q_INIT_RESOURCE declares a global function, so it is called from outside
// the namespace.
static void initPictureResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(tavo);
        return true;
    }();
    Q_UNUSED(done);
}

namespace tavo {

namespace {

qreal deviceRatio() {
    return qMax<qreal>(1.0, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

// Renders the SVG resource into a pixmap of the logical size at the application's device pixel
// ratio, on white as the pictures have no transparent parts.
QPixmap render(const QString& resource, const QSize& size) {
    const qreal ratio = deviceRatio();
    initPictureResource();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

} // namespace

QPixmap Artwork::selectionPicture() {
    return render(QStringLiteral(":/pictures/selection.svg"), QSize(169, 81));
}

QPixmap Artwork::splashPicture() {
    return render(QStringLiteral(":/pictures/splash.svg"), QSize(800, 381));
}

QPixmap Artwork::aboutPicture() {
    return render(QStringLiteral(":/pictures/about.svg"), QSize(512, 280));
}

QIcon Artwork::icon(const QString& name, const QColor& color) {
    initPictureResource();
    const qreal ratio = deviceRatio();
    QPixmap pixmap(QSize(16, 16) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    {
        QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, 16, 16));
        // The black shapes take the colour asked for; transparent parts stay transparent.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(0, 0, 16, 16), color);
    }
    return QIcon(pixmap);
}

} // namespace tavo
