#pragma once

#include <QString>
#include <QStringList>

class QSqlQueryModel;
class QWidget;

namespace tavo {

struct ExportTable;

// Saving a result view as a file for a spreadsheet: the user picks the file in a file dialog that
// offers an Excel workbook (.xlsx) and CSV for a German spreadsheet (.csv).
namespace ResultExport {

// The two filters of the file dialog, Excel first.
QString excelFilter(); // "Excel-Arbeitsmappe (*.xlsx)"
QString csvFilter();   // "CSV für Tabellenkalkulation (*.csv)"

// Asks for a file and writes the dataset there (sheet named name, file suggested as fileName, or
// name when that is empty; totals under the columns named in totalFields), then tells where the file
// went. Returns false when the user cancels; a failing write is shown in a message box and also
// returns false.
bool saveDataset(QWidget* parent, const QSqlQueryModel& dataset, const QString& name,
                 const QStringList& totalFields, const QString& fileName = QString());

// The suggested file name of an export: the text without the characters a file name may not hold.
QString fileNameOf(const QString& text);

// Writes the table to path in one piece: a workbook when path ends in ".xlsx", CSV otherwise. A
// path naming a database the program has open is refused. Throws TavoError.
void writeTable(const QString& path, const ExportTable& table);

} // namespace ResultExport

} // namespace tavo
