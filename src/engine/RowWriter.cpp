#include "engine/RowWriter.h"

#include "data/Sql.h"

namespace {

// Rows per statement; keeps the bound values far below SQLite's limit on host parameters.
constexpr int kRowsPerStatement = 100;

} // namespace

RowWriter::RowWriter(QSqlDatabase db, const QString& table, const QStringList& columns)
    : m_db(std::move(db)), m_table(table), m_columns(columns) {}

RowWriter::~RowWriter() = default;

QString RowWriter::statement(int rows) const {
    QStringList marks;
    for (int i = 0; i < m_columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString one = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList tuples;
    for (int i = 0; i < rows; ++i)
        tuples << one;
    QStringList quotedColumns;
    for (const QString& column : m_columns)
        quotedColumns << Sql::quoted(column);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(m_table, quotedColumns.join(QLatin1Char(',')), tuples.join(QLatin1Char(',')));
}

void RowWriter::add(const QVariantList& values) {
    m_pending.append(values);
    if (m_pending.size() < kRowsPerStatement * m_columns.size())
        return;
    if (!m_full) {
        m_full = std::make_unique<QSqlQuery>(m_db);
        Sql::prepare(*m_full, statement(kRowsPerStatement));
    }
    for (int i = 0; i < m_pending.size(); ++i)
        m_full->bindValue(i, m_pending[i]);
    m_pending.clear();
    Sql::execPrepared(*m_full);
}

void RowWriter::flush() {
    if (m_pending.isEmpty())
        return;
    const int rows = m_pending.size() / m_columns.size();
    QSqlQuery query(m_db);
    Sql::prepare(query, statement(rows));
    for (int i = 0; i < m_pending.size(); ++i)
        query.bindValue(i, m_pending[i]);
    m_pending.clear();
    Sql::execPrepared(query);
}
