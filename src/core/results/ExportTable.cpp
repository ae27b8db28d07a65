#include "core/results/ExportTable.h"

#include <QSqlRecord>

#include "core/results/CsvWriter.h"
#include "core/results/KeyFigures.h"

namespace tavo {

namespace {

QList<int> totalColumnsOf(const QStringList& header, const QStringList& totalFields) {
    QList<int> columns;
    for (int i = 0; i < header.size(); ++i)
        if (totalFields.contains(header.at(i)))
            columns << i;
    return columns;
}

QStringList fieldNames(const QSqlRecord& record) {
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

} // namespace

ExportTable ExportTable::fromQuery(const QString& name, QSqlQuery& query, const QStringList& totalFields) {
    ExportTable table;
    table.name = name;
    const QSqlRecord record = query.record();
    table.header = fieldNames(record);
    table.totalColumns = totalColumnsOf(table.header, totalFields);
    if (!query.isForwardOnly())
        query.seek(QSql::BeforeFirstRow);
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < record.count(); ++column)
            row << query.value(column);
        table.rows << row;
    }
    return table;
}

ExportTable ExportTable::fromModel(const QString& name, const QSqlQueryModel& model,
                                   const QStringList& totalFields) {
    auto& loader = const_cast<QSqlQueryModel&>(model);
    while (loader.canFetchMore())
        loader.fetchMore();
    ExportTable table;
    table.name = name;
    const QSqlRecord record = model.record();
    table.header = fieldNames(record);
    table.totalColumns = totalColumnsOf(table.header, totalFields);
    for (int row = 0; row < model.rowCount(); ++row) {
        QVariantList cells;
        for (int column = 0; column < record.count(); ++column)
            cells << model.data(model.index(row, column), Qt::EditRole);
        table.rows << cells;
    }
    return table;
}

QByteArray ExportTable::csv() const {
    QList<QVariantList> lines;
    QVariantList head;
    for (const QString& title : header)
        head << title;
    lines << head;
    lines += rows;
    return CsvWriter::document(lines);
}

QStringList financeTotalFields() {
    return {QStringLiteral("Ausgabe"), QStringLiteral("Einnahme"), QStringLiteral("Einnahmen"),
            QStringLiteral("Ausgaben"), QStringLiteral("Saldo")};
}

ExportTable keyFigureExportTable(const QList<KeyFigures>& projects) {
    ExportTable table;
    table.name = QStringLiteral("Kennzahlen");
    table.header << QStringLiteral("Kennzahl");
    for (const KeyFigures& f : projects)
        table.header << QStringLiteral("Projekt %1").arg(f.projectId);
    for (const KeyFigureLine& line : keyFigureTable(projects))
        table.rows << (QVariantList{line.caption} + line.values);
    return table;
}

} // namespace tavo
