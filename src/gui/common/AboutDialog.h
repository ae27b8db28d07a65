#pragma once

#include <QDialog>

class QLabel;

namespace tavo {

struct MasterProvenance;

// The About window "TAVO - Tavorechner": the product picture, the credits and the free-use notice,
// and the program's version as built; below them the two database files in use, when given, and
// where the master data come from.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent, const QString& masterPath = QString(),
                         const QString& userPath = QString(), const MasterProvenance* provenance = nullptr);

    // "Version: " followed by the program's version.
    static QString versionText();

    // Shrinks the picture, keeping its proportions, until the window is no taller than height (a
    // small screen, a high scale factor), so that the text and the button stay on the screen; below
    // a useful size the picture is left out. Called for the screen the window opens on.
    void fitToHeight(int height);

    QLabel* lbVersion = nullptr;
    QLabel* lbDateien = nullptr;  // the database files; null when none were given
    QLabel* lbHerkunft = nullptr; // where the master data come from; null when not given

private:
    QLabel* m_picture = nullptr;
};

} // namespace tavo
