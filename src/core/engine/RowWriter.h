#pragma once

#include <memory>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tavo {

// Appends many rows to one table with bound values. On a file each row goes at once through one
// prepared statement of SQLite's own API on the connection's handle (in the connection's transaction,
// values bound as Qt's driver binds them): Qt's per-value binding costs more than SQLite's insert
// itself. On a server several rows go per INSERT statement, one round trip each; rows still pending
// are written by flush().
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
    class FileStatement;

    QString statement(int rows) const;

    QSqlDatabase m_db;
    QString m_table;
    QStringList m_columns;
    QVariantList m_pending;
    std::unique_ptr<QSqlQuery> m_full;
    std::unique_ptr<QSqlQuery> m_single;
    std::unique_ptr<FileStatement> m_file;
};

} // namespace tavo
