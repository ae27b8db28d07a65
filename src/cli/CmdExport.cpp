// tavo-cli export: one result view of a project as tab-separated text on stdout, exactly as copying
// that view to the clipboard gives it, so results can go into a spreadsheet or a script; or as CSV for
// a German spreadsheet or an Excel workbook, and with --alles every view and the inputs in one workbook.

#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include <QDir>
#include <QFile>
#include <QSqlRecord>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/DatasetText.h"
#include "core/results/ExportTable.h"
#include "core/results/ProjectWorkbook.h"
#include "core/results/ResultQueries.h"
#include "core/results/XlsxWorkbook.h"

namespace tavo {

using namespace ResultQueries;

namespace {

const QStringList kViews = {QStringLiteral("ausgaben"), QStringLiteral("einnahmen"), QStringLiteral("saldo"),
                            QStringLiteral("wohneinheiten"), QStringLiteral("bewohner")};

// A whole number in 0..max or nothing.
std::optional<int> wholeNumber(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// The position of a filter item named on the command line; no name means no restriction.
int itemPosition(const QStringList& items, const CliArgs& cli, const QString& option,
                 const QString& caption) {
    if (!cli.has(option))
        return items.size() - 1;
    const int position = items.indexOf(cli.value(option));
    if (position < 0)
        throw TavoError(QStringLiteral("Unbekannter %1: %2 (möglich: %3)")
                            .arg(caption, cli.value(option), items.join(QStringLiteral(", "))));
    return position;
}

FinanceChoice financeChoice(const FilterItems& items, const CliArgs& cli) {
    FinanceChoice choice;
    choice.costBearer =
        itemPosition(items.costBearers, cli, QStringLiteral("kostentraeger"), QStringLiteral("Kostenträger"));
    choice.type = itemPosition(items.types, cli, QStringLiteral("typ"), QStringLiteral("Typ"));
    const QString grouping = cli.value(QStringLiteral("gruppierung"), groupingItems().first());
    choice.grouping = groupingItems().indexOf(grouping);
    if (choice.grouping < 0)
        throw TavoError(QStringLiteral("Unbekannte Gruppierung: %1 (möglich: %2)")
                            .arg(grouping, groupingItems().join(QStringLiteral(" | "))));
    return choice;
}

const QStringList kFormats = {QStringLiteral("tsv"), QStringLiteral("csv"), QStringLiteral("xlsx")};

// The sheet names of the views in a workbook.
QString sheetTitle(const QString& view) {
    if (view == QLatin1String("wohneinheiten"))
        return QStringLiteral("Wohneinheiten");
    if (view == QLatin1String("bewohner"))
        return QStringLiteral("Bewohner");
    return view.left(1).toUpper() + view.mid(1);
}

int areaPosition(const CliArgs& cli) {
    const auto area = wholeNumber(cli.value(QStringLiteral("gebiet"), QStringLiteral("0")), 0, 4);
    if (!area)
        throw TavoError(
            QStringLiteral("ungültiges Gebiet! (0 bis 4): %1").arg(cli.value(QStringLiteral("gebiet"))));
    return *area;
}

// The query of the named view for the project.
Query viewQuery(const Databases& dbs, const QString& view, int projectId, const CliArgs& cli) {
    if (view == QLatin1String("wohneinheiten"))
        return buildDwellingQuery(projectId);
    if (view == QLatin1String("bewohner"))
        return buildPopulationQueries(dbs.user(), areaPosition(cli),
                                      readPopulationSource(dbs.user(), projectId));
    const FilterItems items = loadFilterItems(dbs.master());
    const ResultKind kind = view == QLatin1String("ausgaben")    ? ResultKind::Expenditure
                            : view == QLatin1String("einnahmen") ? ResultKind::Revenue
                                                                 : ResultKind::Balance;
    return buildResultQuery(kind, items, financeChoice(items, cli), projectId);
}

// Refuses a view whose numbers are not all finite: "inf" or "nan" in a script's input is no result.
void requireFiniteNumbers(QSqlQuery& query) {
    const QSqlRecord record = query.record();
    while (query.next()) {
        for (int column = 0; column < record.count(); ++column) {
            const QVariant value = query.value(column);
            if (value.typeId() == QMetaType::Double && !std::isfinite(value.toDouble()))
                throw TavoError(
                    QStringLiteral("Ungültiger Wert in der Spalte %1 im Jahr %2: keine endliche Zahl.")
                        .arg(record.fieldName(column), query.value(0).toString()));
        }
    }
    query.seek(QSql::BeforeFirstRow);
}

// The arguments' usage errors, empty when they fit together.
QString usageError(const CliArgs& cli) {
    const bool all = cli.has(QStringLiteral("alles"));
    const QString format = cli.value(QStringLiteral("format"), QStringLiteral("tsv"));
    if (!cli.has(QStringLiteral("project")) || (!all && !cli.has(QStringLiteral("view"))))
        return QStringLiteral(
            "Aufruf: tavo-cli export [--master DATEI] [--user DATEI] --project ID (--view "
            "ausgaben|einnahmen|saldo|wohneinheiten|bewohner | --alles) [--format tsv|csv|xlsx] "
            "[--out DATEI]");
    if (!kFormats.contains(format))
        return QStringLiteral("Unbekanntes Format: %1 (möglich: %2)")
            .arg(format, kFormats.join(QLatin1Char('|')));
    if (all && cli.has(QStringLiteral("view")))
        return QStringLiteral("--alles und --view schließen einander aus.");
    if (all && format != QLatin1String("xlsx"))
        return QStringLiteral("--alles schreibt eine Arbeitsmappe: --format xlsx --out DATEI");
    if (format == QLatin1String("xlsx") && !cli.has(QStringLiteral("out")))
        return QStringLiteral("Eine Arbeitsmappe braucht eine Datei: --out DATEI");
    const QString view = cli.value(QStringLiteral("view"));
    if (!all && !kViews.contains(view))
        return QStringLiteral("Unbekannte Ansicht: %1 (möglich: %2)")
            .arg(view, kViews.join(QLatin1Char('|')));
    return QString();
}

// One view in the chosen format, to the file of --out or to stdout. Returns false when stdout failed.
bool exportView(const Databases& dbs, const QString& view, int projectId, const CliArgs& cli) {
    // A filter naming an unknown cost bearer, type or grouping is wrong use.
    const Query viewed = asUsage([&] { return viewQuery(dbs, view, projectId, cli); });
    QSqlQuery query = execute(dbs.user(), viewed);
    requireFiniteNumbers(query);
    const QString format = cli.value(QStringLiteral("format"), QStringLiteral("tsv"));
    const QString out = cli.value(QStringLiteral("out"));
    if (format == QLatin1String("xlsx")) {
        const bool finance = view != QLatin1String("wohneinheiten") && view != QLatin1String("bewohner");
        XlsxWorkbook::writeTable(out, ExportTable::fromQuery(sheetTitle(view), query,
                                                             finance ? financeTotalFields() : QStringList()));
        return true;
    }
    const QByteArray bytes = format == QLatin1String("csv") ? ExportTable::fromQuery(QString(), query).csv()
                                                            : DatasetText::fromQuery(query).toUtf8();
    if (out.isEmpty())
        return writeStdout(bytes);
    OutputFile::write(out, bytes);
    return true;
}

} // namespace

int cmdExport(const QStringList& args) {
    QString error;
    const CliArgs cli = CliArgs::parse(
        args,
        {QStringLiteral("user"), QStringLiteral("master"), QStringLiteral("project"), QStringLiteral("view"),
         QStringLiteral("kostentraeger"), QStringLiteral("typ"), QStringLiteral("gruppierung"),
         QStringLiteral("gebiet"), QStringLiteral("format"), QStringLiteral("out")},
        {QStringLiteral("alles")}, &error);
    if (error.isEmpty())
        error = usageError(cli);
    const auto projectId = wholeNumber(cli.value(QStringLiteral("project")), 1, INT_MAX);
    if (error.isEmpty() && !projectId)
        error = QStringLiteral("Ungültige Projektnummer: %1").arg(cli.value(QStringLiteral("project")));
    if (!error.isEmpty()) {
        printError(error);
        return ExitUsage;
    }
    try {
        const Databases dbs = asUsage([&] {
            return DataLocations::ofRunningProgram().open(cli.value(QStringLiteral("master")),
                                                          cli.value(QStringLiteral("user")),
                                                          Databases::Access::Read);
        });
        // The rows of every view and the project's state from one state of the database.
        const ReadTransaction read(dbs.user());
        if (!asUsage([&] { return projectExists(dbs.user(), *projectId); }))
            throw UsageError(QStringLiteral("Unbekanntes Projekt: %1").arg(*projectId));
        if (cli.has(QStringLiteral("out")))
            checkOut(cli.value(QStringLiteral("out")), dbs);
        warnIfOutdated(dbs.user(), *projectId);
        if (cli.has(QStringLiteral("alles"))) {
            const auto [choice, area] = asUsage([&] {
                return std::pair{financeChoice(loadFilterItems(dbs.master()), cli), areaPosition(cli)};
            });
            ProjectWorkbook::write(dbs, *projectId, choice, area, cli.value(QStringLiteral("out")));
        } else if (!exportView(dbs, cli.value(QStringLiteral("view")), *projectId, cli)) {
            return ExitFailed;
        }
    } catch (const TavoError& e) {
        return reportFailure(e);
    }
    return ExitOk;
}

} // namespace tavo
