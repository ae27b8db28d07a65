#include "gui/common/HelpMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "gui/common/Help.h"

namespace tavo {

namespace HelpMenu {

QMenu* add(QMenuBar* bar, QWidget* window, const std::function<void()>& showAbout) {
    QMenu* menu = bar->addMenu(QStringLiteral("&Hilfe"));
    menu->setObjectName(QStringLiteral("menuHilfe"));
    QAction* manual =
        menu->addAction(QStringLiteral("&Handbuch"), window, [window] { Help::openManual(window); });
    manual->setObjectName(QStringLiteral("actHandbuch"));
    manual->setShortcut(QKeySequence::HelpContents);
    manual->setShortcutContext(Qt::WindowShortcut);
    QAction* about = menu->addAction(QStringLiteral("&Info..."), window, showAbout);
    about->setObjectName(QStringLiteral("actInfo"));
    return menu;
}

} // namespace HelpMenu

} // namespace tavo
