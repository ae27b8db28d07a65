#pragma once

#include <QDialog>

class QLabel;

// The About window "TAVO - Tavorechner": the product picture, the credits and the free-use notice,
// and the program's version as built.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);

    // "Version: " followed by the program's version.
    static QString versionText();

    QLabel* lbVersion = nullptr;
};
