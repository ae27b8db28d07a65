// tavo-cli calc: calculates one project or all projects of a user database, exactly as the button
// "Berechnen" of the main window does.

#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/Interruption.h"
#include "core/data/TavoError.h"
#include "core/projects/ProjectRecords.h"
#include "core/services/CalculationRun.h"

namespace tavo {

namespace {

const QString kUsage =
    QStringLiteral("Aufruf: tavo-cli calc [--master DATEI] [--user DATEI] (--project ID | --all)");

std::unique_ptr<Databases> openDatabases(const CliArgs& cli) {
    return std::make_unique<Databases>(DataLocations::ofRunningProgram().open(
        cli.value(QStringLiteral("master")), cli.value(QStringLiteral("user"))));
}

// The warnings of the input check go to stderr before anything is written; the project is calculated
// all the same, so that scripts keep working. Refusals end the run: the project is not calculated.
// prefix names the project when several are calculated; a progress line on the terminal is ended first.
WarningsHandler printWarnings(const QString& prefix, bool endProgressLine = false) {
    return [prefix, endProgressLine](const QStringList& warnings) {
        if (endProgressLine)
            std::fputs("\n", stderr);
        for (const QString& warning : warnings)
            printError(prefix + QStringLiteral("Warnung: ") + warning);
    };
}

int calculateOne(const Databases& dbs, int id) {
    try {
        runCalculation(dbs, id, printWarnings(QString()));
    } catch (const UnknownProject& e) {
        printError(e.message());
        return ExitUsage;
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    return ExitOk;
}

int calculateAll(const Databases& dbs) {
    const QList<int> ids = projectIds(dbs.user());
    const bool showProgress = stderrIsTerminal();
    int failed = 0;
    for (int i = 0; i < ids.size(); ++i) {
        if (showProgress) {
            std::fprintf(stderr, "\rBerechne Projekt %d von %d (ID %d), %d %% erledigt ...", i + 1,
                         int(ids.size()), ids[i], int(100LL * i / ids.size()));
            std::fflush(stderr);
        }
        try {
            Interruption::throwIfRequested();
            runCalculation(dbs, ids[i],
                           printWarnings(QStringLiteral("Projekt %1: ").arg(ids[i]), showProgress));
        } catch (const Interruption::Interrupted&) {
            if (showProgress)
                std::fputs("\n", stderr);
            printError(
                QStringLiteral("Abgebrochen: die Berechnung von Projekt %1 wurde zurückgenommen, %2 von %3 "
                               "Projekten sind berechnet.")
                    .arg(ids[i])
                    .arg(i)
                    .arg(ids.size()));
            return ExitInterrupted;
        } catch (const TavoError& e) {
            ++failed;
            if (showProgress)
                std::fputs("\n", stderr);
            printError(QStringLiteral("Projekt %1: %2").arg(ids[i]).arg(e.message()));
        }
    }
    if (showProgress) {
        std::fprintf(stderr, "\r%d Projekte berechnet (100 %%), %d mit Fehler.          \n", int(ids.size()),
                     failed);
        try {
            printError(MasterProvenance::read(dbs.master()).line());
        } catch (const TavoError& e) {
            printError(e.message());
        }
    }
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
    // Ctrl+C takes back the run in progress (it is not committed) and ends with exit code 130.
    stopOnCtrlC();
    return all ? calculateAll(*dbs) : calculateOne(*dbs, id);
}

} // namespace tavo
