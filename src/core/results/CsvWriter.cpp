#include "core/results/CsvWriter.h"

#include <QBuffer>
#include <QLocale>
#include <QSqlRecord>
#include <QStringList>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

} // namespace

CsvWriter::CsvWriter(QIODevice* device) : m_device(device) {}

void CsvWriter::writeRow(const QVariantList& cells) {
    QStringList fields;
    fields.reserve(cells.size());
    for (const QVariant& cell : cells)
        fields << formatCell(cell);
    QByteArray bytes;
    if (!m_started)
        bytes = QByteArray(kByteOrderMark);
    bytes += fields.join(QLatin1Char(';')).toUtf8();
    bytes += "\r\n";
    if (m_device->write(bytes) != bytes.size())
        throw TavoError(
            QStringLiteral("Die Datei konnte nicht geschrieben werden: %1").arg(m_device->errorString()));
    m_started = true;
}

void CsvWriter::writeQuery(QSqlQuery& query) {
    const QSqlRecord record = query.record();
    QVariantList header;
    for (int i = 0; i < record.count(); ++i)
        header << record.fieldName(i);
    writeRow(header);
    if (!query.isForwardOnly())
        query.seek(QSql::BeforeFirstRow);
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        writeRow(row);
    }
}

QString CsvWriter::formatCell(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return QString();
    if (NumberFormat::isNumber(value))
        return formatNumber(value.toDouble());
    return formatText(value.toString());
}

QString CsvWriter::formatNumber(double value) {
    static const QLocale german = [] {
        QLocale locale(QLocale::German, QLocale::Germany);
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale;
    }();
    // 0.0 and -0.0 both read "0"; a spreadsheet shows no negative zero.
    if (value == 0.0)
        return QStringLiteral("0");
    return german.toString(value, 'G', 15);
}

QString CsvWriter::formatText(const QString& value) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    const QString text =
        !value.isEmpty() && kFormulaStarts.contains(value.front()) ? QLatin1Char('\'') + value : value;
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray CsvWriter::document(const QList<QVariantList>& rows) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CsvWriter writer(&buffer);
    for (const QVariantList& row : rows)
        writer.writeRow(row);
    if (rows.isEmpty())
        bytes = QByteArray(kByteOrderMark);
    return bytes;
}

} // namespace tavo
