#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tavo {

struct KeyFigures;

// A table on its way into a file: a name (the sheet of a workbook), a header of column names and
// rows of raw values (numbers as numbers, text as text, NULL as an invalid QVariant). Columns listed in
// totalColumns get a totals row in a workbook. The same table gives the CSV file and the workbook
// sheet, so both hold the same cells as the tab-separated export of the view.
struct ExportTable {
    QString name;
    QStringList header;
    QList<QVariantList> rows;
    QList<int> totalColumns;

    // Every row of an executed query from its first row (field names as header). The columns named in
    // totalFields, where the query has them, get totals.
    static ExportTable fromQuery(const QString& name, QSqlQuery& query, const QStringList& totalFields = {});
    // Every row of a model's dataset, fetching what it has not loaded yet.
    static ExportTable fromModel(const QString& name, const QSqlQueryModel& model,
                                 const QStringList& totalFields = {});

    // The table as a CSV document for a German spreadsheet (CsvWriter): header line, then the rows.
    QByteArray csv() const;
};

// The amount columns of the finance views, which the result grids total in their footers.
QStringList financeTotalFields();

// The key figures of several projects as a table: "Kennzahl" and one column per project ("Projekt N"),
// the lines of keyFigureTable(), missing values as empty cells.
ExportTable keyFigureExportTable(const QList<KeyFigures>& projects);

} // namespace tavo
