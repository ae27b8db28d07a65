#include "cli/Commands.h"

#include <cstdio>

#include <QCommandLineParser>

const QList<CliCommand>& cliCommands() {
    static const QList<CliCommand> commands = {
        {"init", "init --user DATEI", cmdInit},
        {"calc", "calc [--master DATEI] [--user DATEI] (--project ID | --all)", cmdCalc},
        {"export",
         "export [--master DATEI] [--user DATEI] --project ID --view "
         "ausgaben|einnahmen|saldo|wohneinheiten|bewohner\n"
         "                  [--kostentraeger NAME] [--typ NAME] [--gruppierung TEXT] [--gebiet 0..4]",
         cmdExport},
        {"kennzahlen",
         "kennzahlen [--master DATEI] [--user DATEI] --project ID [--project ID ...]\n"
         "                  [--kostentraeger NAME|alle] [--zinssatz PROZENT] [--format text|csv|json]",
         cmdKennzahlen},
        {"bericht", "bericht [--master DATEI] [--user DATEI] --project ID --out DATEI.pdf", cmdBericht},
    };
    return commands;
}

QString cliUsage() {
    QString text = QStringLiteral("Aufruf:\n");
    for (const CliCommand& command : cliCommands())
        text += QStringLiteral("  tavo-cli %1\n").arg(QString::fromUtf8(command.usage));
    text += QStringLiteral("  tavo-cli BEFEHL --help          zeigt den Aufruf eines Befehls\n"
                           "  tavo-cli --help | --version\n");
    return text;
}

void printError(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

namespace {

// The German message for what QCommandLineParser rejected: an unknown option as it was written,
// or the option whose value is missing.
QString parseErrorText(const QCommandLineParser& parser, const QStringList& args) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.first();
        for (const QString& arg : args)
            if (arg.startsWith(QLatin1Char('-')) && arg.section(QLatin1Char('='), 0, 0).endsWith(name))
                return QStringLiteral("Unbekannte Option: %1").arg(arg.section(QLatin1Char('='), 0, 0));
        return QStringLiteral("Unbekannte Option: %1").arg(name);
    }
    return QStringLiteral("Wert fehlt nach %1").arg(args.isEmpty() ? QString() : args.last());
}

} // namespace

CliArgs CliArgs::parse(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames,
                       QString* error) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QString& name : valueNames)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("WERT")));
    for (const QString& name : flagNames)
        parser.addOption(QCommandLineOption(name));

    CliArgs result;
    // QCommandLineParser skips the first argument, the program name.
    if (!parser.parse(QStringList{QStringLiteral("tavo-cli")} + args)) {
        *error = parseErrorText(parser, args);
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unbekannte Option: %1").arg(parser.positionalArguments().first());
        return result;
    }
    for (const QString& name : valueNames)
        if (parser.isSet(name))
            result.options.insert(name, parser.value(name));
    for (const QString& name : flagNames)
        if (parser.isSet(name))
            result.flags << name;
    return result;
}
