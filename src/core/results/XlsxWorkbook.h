#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "core/results/ExportTable.h"

// libxlsxwriter's C types.
struct lxw_workbook;
struct lxw_format;

namespace tavo {

// An Excel workbook written by libxlsxwriter, one sheet per table: a bold, frozen header row, numbers
// as numbers in the grids' display format "#,##0.00" (whole-number columns such as "Jahr" as plain
// numbers), text as text, columns as wide as their contents, and under tables with totals a bold
// "Summe" row with SUM formulas (their values stored too, so a reader without recalculation sees them).
// The same tables give the same bytes under every locale: numbers and widths carry a decimal point
// inside the file, German formats come from the cells' number formats. The document properties name
// TAVO as author; the creation time is the start of the day (UTC), or SOURCE_DATE_EPOCH when that is
// set. libxlsxwriter assembles the file in a private temporary folder; close() then writes it to the
// path in one piece (OutputFile::write), so a failure keeps the previous file. The library's own
// English messages are kept off stderr; the failure is reported in German.
class XlsxWorkbook {
public:
    // Starts a workbook for the file path. Throws TavoError when libxlsxwriter or the temporary
    // folder cannot start one.
    explicit XlsxWorkbook(const QString& path);
    // Closes an unclosed workbook, ignoring errors (a failing export has already thrown).
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    // Adds a sheet named after the table (sheetName() makes the name valid and unique).
    void addSheet(const ExportTable& table);
    // Writes the file. Throws TavoError naming the file and the reason in German when that fails.
    void close();

    // A valid sheet name for wanted: the characters []:*?/\ replaced by '_', at most 31 characters,
    // not empty, and different (ignoring case) from the names taken, by a suffix " (2)", " (3)", ...
    static QString sheetName(const QString& wanted, const QStringList& taken);

    // Writes one table as a workbook of one sheet. Throws TavoError.
    static void writeTable(const QString& path, const ExportTable& table);

private:
    QTemporaryDir m_tempDir;
    QString m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_format* m_header = nullptr;
    lxw_format* m_amount = nullptr;
    lxw_format* m_totalCaption = nullptr;
    lxw_format* m_totalAmount = nullptr;
    QStringList m_sheetNames;
};

} // namespace tavo
