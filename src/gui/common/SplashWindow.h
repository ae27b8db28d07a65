#pragma once

#include <QWidget>

// The splash window shown while a main window is being set up: borderless, 800 x 381 pixels,
// centred on the screen, one picture.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before the set-up continues.
    void showAndPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
};
