#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace tavo {

// Text for German spreadsheets (Excel, LibreOffice Calc with a German locale): UTF-8 with a byte order
// mark, cells separated by semicolons, every line ended by CR LF. Numbers carry a decimal comma and
// no thousands separator, whatever the user's locale, so the spreadsheet reads them as numbers. Text
// that begins with '=', '+', '-', '@', a tab or a carriage return gets a leading apostrophe, so that a
// spreadsheet shows it as text and never runs it as a formula. Text is written as it is unless it
// holds a semicolon, a double quote or a line break; then it is put in double quotes with its quotes
// doubled. NULL cells stay empty.
class CsvWriter {
public:
    // Writes to an open device; the byte order mark goes out with the first row.
    explicit CsvWriter(QIODevice* device);

    // Writes one line. Throws TavoError with the device's message when writing fails.
    void writeRow(const QVariantList& cells);

    // A header line of the query's field names, then one line per row from its first row on (a
    // forward-only query from its current position).
    void writeQuery(QSqlQuery& query);

    // One cell: numbers (integer and floating-point values) by formatNumber(), everything else as
    // quoted text where needed.
    static QString formatCell(const QVariant& value);

    // A number with a decimal comma, no thousands separator and up to 15 significant digits
    // ("1234567,25", "-0,5", "20"); very large or small magnitudes in exponent form ("1,5E-07").
    static QString formatNumber(double value);

    // Text as it is (after the apostrophe that keeps a formula-like beginning text), or in double
    // quotes with its quotes doubled when it holds ';', '"', CR or LF.
    static QString formatText(const QString& text);

    // A whole document (byte order mark and every line) from rows of cells.
    static QByteArray document(const QList<QVariantList>& rows);

private:
    QIODevice* m_device;
    bool m_started = false;
};

} // namespace tavo
