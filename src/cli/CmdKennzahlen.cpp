// tavo-cli kennzahlen: the key figures of one or more calculated projects as a readable table, as
// CSV for a German spreadsheet, as an Excel workbook or as JSON for scripts.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CheckedInputs.h"
#include "cli/Commands.h"
#include "cli/KeyFigureJson.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/results/CsvWriter.h"
#include "core/results/ExportTable.h"
#include "core/results/KeyFigureText.h"
#include "core/results/KeyFigures.h"
#include "core/results/XlsxWorkbook.h"

namespace tavo {

namespace {

const QString kUsage = QStringLiteral(
    "Aufruf: tavo-cli kennzahlen [--master DATEI] [--user DATEI] --project ID [--project ID ...]\n"
    "                            [--kostentraeger NAME|alle] [--zinssatz PROZENT] [--format "
    "text|csv|json|xlsx]\n"
    "                            [--out DATEI]");

const QString kAll = QStringLiteral("alle");

struct Request {
    QList<int> projects;
    KeyFigureOptions options;
    QString format = QStringLiteral("text");
    QString master;
    QString user;
    QString out; // the workbook's file (xlsx only)
};

// Reads the arguments into request; returns a German message on a usage error.
QString parseArguments(const QStringList& args, Request& request) {
    QCommandLineParser parser;
    const QCommandLineOption master(QStringLiteral("master"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("ID"));
    const QCommandLineOption bearer(QStringLiteral("kostentraeger"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption rate(QStringLiteral("zinssatz"), QString(), QStringLiteral("PROZENT"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption out(QStringLiteral("out"), QString(), QStringLiteral("DATEI"));
    parser.addOptions({master, user, project, bearer, rate, format, out});
    const QString parseError = parseCommandLine(parser, args);
    if (!parseError.isEmpty())
        return parseError;
    if (!parser.isSet(project))
        return QStringLiteral("Es fehlt --project.");
    for (const QString& text : parser.values(project)) {
        bool ok = false;
        const int id = text.trimmed().toInt(&ok);
        if (!ok || id < 1)
            return QStringLiteral("Ungültige Projektnummer: %1").arg(text);
        request.projects << id;
    }
    const QString bearerName = parser.isSet(bearer) ? parser.value(bearer) : request.options.costBearer;
    request.options.costBearer = bearerName == kAll ? QString() : bearerName;
    if (parser.isSet(rate)) {
        const auto percent = parseRate(parser.value(rate));
        if (!percent)
            return QStringLiteral("Ungültiger Zinssatz: %1 (eine Zahl in Prozent, z. B. 3 oder 3,5)")
                .arg(parser.value(rate));
        request.options.discountRate = *percent;
    }
    const QString formatError = readFormatAndOut(
        parser,
        {QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("xlsx")},
        request.format, request.out);
    if (!formatError.isEmpty())
        return formatError;
    // Empty means: the usual lookup of the running program.
    request.master = parser.value(master);
    request.user = parser.value(user);
    return QString();
}

// Captions left-aligned, one column per project: text left-aligned, numbers right-aligned.
QString textTable(const QList<KeyFigures>& projects) {
    const QList<KeyFigureLine> lines = keyFigureTable(projects);
    QList<QStringList> cells;
    QStringList header{QStringLiteral("Kennzahl")};
    for (const KeyFigures& f : projects)
        header << QStringLiteral("Projekt %1").arg(f.projectId);
    cells << header;
    for (const KeyFigureLine& line : lines) {
        QStringList row{line.caption};
        for (const QVariant& value : line.values)
            row << KeyFigureText::cell(line, value);
        cells << row;
    }
    QList<int> widths(header.size(), 0);
    for (const QStringList& row : cells)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
    QString text =
        QStringLiteral("Kennzahlen (Beträge in €, Projektjahre 1 bis %1)\n\n").arg(KeyFigures::Years);
    for (int r = 0; r < cells.size(); ++r) {
        if (r > 1 && lines[r - 1].section != lines[r - 2].section)
            text += QLatin1Char('\n'); // a blank line between the blocks
        const bool leftAligned = r == 0 || lines[r - 1].kind == KeyFigureLine::Kind::Text;
        QString out = cells[r][0].leftJustified(widths[0]);
        for (int c = 1; c < cells[r].size(); ++c)
            out += QStringLiteral("  ") + (leftAligned ? cells[r][c].leftJustified(widths[c])
                                                       : cells[r][c].rightJustified(widths[c]));
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        text += out + QLatin1Char('\n');
    }
    return text;
}

QByteArray jsonDocument(const QList<KeyFigures>& projects, const MasterProvenance& herkunft) {
    QJsonArray list;
    for (const KeyFigures& f : projects)
        list << keyFigureJson(f);
    return QJsonDocument(QJsonObject{{QStringLiteral("projekte"), list},
                                     {QStringLiteral("stammdaten"), provenanceJson(herkunft)}})
        .toJson(QJsonDocument::Indented);
}

} // namespace

int cmdKennzahlen(const QStringList& args) {
    Request request;
    const QString error = parseArguments(args, request);
    if (!error.isEmpty()) {
        printError(error + QLatin1Char('\n') + kUsage);
        return ExitUsage;
    }
    QList<KeyFigures> figures;
    MasterProvenance herkunft;
    try {
        const Databases dbs = asUsage([&] {
            return DataLocations::ofRunningProgram().open(request.master, request.user,
                                                          Databases::Access::Read);
        });
        asUsage([&] { requireCostBearer(dbs.master(), request.options.costBearer); });
        herkunft = MasterProvenance::read(dbs.master());
        // Every project's figures and its state from one state of the database.
        const ReadTransaction read(dbs.user());
        for (int id : request.projects)
            requireProject(dbs.user(), id);
        if (!request.out.isEmpty())
            checkOut(request.out, dbs);
        for (int id : request.projects) {
            if (!printCheckedInputs(dbs, id))
                return ExitFailed;
            figures << computeKeyFigures(dbs.user(), id, request.options);
            if (figures.last().hasResults)
                warnIfOutdated(dbs.user(), id);
            if (!figures.last().hasResults)
                throw UsageError(
                    QStringLiteral(
                        "Das Projekt %1 hat keine Ergebnisse. Bitte zuerst berechnen (tavo-cli calc "
                        "--project %1).")
                        .arg(id));
        }
        if (request.format == QLatin1String("xlsx")) {
            XlsxWorkbook::writeTable(request.out, keyFigureExportTable(figures));
            return ExitOk;
        }
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    const QByteArray bytes = request.format == QLatin1String("json") ? jsonDocument(figures, herkunft)
                             : request.format == QLatin1String("csv")
                                 ? keyFigureExportTable(figures).csv()
                                 : (textTable(figures) + provenanceText(herkunft)).toUtf8();
    return writeStdout(bytes) ? ExitOk : ExitFailed;
}

} // namespace tavo
