#pragma once

#include <memory>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Appends many rows to one table with bound values, several rows per INSERT statement: far fewer
// statement executions than one INSERT per row. Rows still pending are written by flush().
class RowWriter {
public:
    RowWriter(QSqlDatabase db, const QString& table, const QStringList& columns);
    ~RowWriter();
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // Queues one row; values in the order of the columns.
    void add(const QVariantList& values);

    // Writes the queued rows.
    void flush();

private:
    QString statement(int rows) const;

    QSqlDatabase m_db;
    QString m_table;
    QStringList m_columns;
    QVariantList m_pending;
    std::unique_ptr<QSqlQuery> m_full;
    std::unique_ptr<QSqlQuery> m_single;
};
