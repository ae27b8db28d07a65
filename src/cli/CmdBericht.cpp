// tavo-cli bericht: the council report of a calculated project as an A4 PDF file.

#include <QDir>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/projects/CalculationState.h"
#include "core/results/ResultQueries.h"
#include "report/CouncilReport.h"
#include "report/ReportData.h"

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli bericht [--master DATEI] [--user DATEI] --project ID --out DATEI.pdf");

} // namespace

int cmdBericht(const QStringList& args) {
    QString error;
    const CliArgs cli = CliArgs::parse(args, {QStringLiteral("master"), QStringLiteral("user"), QStringLiteral("project"),
                                              QStringLiteral("out")},
                                       {}, &error);
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
    try {
        Databases dbs = asUsage([&] { return Databases(master, user, Databases::Access::Read); });
        checkOut(cli.value(QStringLiteral("out")), dbs);
        // An unknown project and one without results are wrong use; what fails while the report is
        // made (data that cannot be calculated, a lost server, the write) is a failed run.
        asUsage([&] {
            if (!ResultQueries::projectExists(dbs.user(), id))
                throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(id));
            if (CalculationState::of(dbs.user(), id) == CalculationState::State::NotCalculated)
                throw TavoError(
                    QStringLiteral("Das Projekt %1 hat keine Ergebnisse. Bitte zuerst berechnen.").arg(id));
        });
        if (!printCheckedInputs(dbs, id))
            return ExitFailed;
        CouncilReport report(ReportData::load(dbs, id));
        report.writePdf(cli.value(QStringLiteral("out")));
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    return ExitOk;
}
