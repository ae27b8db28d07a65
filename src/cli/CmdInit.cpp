#include "cli/Commands.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"

// tavo-cli init --user FILE: a new, empty user database with the full current schema.
int cmdInit(const QStringList& args) {
    QString error;
    const CliArgs cli = CliArgs::parse(args, {QStringLiteral("user")}, {}, &error);
    if (!error.isEmpty() || !cli.has(QStringLiteral("user"))) {
        printError(error.isEmpty() ? QStringLiteral("Aufruf: tavo-cli init --user DATEI") : error);
        return ExitUsage;
    }
    try {
        Databases::createUserDatabase(cli.value(QStringLiteral("user")));
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    return ExitOk;
}
