#pragma once

class QMenu;
class QMenuBar;
class QWidget;

// The menu "Hilfe" both windows share: the manual (F1) and the about box.
namespace HelpMenu {

// Adds the menu to bar; the manual and the about box open over window.
QMenu* add(QMenuBar* bar, QWidget* window);

} // namespace HelpMenu
