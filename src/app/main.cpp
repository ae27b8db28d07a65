// The TAVO program: the selection window opens the two databases (beside the program file, else
// the installed master database and the user's own database; --master and --user name others) and
// stays until the program ends.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "core/data/DataLocations.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/projects/ProjectListWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DataLocations::setApplicationIdentity();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/tavo.svg")));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    // Qt's own dialogs and buttons (Ja, Nein, Abbrechen, the print and file dialogs) speak German,
    // as does the rest of the program, whatever language the desktop is set to.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    const char* const usage = "Aufruf: tavo [--master DATEI] [--user DATEI] | --help | --version\n";
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO - Tavorechner"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("zeigt den Aufruf"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("zeigt die Version"));
    const QCommandLineOption master(QStringLiteral("master"), QStringLiteral("die Stammdatenbank"),
                                    QStringLiteral("DATEI"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("die Benutzerdatenbank"),
                                  QStringLiteral("DATEI"));
    parser.addOptions({help, version, master, user});
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString what = !unknown.isEmpty()                       ? unknown.first()
                             : parser.positionalArguments().isEmpty() ? parser.errorText()
                                                                      : parser.positionalArguments().first();
        std::fprintf(stderr, "Unbekannte Option: %s\n%s", what.toUtf8().constData(), usage);
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(usage, stdout);
        std::fputs("Startet TAVO - Tavorechner. Die Datenbanken neben dem Programm gelten, wenn es dort\n"
                   "welche gibt; sonst die installierte Stammdatenbank und die eigene Benutzerdatenbank\n"
                   "im Datenordner des Benutzers (beim ersten Start angelegt).\n"
                   "  -h, --help       zeigt den Aufruf\n"
                   "  -v, --version    zeigt die Version\n"
                   "  --master DATEI   öffnet diese Stammdatenbank\n"
                   "  --user DATEI     öffnet diese Benutzerdatenbank (sie wird nicht angelegt);\n"
                   "                   eine Datenbank auf einem PostgreSQL-Server als\n"
                   "                   postgresql://benutzer@server:port/datenbank\n",
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tavo %s\n", TAVO_VERSION);
        return 0;
    }

    std::unique_ptr<ProjectListWindow> projectList;
    try {
        projectList = std::make_unique<ProjectListWindow>(
            std::make_unique<Databases>(DataLocations::ofRunningProgram().open(
                parser.value(master), parser.value(user), Databases::Access::WriteIfAllowed)));
    } catch (const TavoError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TAVO - Tavorechner"), e.message());
        return 1;
    }
    projectList->show();
    // What the planner should know about the user database, once at the start.
    const QStringList notices = projectList->databases().notices();
    if (!notices.isEmpty())
        QMessageBox::warning(projectList.get(), QStringLiteral("TAVO - Tavorechner"),
                             notices.join(QStringLiteral("\n\n")));
    return app.exec();
}
