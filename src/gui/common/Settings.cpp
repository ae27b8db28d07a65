#include "gui/common/Settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include "gui/results/ResultRadioGroup.h"

namespace tavo {

namespace Settings {

namespace {

QString windowKey(const QString& key) {
    return QStringLiteral("Fenster/") + key;
}

QString choiceKey(const QString& key) {
    return QStringLiteral("Auswertung/") + key;
}

} // namespace

bool restoreWindow(QWidget* window, const QString& key) {
    const QByteArray geometry = Settings::Store().value(windowKey(key)).toByteArray();
    if (geometry.isEmpty() || !window->restoreGeometry(geometry))
        return false;
    // A window stored on a screen that is gone would open out of reach.
    return QGuiApplication::screenAt(window->geometry().center()) != nullptr;
}

void saveWindow(const QWidget* window, const QString& key) {
    Settings::Store().setValue(windowKey(key), window->saveGeometry());
}

void restoreChoice(ResultRadioGroup* group, const QString& key) {
    const QVariant stored = Settings::Store().value(choiceKey(key));
    if (!stored.isValid())
        return;
    const int index = group->items().indexOf(stored.toString());
    if (index >= 0)
        group->setItemIndex(index);
}

void saveChoice(const ResultRadioGroup* group, const QString& key) {
    if (group->itemIndex() >= 0)
        Settings::Store().setValue(choiceKey(key), group->itemText());
}

} // namespace Settings

} // namespace tavo
