// tavo-cli calc: calculates one project or all projects of a user database, exactly as the button
// "Berechnen" of the main window does.

#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/CalculationRun.h"

namespace {

const QString kUsage =
    QStringLiteral("Aufruf: tavo-cli calc [--master DATEI] [--user DATEI] (--project ID | --all)");

std::unique_ptr<Databases> openDatabases(const CliArgs& cli) {
    return std::make_unique<Databases>(
        DataLocations::ofRunningProgram().open(cli.value(QStringLiteral("master")), cli.value(QStringLiteral("user"))));
}

QList<int> allProjects(const Databases& dbs) {
    QList<int> ids;
    QSqlQuery query = Sql::exec(dbs.user(), QStringLiteral("SELECT ID FROM TAVO ORDER BY ID"));
    while (query.next())
        ids << query.value(0).toInt();
    return ids;
}

bool projectExists(const Databases& dbs, int id) {
    return Sql::scalar(dbs.user(), QStringLiteral("SELECT count(*) FROM TAVO WHERE ID = ?"), {id}).toInt() >
           0;
}

int calculateOne(const Databases& dbs, int id) {
    if (!projectExists(dbs, id)) {
        printError(QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(id));
        return ExitUsage;
    }
    try {
        runCalculation(dbs, id);
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitFailed;
    }
    return ExitOk;
}

int calculateAll(const Databases& dbs) {
    const QList<int> ids = allProjects(dbs);
    const bool showProgress = stderrIsTerminal();
    int failed = 0;
    for (int i = 0; i < ids.size(); ++i) {
        if (showProgress) {
            std::fprintf(stderr, "\rBerechne Projekt %d von %d (ID %d) ...", i + 1, int(ids.size()), ids[i]);
            std::fflush(stderr);
        }
        try {
            runCalculation(dbs, ids[i]);
        } catch (const TavoError& e) {
            ++failed;
            if (showProgress)
                std::fputs("\n", stderr);
            printError(QStringLiteral("Projekt %1: %2").arg(ids[i]).arg(e.message()));
        }
    }
    if (showProgress)
        std::fprintf(stderr, "\r%d Projekte berechnet, %d mit Fehler.          \n", int(ids.size()), failed);
    return failed > 0 ? ExitFailed : ExitOk;
}

} // namespace

int cmdCalc(const QStringList& args) {
    QString error;
    const CliArgs cli =
        CliArgs::parse(args, {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project")},
                       {QStringLiteral("all")}, &error);
    const bool all = cli.has(QStringLiteral("all"));
    const bool one = cli.has(QStringLiteral("project"));
    if (!error.isEmpty() || all == one) {
        printError(error.isEmpty() ? kUsage : error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    bool ok = true;
    const int id = one ? cli.value(QStringLiteral("project")).toInt(&ok) : 0;
    if (!ok) {
        printError(QStringLiteral("Ungültige Projekt-ID: %1").arg(cli.value(QStringLiteral("project"))));
        return ExitUsage;
    }
    std::unique_ptr<Databases> dbs;
    try {
        dbs = openDatabases(cli);
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    return all ? calculateAll(*dbs) : calculateOne(*dbs, id);
}
