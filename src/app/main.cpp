// The TAVO program: opens the two databases beside the executable and shows the first window.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "data/Databases.h"
#include "data/NumberFormat.h"
#include "data/TavoError.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVO"));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    try {
        Databases databases = Databases::openBesideProgram();
        QLabel window(QStringLiteral("Die Datenbanken wurden geöffnet:\n%1\n%2")
                          .arg(databases.masterPath(), databases.userPath()));
        window.setWindowTitle(QStringLiteral("TAVO - Tavorechner"));
        window.setMargin(24);
        window.show();
        return app.exec();
    } catch (const TavoError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TAVO - Tavorechner"), e.message());
        return 1;
    }
}
