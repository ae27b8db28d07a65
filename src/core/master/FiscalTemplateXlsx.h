#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tavo::FiscalTemplateXlsx {

// Every row of the first sheet of an Excel workbook as text cells, the header row first, read with
// GDAL's XLSX driver. GDAL is loaded here, on first use, and never linked into the programs: it takes
// tens of milliseconds to load, which no other command should pay. *error names the cause in German
// (GDAL not installed, the file unreadable) and the result is empty then.
QList<QStringList> readRows(const QString& path, QString* error);

} // namespace tavo::FiscalTemplateXlsx
