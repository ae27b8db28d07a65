#pragma once

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace tavo {

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

// Answers the next message boxes in order, each by clicking its button with the given caption
// ("Ja", "Abbrechen", "OK", ...), and appends each box's text to *texts. A box without such a button
// is rejected and its text marked with "kein Knopf <caption>: ", so the test fails instead of hanging.
inline void answerModals(QStringList captions, QStringList* texts) {
    if (captions.isEmpty())
        return;
    onNextModal([captions, texts](QWidget* modal) mutable {
        const QString caption = captions.takeFirst();
        auto* box = qobject_cast<QMessageBox*>(modal);
        QAbstractButton* chosen = nullptr;
        if (box)
            for (QAbstractButton* button : box->buttons())
                if (button->text().remove(QLatin1Char('&')) == caption)
                    chosen = button;
        const QString text = box ? box->text() : modal->windowTitle();
        if (!chosen) {
            *texts << QStringLiteral("kein Knopf ") + caption + QStringLiteral(": ") + text;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        *texts << text;
        // The next box is looked for once this one has closed.
        answerModals(captions, texts);
        chosen->click();
    });
}

} // namespace tavo
