#include "gui/common/SplashWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "gui/common/Artwork.h"

TfrmStartUp::TfrmStartUp(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmStartUp"));
    setFixedSize(800, 381);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmStartUp::showAndPaint() {
    show();
    raise();
    repaint();
}

void TfrmStartUp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), Artwork::splashPicture());
}
