#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Runs `action` on the next modal window that appears (polling, so it works inside exec()).
inline void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}
