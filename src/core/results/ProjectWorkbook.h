#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include "core/results/ExportTable.h"
#include "core/results/ResultQueries.h"

namespace tavo {

class Databases;

// Everything of one project in one workbook: the result views (Ausgaben, Einnahmen and Saldo with the
// chosen filters and grouping, the dwelling units, the inhabitants of the chosen area), the key
// figures (cost bearer Gemeinde), and the inputs ("Eingaben" with caption, column, value and unit;
// then Bebauung, Besiedelung, Sonderausgaben).
namespace ProjectWorkbook {

// The project's inputs as the input pages list them: one line per input field with the page's
// caption (without its unit), the column name, the value and the unit; before them the project's
// name fields. Throws TavoError when the project does not exist.
ExportTable inputTable(const QSqlDatabase& user, int projectId);

// Every table of the workbook in sheet order; area is the position 0..4 of the area filter. Throws
// TavoError.
QList<ExportTable> tables(const Databases& dbs, int projectId, const ResultQueries::FinanceChoice& choice,
                          int area);

// Writes tables() as an Excel workbook. Throws TavoError.
void write(const Databases& dbs, int projectId, const ResultQueries::FinanceChoice& choice, int area,
           const QString& path);

} // namespace ProjectWorkbook

} // namespace tavo
