// tavo-cli: the calculator's core from the command line, for scripts and batch work.

#include <cstdio>

#include <QCoreApplication>

#include "cli/Commands.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"

namespace {

const char* const kUsage =
    "Aufruf:\n"
    "  tavo-cli init --user DATEI\n"
    "  tavo-cli calc [--master DATEI] [--user DATEI] (--project ID | --all)\n"
    "  tavo-cli export [--user DATEI] --project ID --view ausgaben|einnahmen|saldo|wohneinheiten|bewohner\n"
    "                  [--kostentraeger NAME] [--typ NAME] [--gruppierung TEXT] [--gebiet 0..4]\n"
    "  tavo-cli kennzahlen [--master DATEI] [--user DATEI] --project ID [--project ID ...]\n"
    "                  [--kostentraeger NAME|alle] [--zinssatz PROZENT] [--format text|csv|json]\n";

} // namespace

void printError(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

CliArgs CliArgs::parse(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames,
                       QString* error) {
    CliArgs result;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const QString name = arg.startsWith(QStringLiteral("--")) ? arg.mid(2) : QString();
        if (flagNames.contains(name)) {
            result.flags << name;
        } else if (valueNames.contains(name)) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("Wert fehlt nach %1").arg(arg);
                return result;
            }
            result.options.insert(name, args[++i]);
        } else {
            *error = QStringLiteral("Unbekannte Option: %1").arg(arg);
            return result;
        }
    }
    return result;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NumberFormat::install();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return ExitUsage;
    }
    const QString command = args.takeFirst();
    try {
        if (command == QLatin1String("init"))
            return cmdInit(args);
        if (command == QLatin1String("calc"))
            return cmdCalc(args);
        if (command == QLatin1String("export"))
            return cmdExport(args);
        if (command == QLatin1String("kennzahlen"))
            return cmdKennzahlen(args);
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    printError(QStringLiteral("Unbekannter Befehl: %1").arg(command));
    std::fputs(kUsage, stderr);
    return ExitUsage;
}
