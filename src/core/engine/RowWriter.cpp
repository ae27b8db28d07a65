#include "core/engine/RowWriter.h"

#include <algorithm>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"

namespace {

// Bound values per statement. In SQLite preparing a statement costs more than linear in its
// placeholders, so moderate chunks are fastest; the rest of a batch goes through a one-row statement.
// On a server every statement is a round trip over the network, so there the chunks are large and
// the rest goes in one statement of its own.
constexpr int kValuesPerStatement = 64;
constexpr int kValuesPerServerStatement = 400;

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
    const int perStatement = SqlDialect::isPostgres(m_db) ? kValuesPerServerStatement : kValuesPerStatement;
    const int rowsPerStatement = std::max<int>(1, perStatement / m_columns.size());
    if (m_pending.size() < rowsPerStatement * m_columns.size())
        return;
    if (!m_full) {
        m_full = std::make_unique<QSqlQuery>(m_db);
        Sql::prepare(*m_full, statement(rowsPerStatement));
    }
    for (int i = 0; i < m_pending.size(); ++i)
        m_full->bindValue(i, m_pending[i]);
    m_pending.clear();
    Sql::execPrepared(*m_full);
}

void RowWriter::flush() {
    if (m_pending.isEmpty())
        return;
    if (SqlDialect::isPostgres(m_db)) {
        QSqlQuery rest(m_db);
        Sql::prepare(rest, statement(m_pending.size() / m_columns.size()));
        for (int i = 0; i < m_pending.size(); ++i)
            rest.bindValue(i, m_pending[i]);
        m_pending.clear();
        Sql::execPrepared(rest);
        return;
    }
    if (!m_single) {
        m_single = std::make_unique<QSqlQuery>(m_db);
        Sql::prepare(*m_single, statement(1));
    }
    const int columns = m_columns.size();
    for (int row = 0; row * columns < m_pending.size(); ++row) {
        for (int i = 0; i < columns; ++i)
            m_single->bindValue(i, m_pending[row * columns + i]);
        Sql::execPrepared(*m_single);
    }
    m_pending.clear();
}
