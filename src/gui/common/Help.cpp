#include "gui/common/Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "core/data/DataLocations.h"

namespace tavo {

namespace Help {

QString manualPath() {
    return DataLocations::ofRunningProgram().manualPath();
}

void openManual(QWidget* parent) {
    openDocument(parent, manualPath());
}

bool openDocument(QWidget* parent, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(parent, QStringLiteral("TAVO - Tavorechner"),
                             QStringLiteral("Das Handbuch wurde nicht gefunden:\n") + shown);
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        QMessageBox::warning(parent, QStringLiteral("TAVO - Tavorechner"),
                             QStringLiteral("Das Handbuch konnte nicht geöffnet werden:\n") + shown);
        return false;
    }
    return true;
}

} // namespace Help

} // namespace tavo
