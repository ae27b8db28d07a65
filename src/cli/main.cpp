// tavo-cli: the calculator's core from the command line, for scripts and batch work.

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#ifdef TAVO_CLI_WITH_REPORT
#include <QGuiApplication>
#endif

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/services/ExampleProject.h"

using namespace tavo;

namespace {

const CliCommand* findCommand(const QString& name) {
    for (const CliCommand& command : cliCommands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

// Whether the subcommand draws a document (fonts and painting need a QGuiApplication); it does so
// without a display, on the offscreen platform.
bool needsGui(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            return qstrcmp(argv[i], "bericht") == 0;
    return false;
}

// Qt's own warnings are English and meant for developers ("QPainter::begin(): Returned false"); the
// user reads what went wrong in the command's German message instead. A fatal message still ends
// the program, with its text.
void dropQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        std::abort();
    }
}

} // namespace

int main(int argc, char** argv) {
    prepareConsole();
    qInstallMessageHandler(dropQtWarnings);
    std::unique_ptr<QCoreApplication> application;
#ifdef TAVO_CLI_WITH_REPORT
    if (needsGui(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!application)
        application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
#if (defined(TAVO_CLI_WITH_REPORT) || defined(TAVO_CLI_WITH_PLAN)) && defined(TAVO_REPORT_TO_PROGRAM_RELATIVE)
    // Installed in the program's private folder, the report and plan parts find the data as tavo-cli
    // does.
    const QDir installedBin(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TAVO_REPORT_TO_PROGRAM_RELATIVE)));
    if (QFileInfo(installedBin.filePath(QStringLiteral("tavo-cli"))).isExecutable())
        Databases::setProgramDir(QDir::cleanPath(installedBin.path()));
#endif
    // The same name as the desktop program: both find the user database in the same user data folder.
    DataLocations::setApplicationIdentity();
    ExampleProject::addToNewUserDatabases();
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVO_VERSION));
    NumberFormat::install();
    // What the planner should know about a database goes to stderr, once per opening.
    Databases::setNoticeHandler(
        [](const QString& notice) { printError(QStringLiteral("Warnung: ") + notice); });

    // The program's own options come before the subcommand; everything after it belongs to the
    // subcommand.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("zeigt den Aufruf"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("zeigt die Version"));
    // Writes the manual page the package installs; not shown in the usage text.
    QCommandLineOption manPage(QStringLiteral("manpage"), QStringLiteral("schreibt die Handbuchseite"));
    manPage.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(manPage);
    parser.addPositionalArgument(QStringLiteral("befehl"), QStringLiteral("init, calc oder export"));
    if (!parser.parse(app.arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        printError(unknown.isEmpty() ? parser.errorText()
                                     : QStringLiteral("Unbekannte Option: %1%2")
                                           .arg(unknown.first().size() > 1 ? QStringLiteral("--") : QStringLiteral("-"),
                                                unknown.first()));
        printText(cliUsage(), true);
        return ExitUsage;
    }
    QStringList args = parser.positionalArguments();
    if ((parser.isSet(help) || parser.isSet(version) || parser.isSet(manPage)) && !args.isEmpty()) {
        printError(QStringLiteral("Überzähliges Argument: %1").arg(args.first()));
        printText(cliUsage(), true);
        return ExitUsage;
    }
    if (parser.isSet(help))
        return printText(cliUsage()) ? ExitOk : ExitFailed;
    if (parser.isSet(manPage)) {
        try {
            return printText(cliManPage()) ? ExitOk : ExitFailed;
        } catch (const TavoError& e) {
            return reportFailure(e);
        }
    }
    if (parser.isSet(version))
        return printText(QStringLiteral("tavo-cli %1\n").arg(QCoreApplication::applicationVersion()))
                   ? ExitOk
                   : ExitFailed;

    if (args.isEmpty()) {
        printText(cliUsage(), true);
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    const CliCommand* command = findCommand(name);
    if (!command) {
        printError(QStringLiteral("Unbekannter Befehl: %1").arg(name));
        printText(cliUsage(), true);
        return ExitUsage;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")))
        return printText(QStringLiteral("Aufruf: tavo-cli %1\n\n%2")
                             .arg(QString::fromUtf8(command->usage), exitCodeText()))
                   ? ExitOk
                   : ExitFailed;
    try {
        return command->run(args);
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
}
