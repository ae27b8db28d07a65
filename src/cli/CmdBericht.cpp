// tavo-cli bericht: the council report of a calculated project as an A4 PDF file. A project changed
// since its calculation gives a report marked as outdated and a warning, unless --berechnen
// calculates it first.

#include <QDir>

#include "cli/Commands.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/engine/CalculationRun.h"
#include "core/projects/Plausibility.h"
#include "core/results/ResultQueries.h"
#include "report/CouncilReport.h"
#include "report/ReportData.h"

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli bericht [--master DATEI] [--user DATEI] --project ID [--berechnen] --out DATEI.pdf");

} // namespace

int cmdBericht(const QStringList& args) {
    QString error;
    const CliArgs cli = CliArgs::parse(
        args,
        {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"), QStringLiteral("out")},
        {QStringLiteral("berechnen")}, &error);
    if (error.isEmpty() && !cli.has(QStringLiteral("project")))
        error = QStringLiteral("Es fehlt --project.");
    if (error.isEmpty() && cli.value(QStringLiteral("out")).isEmpty())
        error = QStringLiteral("Es fehlt --out.");
    bool ok = false;
    const int id = cli.value(QStringLiteral("project")).trimmed().toInt(&ok);
    if (error.isEmpty() && (!ok || id < 1))
        error = QStringLiteral("Ungültige Projektnummer: %1").arg(cli.value(QStringLiteral("project")));
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    const QString dir = Databases::programDir();
    const QString master = cli.value(QStringLiteral("master"), QDir(dir).filePath(Databases::MasterFileName));
    const QString user = cli.value(QStringLiteral("user"), QDir(dir).filePath(Databases::UserFileName));
    std::unique_ptr<Databases> dbs;
    try {
        dbs = std::make_unique<Databases>(master, user);
        if (cli.has(QStringLiteral("berechnen")) && !ResultQueries::projectExists(dbs->user(), id))
            throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(id));
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    // --berechnen: the report shows the results of the inputs as they are now. The plausibility
    // warnings come first, as with calc, and the project is calculated all the same.
    if (cli.has(QStringLiteral("berechnen"))) {
        try {
            for (const QString& warning : Plausibility::warnings(*dbs, id))
                printError(QStringLiteral("Warnung: ") + warning);
            runCalculation(*dbs, id);
        } catch (const TavoError& e) {
            printError(e.message());
            return ExitFailed;
        }
    }
    std::unique_ptr<CouncilReport> report;
    try {
        ReportData data = ReportData::load(*dbs, id);
        if (data.outdated)
            printError(outdatedWarning(id));
        report = std::make_unique<CouncilReport>(std::move(data));
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    try {
        report->writePdf(cli.value(QStringLiteral("out")));
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitFailed;
    }
    return ExitOk;
}
