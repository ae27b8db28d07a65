#include "core/results/ProjectWorkbook.h"

#include <set>
#include <string>

#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/projects/DetailRows.h"
#include "core/projects/InputTables.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/KeyFigures.h"
#include "core/results/ResultQueries.h"
#include "core/results/XlsxWorkbook.h"

namespace tavo {

using namespace ResultQueries;

namespace ProjectWorkbook {
namespace {

// A page caption split into its text and the unit in its last parentheses:
// "Kanal Trennsystem (Lfm):" gives "Kanal Trennsystem" and "Lfm".
struct CaptionParts {
    QString text;
    QString unit;
};

CaptionParts splitCaption(const char* caption) {
    QString text = caption ? QString::fromUtf8(caption).trimmed() : QString();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    text = text.trimmed();
    CaptionParts parts{text, QString()};
    const int open = text.lastIndexOf(QLatin1Char('('));
    if (text.endsWith(QLatin1Char(')')) && open > 0) {
        parts.unit = text.mid(open + 1, text.size() - open - 2).trimmed();
        parts.text = text.left(open).trimmed();
    }
    return parts;
}

// Caption and unit of an input under a column heading ("Errichtungskosten (€):" over "Wasserleitung
// (Lfm):" is "Wasserleitung – Errichtungskosten" in €/Lfm). A row whose own unit is the heading's
// unit (a percentage among percentages) keeps its own caption.
CaptionParts headedCaption(const CaptionParts& row, const char* heading) {
    if (!heading)
        return row;
    const CaptionParts head = splitCaption(heading);
    if (row.unit == head.unit)
        return row;
    CaptionParts parts;
    parts.text = row.text + QStringLiteral(" – ") + head.text;
    parts.unit = head.unit == QLatin1String("%") || row.unit.isEmpty()
                     ? head.unit
                     : head.unit + QLatin1Char('/') + row.unit;
    return parts;
}

QVariantList inputLine(const CaptionParts& parts, const QString& column, const QVariant& value) {
    return {parts.text, column, value.isNull() ? QVariant() : value, parts.unit};
}

// A detail table of the project; empty values of the order's columns come first on a server as in the file.
ExportTable detailTable(const QSqlDatabase& user, const QString& table, const QStringList& order,
                        int projectId, const QStringList& totals = {}) {
    QStringList sortedBy;
    for (const QString& column : order)
        sortedBy << Sql::quoted(column);
    QSqlQuery query = Sql::exec(user,
                                QStringLiteral("SELECT %1 FROM %2 WHERE \"TAVO\" = ? ORDER BY %3")
                                    .arg(Sql::quotedList(DetailRows::columns(table)), Sql::quoted(table),
                                         SqlDialect::orderBy(user, sortedBy)),
                                {projectId});
    return ExportTable::fromQuery(table, query, totals);
}

ExportTable viewTable(const Databases& dbs, const QString& name, const Query& query,
                      const QStringList& totals = {}) {
    QSqlQuery executed = execute(dbs.user(), query);
    return ExportTable::fromQuery(name, executed, totals);
}

} // namespace

ExportTable inputTable(const QSqlDatabase& user, int projectId) {
    QSqlQuery row = Sql::exec(user, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId});
    if (!row.next())
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(projectId));
    const QSqlRecord record = row.record();
    ExportTable table;
    table.name = QStringLiteral("Eingaben");
    table.header = {QStringLiteral("Bezeichnung"), QStringLiteral("Spalte"), QStringLiteral("Wert"),
                    QStringLiteral("Einheit")};
    const auto value = [&](const QString& column) { return record.value(column); };
    const std::pair<const char*, const char*> heads[] = {
        {"ID", "Projekt-ID"},    {"Projekt", "Projekt"},      {"Beschreibung", "Beschreibung"},
        {"PG", "Gemeinde (PG)"}, {"PG_Name", "Gemeindename"}, {"Bezugsjahr", "Bezugsjahr"}};
    for (const auto& [column, caption] : heads)
        table.rows << inputLine({QString::fromUtf8(caption), QString()}, QString::fromUtf8(column),
                                value(QString::fromUtf8(column)));
    // Every input once, in page order; a field shown on two pages is listed where it is first shown.
    std::set<std::string> listed;
    for (const InputTables::Page& page : InputTables::inputPages())
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& line : group.rows) {
                const CaptionParts own = splitCaption(line.caption);
                const auto add = [&](const char* column, const CaptionParts& parts) {
                    if (!column || !listed.insert(column).second)
                        return;
                    const QString name = QString::fromUtf8(column);
                    table.rows << inputLine(parts, name, value(name));
                };
                add(line.first.column, headedCaption(own, group.headingFirst));
                if (group.headingSecond)
                    add(line.second.column, headedCaption(own, group.headingSecond));
                else
                    add(line.second.column, {own.text + QStringLiteral(" – abgeleiteter Wert"), QString()});
            }
    return table;
}

QList<ExportTable> tables(const Databases& dbs, int projectId, const FinanceChoice& choice, int area) {
    if (!projectExists(dbs.user(), projectId))
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(projectId));
    const FilterItems items = loadFilterItems(dbs.master());
    const std::array<Query, 3> finance = buildResultQueries(items, choice, projectId);
    QList<ExportTable> result;
    result << viewTable(dbs, QStringLiteral("Ausgaben"), finance[0], financeTotalFields());
    result << viewTable(dbs, QStringLiteral("Einnahmen"), finance[1], financeTotalFields());
    result << viewTable(dbs, QStringLiteral("Saldo"), finance[2], financeTotalFields());
    result << viewTable(dbs, QStringLiteral("Wohneinheiten"), buildDwellingQuery(projectId));
    result << viewTable(
        dbs, QStringLiteral("Bewohner"),
        buildPopulationQueries(dbs.user(), area, readPopulationSource(dbs.user(), projectId)));
    const KeyFigures figures = computeKeyFigures(dbs.user(), projectId, KeyFigureOptions());
    if (figures.hasResults)
        result << keyFigureExportTable({figures});
    result << inputTable(dbs.user(), projectId);
    const QString id = QStringLiteral("ID");
    const QString year = QStringLiteral("Jahr");
    result << detailTable(dbs.user(), QStringLiteral("Bebauung"), {id}, projectId);
    result << detailTable(dbs.user(), QStringLiteral("Besiedelung"), {year, id}, projectId);
    result << detailTable(dbs.user(), QStringLiteral("Sonderausgaben"), {year, id}, projectId,
                          {QStringLiteral("Ausgabe")});
    return result;
}

void write(const Databases& dbs, int projectId, const FinanceChoice& choice, int area, const QString& path) {
    const QList<ExportTable> all = tables(dbs, projectId, choice, area);
    XlsxWorkbook workbook(path);
    for (const ExportTable& table : all)
        workbook.addSheet(table);
    workbook.close();
}

} // namespace ProjectWorkbook

} // namespace tavo
