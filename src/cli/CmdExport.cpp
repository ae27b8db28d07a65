// tavo-cli export: one result view of a project as tab-separated text on stdout, exactly as copying
// that view to the clipboard gives it, so results can go into a spreadsheet or a script.

#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>

#include <QSqlRecord>

#include "cli/Commands.h"
#include "core/data/DataLocations.h"
#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/results/DatasetText.h"
#include "core/results/ResultQueries.h"

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

// The query of the named view for the project.
Query viewQuery(const Databases& dbs, const QString& view, int projectId, const CliArgs& cli) {
    if (view == QLatin1String("wohneinheiten"))
        return buildDwellingQuery(projectId);
    if (view == QLatin1String("bewohner")) {
        const auto area = wholeNumber(cli.value(QStringLiteral("gebiet"), QStringLiteral("0")), 0, 4);
        if (!area)
            throw TavoError(
                QStringLiteral("ungültiges Gebiet! (0 bis 4): %1").arg(cli.value(QStringLiteral("gebiet"))));
        return buildPopulationQueries(dbs.user(), *area, readPopulationSource(dbs.user(), projectId));
    }
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

} // namespace

int cmdExport(const QStringList& args) {
    QString error;
    const CliArgs cli =
        CliArgs::parse(args,
                       {QStringLiteral("user"), QStringLiteral("master"), QStringLiteral("project"),
                        QStringLiteral("view"), QStringLiteral("kostentraeger"), QStringLiteral("typ"),
                        QStringLiteral("gruppierung"), QStringLiteral("gebiet")},
                       {}, &error);
    if (error.isEmpty() && (!cli.has(QStringLiteral("project")) || !cli.has(QStringLiteral("view"))))
        error = QStringLiteral("Aufruf: tavo-cli export [--master DATEI] [--user DATEI] --project ID --view "
                               "ausgaben|einnahmen|saldo|wohneinheiten|bewohner");
    const QString view = cli.value(QStringLiteral("view"));
    if (error.isEmpty() && !kViews.contains(view))
        error =
            QStringLiteral("Unbekannte Ansicht: %1 (möglich: %2)").arg(view, kViews.join(QLatin1Char('|')));
    const auto projectId = wholeNumber(cli.value(QStringLiteral("project")), 1, INT_MAX);
    if (error.isEmpty() && !projectId)
        error = QStringLiteral("Ungültige Projektnummer: %1").arg(cli.value(QStringLiteral("project")));
    if (!error.isEmpty()) {
        printError(error);
        return ExitUsage;
    }
    try {
        const Databases dbs = DataLocations::ofRunningProgram().open(cli.value(QStringLiteral("master")),
                                                                     cli.value(QStringLiteral("user")));
        if (!projectExists(dbs.user(), *projectId))
            throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(*projectId));
        QSqlQuery query = execute(dbs.user(), viewQuery(dbs, view, *projectId, cli));
        requireFiniteNumbers(query);
        writeStdout(DatasetText::fromQuery(query).toUtf8());
    } catch (const TavoError& e) {
        printError(e.message());
        return ExitUsage;
    }
    return ExitOk;
}
