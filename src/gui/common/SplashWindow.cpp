#include "gui/common/SplashWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "gui/common/Artwork.h"

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmStartUp"));
    setFixedSize(800, 381);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SplashWindow::showAndPaint() {
    show();
    raise();
    repaint();
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), Artwork::splashPicture());
}
