#include "core/data/Sql.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>


#include "core/data/FileChecks.h"
#include "core/data/LibPq.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace Sql {
namespace {

// Whether a query may read its rows one by one. The PostgreSQL driver fetches such a query's rows while
// they are read and drops the rest as soon as the connection runs another statement, which the
// program does all the time (copying rows, reading a project while listing others); there every
// query holds its whole result.
bool readsRowByRow(const QSqlDatabase& db, bool wanted) {
    return wanted && !SqlDialect::isPostgres(db);
}

QString driverText(const QSqlError& error) {
    return errorMessage(error, QStringLiteral("Datenbankfehler"));
}

// Connections of this thread (by name) inside a Transaction, with how many are open on each.
thread_local QHash<QString, int> t_transactions;

QString lostConnectionText(const QString& detail) {
    QString text =
        QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen; der Schritt wurde nicht "
                       "ausgeführt und nichts davon gespeichert. Bitte erneut versuchen, sobald der "
                       "Server wieder erreichbar ist.");
    if (!detail.trimmed().isEmpty())
        text += QStringLiteral(" (%1)").arg(detail.trimmed());
    return text;
}

// A server connection that broke is opened anew before its next statement, so a window left open
// over a restart of the server goes on working. Not while a Transaction is under way on it: the
// server has rolled that transaction back, and its remaining statements must fail with it instead
// of being written on their own.
void reopenIfLost(const QSqlDatabase& db) {
    if (db.isOpen() || !SqlDialect::isPostgres(db))
        return;
    if (t_transactions.value(db.connectionName()) > 0)
        throw TavoError(lostConnectionText(QString()));
    QSqlDatabase handle(db);
    if (!handle.open()) {
        const QSqlError error = handle.lastError();
        throw TavoError(
            lostConnectionText(error.databaseText().isEmpty() ? error.text() : error.databaseText()));
    }
    QSqlQuery(handle).exec(QStringLiteral("SET client_min_messages = warning"));
}

// SQLite's primary result code 8: a write refused by a read-only connection or file.
bool isReadOnlyRefusal(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return !code.isEmpty() && code.size() < 5 && (code.toInt() & 0xff) == 8;
}

// A statement the server refused for want of a right: the table and the role, as the planner asks the
// administrator for it. A server set up in German words its message in German.
QString permissionText(const QSqlDriver* driver, const QString& detail) {
    static const QRegularExpression table(
        QStringLiteral("(?:table|relation|sequence|Tabelle|Relation|Sequenz) [\"»]?([^\"«\\s]+)"));
    const QRegularExpressionMatch match = table.match(detail);
    QString role;
    const auto* connection = static_cast<const PGconn*>(serverHandle(driver));
    if (connection && LibPq::get().user(connection))
        role = QString::fromUtf8(LibPq::get().user(connection));
    return QStringLiteral("Keine Berechtigung für Tabelle „%1“ (Rolle „%2“).")
        .arg(match.hasMatch() ? match.captured(1) : detail.simplified(), role);
}

// The connection a query was made on, found by its driver; looked up only when that broke.
QSqlDatabase connectionOf(const QSqlQuery& query) {
    for (const QString& name : QSqlDatabase::connectionNames()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driver() == query.driver())
            return db;
    }
    return QSqlDatabase();
}

// The message of a failed statement. A server connection that broke (server stopped or restarted,
// network gone) leaves the driver closed, and Qt then refuses every statement without an error text
// of its own: that is said in words the planner understands.
QString failureText(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    if (query.driver() && SqlDialect::isPostgres(query.driver())) {
        if (!query.driver()->isOpen())
            return lostConnectionText(error.databaseText().isEmpty() ? error.driverText()
                                                                     : error.databaseText());
        if (error.nativeErrorCode() == QLatin1String("42501"))
            return permissionText(query.driver(), error.databaseText());
    } else if (query.driver() && isReadOnlyRefusal(error)) {
        const QString path = connectionOf(query).databaseName();
        if (!path.isEmpty())
            return FileChecks::readOnlyMessage(path);
    }
    return driverText(error);
}

} // namespace

void* serverHandle(const QSqlDriver* driver) {
    if (!driver || !SqlDialect::isPostgres(driver))
        return nullptr;
    // Qt names the type after libpq's typedef or its struct, depending on how it was registered.
    const QVariant handle = driver->handle();
    if (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

QString busyText() {
    return QStringLiteral(
        "Die Daten sind gerade von einem anderen Arbeitsplatz gesperrt; bitte später erneut "
        "versuchen.");
}

QString errorMessage(const QSqlError& error, const QString& context) {
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    // SQLite's primary result codes in the low byte: 13 full disk, 8 read-only database. A failed
    // commit carries no code, only the driver's text.
    // PostgreSQL names its errors by five-character states: 53100 a full disk, 25006 a write in a
    // read-only transaction, 55P03 a lock not granted in time.
    const QString state = error.nativeErrorCode();
    const bool postgres = state.size() == 5 && !state.at(0).isSpace();
    if (postgres && state == QLatin1String("53100"))
        return QStringLiteral("Nicht genug Speicherplatz auf dem Datenbankserver: die Änderung wird "
                              "verworfen. (%1)")
            .arg(text);
    if (postgres && state == QLatin1String("25006"))
        return QStringLiteral("Die Datenbank ist schreibgeschützt. (%1)").arg(text);
    if (postgres && state == QLatin1String("55P03"))
        return busyText();
    if (postgres && state == QLatin1String("57014"))
        return QStringLiteral(
            "Der Datenbankserver hat den Schritt nach 60 Sekunden abgebrochen; nichts davon "
            "wurde gespeichert. Bitte später erneut versuchen.");
    bool numeric = false;
    const int code = postgres ? 0 : state.toInt(&numeric) & 0xff;
    // SQLite's 5 and 6: another program held the file locked for the whole busy timeout.
    if ((numeric && (code == 5 || code == 6)) || text.contains(QLatin1String("database is locked")))
        return busyText();
    if ((numeric && code == 13) || text.contains(QLatin1String("database or disk is full")))
        return QStringLiteral("Nicht genug Speicherplatz: die Datenbank kann nicht geschrieben werden, "
                              "die Änderung wird verworfen. (%1)")
            .arg(text);
    if ((numeric && code == 8) || text.contains(QLatin1String("readonly database")))
        return QStringLiteral("Die Datenbank ist schreibgeschützt. (%1)").arg(text);
    return QStringLiteral("%1: %2").arg(context, text);
}

void prepare(QSqlQuery& query, const QString& sql) {
    if (SqlDialect::isPostgres(query.driver()) && !query.driver()->isOpen())
        reopenIfLost(connectionOf(query));
    if (!query.prepare(sql))
        throw TavoError(failureText(query));
}

void execPrepared(QSqlQuery& query) {
    if (!query.exec())
        throw TavoError(failureText(query));
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    reopenIfLost(db);
    QSqlQuery query(db);
    query.setForwardOnly(readsRowByRow(db, true));
    // PostgreSQL prepares only queries and row changes; a statement without values (a table
    // definition, a setting) is sent as it is.
    if (params.isEmpty() && SqlDialect::isPostgres(db)) {
        if (!query.exec(sql))
            throw TavoError(failureText(query));
        return query;
    }
    prepare(query, sql);
    for (const QVariant& value : params)
        query.addBindValue(value);
    execPrepared(query);
    return query;
}

QSqlQuery execNamed(const QSqlDatabase& db, const QString& sql, const QVariantMap& params) {
    reopenIfLost(db);
    QSqlQuery query(db);
    query.setForwardOnly(readsRowByRow(db, true));
    prepare(query, sql);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        const QRegularExpression used(QStringLiteral(":%1\\b").arg(QRegularExpression::escape(it.key())));
        if (sql.contains(used))
            query.bindValue(QLatin1Char(':') + it.key(), it.value());
    }
    execPrepared(query);
    return query;
}

QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    QSqlQuery query = exec(db, sql, params);
    if (query.next())
        return query.value(0);
    return QVariant();
}

QStringList columnNames(const QSqlDatabase& db, const QString& table) {
    QStringList names;
    // PostgreSQL folds an unquoted table name to lower case; the user tables keep their case there.
    const QSqlRecord record =
        db.record(SqlDialect::isPostgres(db) ? db.driver()->escapeIdentifier(table, QSqlDriver::TableName) : table);
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

QString quoted(const QString& identifier) {
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString quotedList(const QStringList& identifiers) {
    QStringList names;
    for (const QString& identifier : identifiers)
        names << quoted(identifier);
    return names.join(QStringLiteral(", "));
}

} // namespace Sql

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db)) {
    // SQLite takes the write lock at once, so two writers queue on the busy timeout instead of one of
    // them failing when it turns its read lock into a write lock.
    if (m_db.driverName() == QLatin1String("QSQLITE")) {
        if (m_db.connectOptions().contains(QLatin1String("QSQLITE_OPEN_READONLY")))
            throw TavoError(FileChecks::readOnlyMessage(m_db.databaseName()));
        QSqlQuery begin(m_db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw TavoError(Sql::errorMessage(begin.lastError(),
                                              QStringLiteral("Datenbankfehler: Transaktion konnte nicht "
                                                             "begonnen werden")));
    } else {
        Sql::reopenIfLost(m_db);
        if (!m_db.transaction()) {
            if (!m_db.isOpen())
                throw TavoError(Sql::lostConnectionText(m_db.lastError().text()));
            throw TavoError(QStringLiteral("Datenbankfehler: Transaktion konnte nicht begonnen werden: %1")
                                .arg(m_db.lastError().text()));
        }
    }
    m_open = true;
    ++Sql::t_transactions[m_db.connectionName()];
}

Transaction::~Transaction() {
    if (m_open) {
        end();
        // A broken server connection has nothing left to roll back: the server did it.
        if (m_db.isOpen())
            m_db.rollback();
    }
}

void Transaction::end() {
    const QString name = m_db.connectionName();
    if (--Sql::t_transactions[name] <= 0)
        Sql::t_transactions.remove(name);
}

void Transaction::commit() {
    if (!m_open)
        return;
    m_open = false;
    end();
    if (!m_db.commit()) {
        const QSqlError error = m_db.lastError();
        m_db.rollback();
        throw TavoError(
            Sql::errorMessage(error, QStringLiteral("Datenbankfehler: Speichern fehlgeschlagen")));
    }
}

void Transaction::rollback() {
    if (!m_open)
        return;
    m_open = false;
    end();
    m_db.rollback();
}

ReadTransaction::ReadTransaction(QSqlDatabase db) : m_db(std::move(db)) {
    if (Sql::t_transactions.value(m_db.connectionName()) > 0)
        return;
    Sql::reopenIfLost(m_db);
    const bool postgres = SqlDialect::isPostgres(m_db);
    QSqlQuery begin(m_db);
    if (!begin.exec(postgres ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                             : QStringLiteral("BEGIN DEFERRED"))) {
        if (postgres && !m_db.isOpen())
            throw TavoError(Sql::lostConnectionText(begin.lastError().text()));
        throw TavoError(Sql::errorMessage(
            begin.lastError(),
            QStringLiteral("Datenbankfehler: Lesetransaktion konnte nicht begonnen werden")));
    }
    m_open = true;
    ++Sql::t_transactions[m_db.connectionName()];
}

ReadTransaction::~ReadTransaction() {
    finish();
}

void ReadTransaction::finish() {
    if (!m_open)
        return;
    m_open = false;
    const QString name = m_db.connectionName();
    if (--Sql::t_transactions[name] <= 0)
        Sql::t_transactions.remove(name);
    // COMMIT, not ROLLBACK: nothing was written, and a file's statements still being read (a grid's
    // rows) go on instead of being aborted. A broken server connection has nothing left to end.
    if (m_db.isOpen())
        QSqlQuery(m_db).exec(QStringLiteral("COMMIT"));
}

} // namespace tavo
