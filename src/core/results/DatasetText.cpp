#include "core/results/DatasetText.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include "core/data/NumberFormat.h"

namespace tavo {

namespace DatasetText {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// One cell in its plain text form: numbers in the general format of the locale, NULL empty.
QString cellText(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return NumberFormat::general(value.toDouble());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

QString headerLine(const QSqlRecord& record) {
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names.join(QLatin1Char('\t')) + kLineEnd;
}


} // namespace

QString fromModel(const QSqlQueryModel& model) {
    // The model loads rows on demand; the text needs all of them.
    auto& loader = const_cast<QSqlQueryModel&>(model);
    while (loader.canFetchMore())
        loader.fetchMore();
    const QSqlRecord record = model.record();
    QString text = headerLine(record);
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row) {
        cells.clear();
        for (int column = 0; column < record.count(); ++column)
            cells << cellText(model.data(model.index(row, column), Qt::EditRole));
        text += cells.join(QLatin1Char('\t')) + kLineEnd;
    }
    return text;
}

QString fromQuery(QSqlQuery& query) {
    const QSqlRecord record = query.record();
    QString text = headerLine(record);
    if (!query.isForwardOnly())
        query.seek(QSql::BeforeFirstRow);
    QStringList cells;
    while (query.next()) {
        cells.clear();
        for (int column = 0; column < record.count(); ++column)
            cells << cellText(query.value(column));
        text += cells.join(QLatin1Char('\t')) + kLineEnd;
    }
    return text;
}

QString htmlFromModel(const QSqlQueryModel& model) {
    auto& loader = const_cast<QSqlQueryModel&>(model);
    while (loader.canFetchMore())
        loader.fetchMore();
    const QSqlRecord record = model.record();
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n<tr>");
    for (int i = 0; i < record.count(); ++i)
        html += QStringLiteral("<th>%1</th>").arg(record.fieldName(i).toHtmlEscaped());
    html += QStringLiteral("</tr>\n");
    for (int row = 0; row < model.rowCount(); ++row) {
        html += QStringLiteral("<tr>");
        for (int column = 0; column < record.count(); ++column) {
            const QVariant value = model.data(model.index(row, column), Qt::EditRole);
            html += NumberFormat::isNumber(value) ? QStringLiteral("<td align=\"right\">") : QStringLiteral("<td>");
            html += cellText(value).toHtmlEscaped() + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

} // namespace DatasetText

} // namespace tavo
