#pragma once

#include <functional>

class QMenu;
class QMenuBar;
class QWidget;

namespace tavo {

// The menu "Hilfe" both windows share: the manual (F1) and the about box.
namespace HelpMenu {

// Adds the menu to bar; the manual opens over window, "Info..." calls showAbout (the window's about
// box with its database files).
QMenu* add(QMenuBar* bar, QWidget* window, const std::function<void()>& showAbout);

} // namespace HelpMenu

} // namespace tavo
