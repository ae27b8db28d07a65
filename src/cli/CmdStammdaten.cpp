// tavo-cli stammdaten: a master database from published municipality data (import) and the template
// of the municipalities' fiscal figures (vorlage).

#include <memory>

#include <QCommandLineParser>
#include <QFileInfo>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "core/master/FiscalTemplate.h"
#include "core/master/MasterImport.h"
#include "core/results/ExportTable.h"
#include "core/results/XlsxWorkbook.h"

namespace tavo {

namespace {

const QString kImportUsage = QStringLiteral(
    "Aufruf: tavo-cli stammdaten import --bevoelkerung DATEI.csv [--bevoelkerung DATEI2.csv ...]\n"
    "        --gemeinden CODES.csv [--land N] [--prognose-summen DATEI.csv] [--finanzen "
    "DATEI.xlsx|DATEI.csv]\n"
    "        [--master DATEI] --out STAMMDATEN.db");
const QString kTemplateUsage =
    QStringLiteral("Aufruf: tavo-cli stammdaten vorlage [--master DATEI] --out Finanzen.xlsx|Finanzen.csv");

// Parses args with the given value options; a German usage error in *error.
bool parse(QCommandLineParser& parser, const QStringList& args, const QStringList& names, QString* error) {
    for (const QString& name : names)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("WERT")));
    *error = parseCommandLine(parser, args);
    return error->isEmpty();
}

int runImport(const QStringList& args) {
    QCommandLineParser parser;
    QString error;
    if (!parse(parser, args,
               {QStringLiteral("bevoelkerung"), QStringLiteral("gemeinden"), QStringLiteral("land"),
                QStringLiteral("prognose-summen"), QStringLiteral("finanzen"), QStringLiteral("master"),
                QStringLiteral("out")},
               &error)) {
        printError(error + QLatin1Char('\n') + kImportUsage);
        return ExitUsage;
    }
    MasterImportOptions options;
    options.populationFiles = parser.values(QStringLiteral("bevoelkerung"));
    options.codesFile = parser.value(QStringLiteral("gemeinden"));
    options.forecastTotalsFile = parser.value(QStringLiteral("prognose-summen"));
    options.fiscalFile = parser.value(QStringLiteral("finanzen"));
    options.outPath = parser.value(QStringLiteral("out"));
    options.templateMaster = parser.isSet(QStringLiteral("master"))
                                 ? parser.value(QStringLiteral("master"))
                                 : DataLocations::ofRunningProgram().masterPath();
    if (parser.isSet(QStringLiteral("land"))) {
        bool ok = false;
        options.land = parser.value(QStringLiteral("land")).toInt(&ok);
        if (!ok || options.land < 1 || options.land > 9) {
            printError(QStringLiteral("Ungültiges Bundesland: %1 (1 bis 9)")
                           .arg(parser.value(QStringLiteral("land"))));
            return ExitUsage;
        }
    }
    if (options.populationFiles.isEmpty() || options.codesFile.isEmpty() || options.outPath.isEmpty()) {
        printError(kImportUsage);
        return ExitUsage;
    }
    // One progress line per step of the import (reading each file, forecasting, writing).
    std::unique_ptr<ProgressLine> line;
    QString shownStep;
    const MasterImportReport report =
        importMaster(options, [&](qint64 done, qint64 total, const QString& step) {
            if (step != shownStep || !line) {
                line.reset();
                line = std::make_unique<ProgressLine>(step, QStringLiteral("Schritten"));
                shownStep = step;
            }
            line->show(static_cast<int>(done), static_cast<int>(total));
        });
    line.reset();
    for (const QString& note : report.notes)
        printError(QStringLiteral("Hinweis: ") + note);
    if (!report.ok) {
        printError(QStringLiteral("Nichts geschrieben:"));
        for (const QString& message : report.errors)
            printError(message);
        return ExitUsage;
    }
    return printText(QStringLiteral("%1 importiert, Prognose %2 bis %3: %4\n")
                         .arg(report.municipalities == 1
                                  ? QStringLiteral("1 Gemeinde")
                                  : QStringLiteral("%1 Gemeinden").arg(report.municipalities))
                         .arg(report.baseYear)
                         .arg(report.baseYear + 19)
                         .arg(QFileInfo(options.outPath).absoluteFilePath()))
               ? ExitOk
               : ExitFailed;
}

int runTemplate(const QStringList& args) {
    QCommandLineParser parser;
    QString error;
    if (!parse(parser, args, {QStringLiteral("master"), QStringLiteral("out")}, &error) ||
        !parser.isSet(QStringLiteral("out"))) {
        printError((error.isEmpty() ? QString() : error + QLatin1Char('\n')) + kTemplateUsage);
        return ExitUsage;
    }
    const QString out = parser.value(QStringLiteral("out"));
    const bool xlsx = out.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
    if (!xlsx && !out.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        printError(QStringLiteral("Die Vorlage ist eine .xlsx- oder .csv-Datei: %1").arg(out));
        return ExitUsage;
    }
    const QString master = parser.isSet(QStringLiteral("master"))
                               ? parser.value(QStringLiteral("master"))
                               : DataLocations::ofRunningProgram().masterPath();
    try {
        ExportTable table;
        table.name = QStringLiteral("Finanzen");
        table.header = FiscalTemplate::header();
        table.rows = asUsage([&] { return FiscalTemplate::rows(FiscalTemplate::municipalitiesOf(master)); });
        asUsage([&] { OutputFile::checkTarget(out, {master}); });
        if (xlsx)
            XlsxWorkbook::writeTable(out, table);
        else
            OutputFile::write(out, table.csv());
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    return ExitOk;
}

} // namespace

int cmdStammdaten(const QStringList& args) {
    const QString sub = args.value(0);
    if (sub == QLatin1String("import"))
        return runImport(args.mid(1));
    if (sub == QLatin1String("vorlage"))
        return runTemplate(args.mid(1));
    printError(QStringLiteral("Unbekannter Unterbefehl: „%1“ (möglich: import, vorlage)\n%2\n%3")
                   .arg(sub, kImportUsage, kTemplateUsage));
    return ExitUsage;
}

} // namespace tavo
