// tavo-cli bericht: the council report of a calculated project as an A4 PDF file. A project changed
// since its calculation gives a report marked as outdated and a warning, unless --berechnen
// calculates it first. --kostentraeger and --zinssatz choose whose figures it shows and the rate of
// their net present value, as with kennzahlen.

#include <QDir>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/KeyFigures.h"
#include "core/results/ResultQueries.h"
#include "report/CouncilReport.h"
#include "report/ReportData.h"

namespace tavo {

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli bericht [--master DATEI] [--user DATEI] --project ID [--berechnen]\n"
    "                         [--kostentraeger NAME|alle] [--zinssatz PROZENT] --out DATEI.pdf");

// Reads --kostentraeger and --zinssatz into options; a German error text, empty when they are well.
QString readReportOptions(const CliArgs& cli, ReportOptions& options) {
    const QString bearer = cli.value(QStringLiteral("kostentraeger"), options.costBearer);
    options.costBearer = bearer == QLatin1String("alle") ? QString() : bearer;
    if (cli.has(QStringLiteral("zinssatz"))) {
        const auto rate = parseRate(cli.value(QStringLiteral("zinssatz")));
        if (!rate)
            return QStringLiteral("Ungültiger Zinssatz: %1 (eine Zahl in Prozent, z. B. 3 oder 3,5)")
                .arg(cli.value(QStringLiteral("zinssatz")));
        options.discountRate = *rate;
    }
    return QString();
}

} // namespace

int cmdBericht(const QStringList& args) {
    QString error;
    const CliArgs cli =
        CliArgs::parse(args,
                       {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"),
                        QStringLiteral("out"), QStringLiteral("kostentraeger"), QStringLiteral("zinssatz")},
                       {QStringLiteral("berechnen")}, &error);
    if (error.isEmpty() && !cli.has(QStringLiteral("project")))
        error = QStringLiteral("Es fehlt --project.");
    if (error.isEmpty() && cli.value(QStringLiteral("out")).isEmpty())
        error = QStringLiteral("Es fehlt --out.");
    bool ok = false;
    const int id = cli.value(QStringLiteral("project")).trimmed().toInt(&ok);
    if (error.isEmpty() && (!ok || id < 1))
        error = QStringLiteral("Ungültige Projektnummer: %1").arg(cli.value(QStringLiteral("project")));
    ReportOptions options;
    if (error.isEmpty())
        error = readReportOptions(cli, options);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    try {
        const bool calculateFirst = cli.has(QStringLiteral("berechnen"));
        // The same databases as every other command: beside the program, else installed and in the
        // planner's data folder, else those named in the settings.
        Databases dbs = asUsage([&] {
            return DataLocations::ofRunningProgram().open(
                cli.value(QStringLiteral("master")), cli.value(QStringLiteral("user")),
                calculateFirst ? Databases::Access::Write : Databases::Access::Read);
        });
        checkOut(cli.value(QStringLiteral("out")), dbs);
        asUsage([&] { requireCostBearer(dbs.master(), options.costBearer); });
        asUsage([&] {
            if (!projectExists(dbs.user(), id))
                throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(id));
        });
        // The input check's warnings come first, as with calc; a refusal stops the report. With
        // --berechnen the report shows the results of the inputs as they are now.
        if (!printCheckedInputs(dbs, id))
            return ExitFailed;
        if (calculateFirst)
            runCalculation(dbs, id);
        // A project without results is wrong use; what fails while the report is made (data that
        // cannot be calculated, a lost server, the write) is a failed run.
        asUsage([&] {
            if (CalculationState::of(dbs.user(), id) == CalculationState::State::NotCalculated)
                throw TavoError(
                    QStringLiteral("Das Projekt %1 hat keine Ergebnisse. Bitte zuerst berechnen.").arg(id));
        });
        ReportData data = ReportData::load(dbs, id, options);
        if (data.outdated)
            printError(outdatedWarning(id));
        CouncilReport report(std::move(data));
        report.writePdf(cli.value(QStringLiteral("out")));
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    return ExitOk;
}

} // namespace tavo
