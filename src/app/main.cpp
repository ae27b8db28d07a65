// The TAVO program: the selection window opens the two databases (beside the program file, else
// the installed master database and the user's own database; --master and --user name others) and
// stays until the program ends.

#include <cstdio>
#include <memory>
#include <optional>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "core/data/DataLocations.h"
#include "core/data/ManPage.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/services/ExampleProject.h"
#include "gui/projects/ProjectListWindow.h"

using namespace tavo;

namespace {

// An option of the desktop program: its names, the name of its value (empty for a switch) and what
// it does. --help lists them and the manual page explains them; a line break in the text continues
// the explanation on the next line of --help.
struct AppOption {
    QStringList names;
    QString valueName;
    QString text;
};

const QList<AppOption>& appOptions() {
    static const QList<AppOption> options = {
        {{QStringLiteral("h"), QStringLiteral("help")}, QString(), QStringLiteral("zeigt den Aufruf")},
        {{QStringLiteral("v"), QStringLiteral("version")}, QString(), QStringLiteral("zeigt die Version")},
        {{QStringLiteral("master")}, QStringLiteral("DATEI"), QStringLiteral("öffnet diese Stammdatenbank")},
        {{QStringLiteral("user")},
         QStringLiteral("DATEI"),
         QStringLiteral("öffnet diese Benutzerdatenbank (sie wird nicht angelegt);\n"
                        "eine Datenbank auf einem PostgreSQL-Server als\n"
                        "postgresql://benutzer@server:port/datenbank")},
    };
    return options;
}

const char* const Usage = "Aufruf: tavo [--master DATEI] [--user DATEI] | --help | --version\n";

const QString Description =
    QStringLiteral("Startet TAVO - Tavorechner. Die Datenbanken neben dem Programm gelten, wenn es dort\n"
                   "welche gibt; sonst die installierte Stammdatenbank und die eigene Benutzerdatenbank\n"
                   "im Datenordner des Benutzers (beim ersten Start angelegt).\n");

// "-h, --help" or "--master DATEI".
QString optionTerm(const AppOption& option) {
    QStringList names;
    for (const QString& name : option.names)
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    const QString term = names.join(QStringLiteral(", "));
    return option.valueName.isEmpty() ? term : term + QLatin1Char(' ') + option.valueName;
}

QString helpText() {
    QString text = QString::fromUtf8(Usage) + Description;
    const QString indent(19, QLatin1Char(' '));
    for (const AppOption& option : appOptions())
        text += QStringLiteral("  %1 %2\n")
                    .arg(optionTerm(option), -16)
                    .arg(QString(option.text).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent));
    return text;
}

QString manPageText() {
    ManPage::Page page;
    page.program = QStringLiteral("tavo");
    page.summary = QStringLiteral("Kosten und Erträge eines neuen Baugebiets für die Gemeinde abschätzen");
    page.version = QStringLiteral(TAVO_VERSION);
    page.synopsis << QStringLiteral("[--master DATEI] [--user DATEI]")
                  << QStringLiteral("--help | --version");
    page.sections << ManPage::Section{
        QStringLiteral("BESCHREIBUNG"),
        QStringLiteral(
            "Der Tavorechner schätzt für ein geplantes Baugebiet einer Gemeinde über 20 Projektjahre "
            "ab, was Straßen, Beleuchtung, Grünflächen, Kanal, Wasser, weitere Leitungen und soziale "
            "Infrastruktur kosten und was Aufschließungsbeitrag, Anschlussgebühren, Grundsteuer und "
            "Finanzausgleich einbringen. tavo öffnet das Fenster mit der Projektauswahl; das "
            "Handbuch öffnet Hilfe (F1).\n\n") +
            QString(Description).remove(QStringLiteral("Startet TAVO - Tavorechner. ")),
        {}};
    ManPage::Section options{QStringLiteral("OPTIONEN"), QString(), {}};
    for (const AppOption& option : appOptions()) {
        QString text = option.text;
        text[0] = text[0].toUpper();
        // A sentence ends with a full stop, unless it ends with an address.
        if (!text.section(QLatin1Char('\n'), -1).contains(QLatin1String("://")))
            text += QLatin1Char('.');
        options.entries << ManPage::Entry{optionTerm(option), text};
    }
    page.sections << options;
    page.sections << ManPage::Section{
        QStringLiteral("RÜCKGABEWERT"),
        QStringLiteral(
            "0, wenn das Programm regulär beendet wird; 1, wenn die Datenbanken nicht geöffnet werden "
            "können; 2 bei einer unbekannten Option oder einem überzähligen Argument."),
        {}};
    page.sections << ManPage::filesSection();
    page.sections << ManPage::Section{QStringLiteral("SIEHE AUCH"), QStringLiteral("tavo-cli(1)"), {}};
    return ManPage::render(page);
}

// Reads the options; a wrong call gets its German message on stderr and the result false.
bool parseOptions(QCommandLineParser& parser, const QStringList& arguments) {
    for (const AppOption& option : appOptions())
        parser.addOption(QCommandLineOption(option.names, option.text, option.valueName));
    // Writes the manual page the package installs; not listed by --help.
    parser.addOption(QCommandLineOption(QStringLiteral("manpage")));
    if (parser.parse(arguments) && parser.positionalArguments().isEmpty())
        return true;
    const QStringList unknown = parser.unknownOptionNames();
    const QString what = !unknown.isEmpty()                       ? unknown.first()
                         : parser.positionalArguments().isEmpty() ? parser.errorText()
                                                                  : parser.positionalArguments().first();
    std::fprintf(stderr, "Unbekannte Option: %s\n%s", what.toUtf8().constData(), Usage);
    return false;
}

// Whether the call asks for an answer on the terminal (--help, --version, --manpage) rather than
// the window: such a call is answered before any window system is touched, so it works without a
// display (over ssh, in a build, in a package check).
bool answersOnTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-v", "--version", "--manpage"})
            if (qstrcmp(argv[i], option) == 0)
                return true;
    return false;
}

// Answers --help, --version and --manpage (exit 0), or refuses a wrong call (exit 2). Nothing when
// the option was only the value of another one (--user --help): the window opens then.
std::optional<int> answerOnTerminal(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    if (!parseOptions(parser, QCoreApplication::arguments()))
        return 2;
    if (parser.isSet(QStringLiteral("help")))
        std::fputs(helpText().toUtf8().constData(), stdout);
    else if (parser.isSet(QStringLiteral("version")))
        std::printf("tavo %s\n", TAVO_VERSION);
    else if (parser.isSet(QStringLiteral("manpage")))
        std::fputs(manPageText().toUtf8().constData(), stdout);
    else
        return std::nullopt;
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (answersOnTerminal(argc, argv))
        if (const std::optional<int> exitCode = answerOnTerminal(argc, argv))
            return *exitCode;
    QApplication app(argc, argv);
    DataLocations::setApplicationIdentity();
    ExampleProject::addToNewUserDatabases();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/tavo.svg")));
    QApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    // Qt's own dialogs and buttons (Ja, Nein, Abbrechen, the print and file dialogs) speak German,
    // as does the rest of the program, whatever language the desktop is set to.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    QCommandLineParser parser;
    if (!parseOptions(parser, QApplication::arguments()))
        return 2;
    const QString master = parser.value(QStringLiteral("master"));
    const QString user = parser.value(QStringLiteral("user"));

    std::unique_ptr<ProjectListWindow> projectList;
    try {
        projectList = std::make_unique<ProjectListWindow>(std::make_unique<Databases>(
            DataLocations::ofRunningProgram().open(master, user, Databases::Access::WriteIfAllowed)));
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
