#pragma once

#include <QSettings>
#include <QString>

class QWidget;

namespace tavo {

class ResultRadioGroup;

// What the program remembers between starts: window sizes and positions and the last choices of
// the result pages' filters.
namespace Settings {

// The program's settings (~/.config/TAVO/TAVO.conf on Linux), named explicitly: the application
// leaves its organisation name empty so that its user data folder is exactly ".../TAVO".
class Store : public QSettings {
public:
    Store() : QSettings(QStringLiteral("TAVO"), QStringLiteral("TAVO")) {}
};

// Puts the window where it was when it was last closed; false when nothing is stored for key or the
// stored place lies on no screen any more.
bool restoreWindow(QWidget* window, const QString& key);
// Remembers the window's size and position under key.
void saveWindow(const QWidget* window, const QString& key);

// Checks the item the group had when last stored under key (by its text, so that a changed list of
// items does not pick a wrong one); keeps the current choice when that item is gone.
void restoreChoice(ResultRadioGroup* group, const QString& key);
// Stores the group's checked item under key.
void saveChoice(const ResultRadioGroup* group, const QString& key);

} // namespace Settings

} // namespace tavo
