#include "core/engine/RowWriter.h"

#include <algorithm>

#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

#include "core/data/FileChecks.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

// Bound values per statement. On a server every statement is a round trip over the network, so the
// chunks are large and the rest goes in one statement of its own. Without SQLite's handle a file
// takes moderate chunks (preparing costs more than linear in the placeholders) and a one-row rest.
constexpr int kValuesPerStatement = 64;
constexpr int kValuesPerServerStatement = 400;

// SQLite's connection behind Qt's driver of a file; null when the driver is none of its own.
sqlite3* fileHandle(const QSqlDatabase& db) {
    const QSqlDriver* driver = db.driver();
    if (!driver || SqlDialect::isPostgres(driver))
        return nullptr;
    const QVariant handle = driver->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Whether Qt's driver would write the value as NULL.
bool isNullValue(const QVariant& value) {
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(value.constData())->isNull();
    default:
        return false;
    }
}

} // namespace

// One prepared INSERT of a single row on SQLite's connection. Values are bound as Qt's driver binds
// them (integers as integers, doubles as doubles, anything else as its text), so a row reads back the
// same as one written through QSqlQuery.
class RowWriter::FileStatement {
public:
    FileStatement(const QSqlDatabase& db, sqlite3* handle, const QString& sql) : m_db(db), m_handle(handle) {
        const QByteArray text = sql.toUtf8();
        const int rc =
            sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &m_statement, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
    }
    ~FileStatement() { sqlite3_finalize(m_statement); }
    FileStatement(const FileStatement&) = delete;
    FileStatement& operator=(const FileStatement&) = delete;

    void insert(const QVariantList& values) {
        for (int i = 0; i < values.size(); ++i)
            bind(i + 1, values[i]);
        const int rc = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        if (rc != SQLITE_DONE)
            fail(rc);
    }

private:
    void bind(int position, const QVariant& value) {
        int rc = SQLITE_OK;
        if (isNullValue(value)) {
            rc = sqlite3_bind_null(m_statement, position);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::Bool:
                rc = sqlite3_bind_int(m_statement, position, value.toInt());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(m_statement, position, value.toDouble());
                break;
            case QMetaType::UInt:
            case QMetaType::LongLong:
                rc = sqlite3_bind_int64(m_statement, position, value.toLongLong());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                rc = sqlite3_bind_blob(m_statement, position, bytes.constData(), int(bytes.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QString text = value.toString();
                rc = sqlite3_bind_text16(m_statement, position, text.utf16(),
                                         int(text.size() * sizeof(QChar)), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            fail(rc);
    }

    // The error as a failed QSqlQuery reports it: a read-only file by its path, anything else
    // (a full disk among them) by Sql::errorMessage over SQLite's code and text.
    [[noreturn]] void fail(int rc) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(m_handle));
        if ((rc & 0xff) == SQLITE_READONLY && !m_db.databaseName().isEmpty())
            throw TavoError(FileChecks::readOnlyMessage(m_db.databaseName()));
        const QSqlError error(QStringLiteral("Unable to fetch row"), text, QSqlError::StatementError,
                              QString::number(rc));
        throw TavoError(Sql::errorMessage(error, QStringLiteral("Datenbankfehler")));
    }

    QSqlDatabase m_db;
    sqlite3* m_handle;
    sqlite3_stmt* m_statement = nullptr;
};

RowWriter::RowWriter(QSqlDatabase db, const QString& table, const QStringList& columns)
    : m_db(std::move(db)), m_table(table), m_columns(columns) {
    if (sqlite3* handle = fileHandle(m_db))
        m_file = std::make_unique<FileStatement>(m_db, handle, statement(1));
}

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
        .arg(Sql::quoted(m_table), quotedColumns.join(QLatin1Char(',')), tuples.join(QLatin1Char(',')));
}

void RowWriter::add(const QVariantList& values) {
    if (m_file) {
        m_file->insert(values);
        return;
    }
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

} // namespace tavo
