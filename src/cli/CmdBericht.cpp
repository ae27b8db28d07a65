// tavo-cli bericht: the council report of a calculated project as an A4 PDF file.

#include <QDir>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
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
    std::unique_ptr<CouncilReport> report;
    try {
        Databases dbs(master, user);
        if (!printCheckedInputs(dbs, id))
            return ExitFailed;
        report = std::make_unique<CouncilReport>(ReportData::load(dbs, id));
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
