// The TAVO program: the selection window opens the two databases beside the program file and
// stays until the program ends.

#include <memory>

#include <QApplication>
#include <QMessageBox>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/projects/ProjectListWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVO"));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    std::unique_ptr<ProjectListWindow> frmAuswahl;
    try {
        frmAuswahl = std::make_unique<ProjectListWindow>();
    } catch (const TavoError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TAVO - Tavorechner"), e.message());
        return 1;
    }
    frmAuswahl->show();
    return app.exec();
}
