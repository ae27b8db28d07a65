#include <QDir>
#include <QFile>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/services/ExampleProject.h"

namespace tavo {

// tavo-cli init --user FILE: a new user database with the full current schema holding the calculated
// example project, so a first start shows results; with --leer an empty one.
int cmdInit(const QStringList& args) {
    QString error;
    const CliArgs cli = CliArgs::parse(args, {QStringLiteral("user"), QStringLiteral("master")},
                                       {QStringLiteral("leer")}, &error);
    if (!error.isEmpty() || !cli.has(QStringLiteral("user"))) {
        printError(error.isEmpty()
                       ? QStringLiteral("Aufruf: tavo-cli init [--master DATEI] --user DATEI [--leer]")
                       : error);
        return ExitUsage;
    }
    const QString user = cli.value(QStringLiteral("user"));
    try {
        Databases::createUserDatabase(user);
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    if (cli.has(QStringLiteral("leer")))
        return ExitOk;
    bool opened = false;
    try {
        const QString master =
            cli.value(QStringLiteral("master"), DataLocations::ofRunningProgram().masterPath());
        const Databases dbs(master, user);
        opened = true;
        ExampleProject::create(dbs);
    } catch (const TavoError& e) {
        // A half-filled database would be kept forever by the build; no database is better.
        Databases::removeNewUserDatabase(user);
        printError(QStringLiteral("Das Beispielprojekt konnte nicht angelegt werden: %1").arg(e.message()));
        // An unusable master database is a usage error, a failing calculation a calculation error.
        return opened ? ExitFailed : ExitUsage;
    }
    return ExitOk;
}

} // namespace tavo
