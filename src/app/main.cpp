// The TAVO program: the selection window opens the two databases beside the program file and
// stays until the program ends.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/projects/ProjectListWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TAVO"));
    QApplication::setApplicationName(QStringLiteral("TAVO"));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    // Qt's own dialogs and buttons (Ja, Nein, Abbrechen, the print and file dialogs) speak German,
    // as does the rest of the program, whatever language the desktop is set to.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO - Tavorechner"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("zeigt den Aufruf"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("zeigt die Version"));
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString what = !unknown.isEmpty() ? unknown.first()
                             : parser.positionalArguments().isEmpty() ? parser.errorText()
                                                                      : parser.positionalArguments().first();
        std::fprintf(stderr, "Unbekannte Option: %s\nAufruf: tavo [--help | --version]\n", what.toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs("Aufruf: tavo [--help | --version]\n"
                   "Startet TAVO - Tavorechner mit den Datenbanken neben dem Programm.\n"
                   "  -h, --help     zeigt den Aufruf\n"
                   "  -v, --version  zeigt die Version\n",
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tavo %s\n", TAVO_VERSION);
        return 0;
    }

    std::unique_ptr<ProjectListWindow> projectList;
    try {
        projectList = std::make_unique<ProjectListWindow>();
    } catch (const TavoError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TAVO - Tavorechner"), e.message());
        return 1;
    }
    projectList->show();
    return app.exec();
}
