#include "core/data/Sql.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include "core/data/TavoError.h"

namespace Sql {
namespace {

QString driverText(const QSqlError& error) {
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return QStringLiteral("Datenbankfehler: %1").arg(text);
}

} // namespace

void prepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql))
        throw TavoError(driverText(query.lastError()));
}

void execPrepared(QSqlQuery& query) {
    if (!query.exec())
        throw TavoError(driverText(query.lastError()));
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    prepare(query, sql);
    for (const QVariant& value : params)
        query.addBindValue(value);
    execPrepared(query);
    return query;
}

QSqlQuery execNamed(const QSqlDatabase& db, const QString& sql, const QVariantMap& params) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
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

QString storedQueryText(const QSqlDatabase& userDb, const QString& name) {
    QSqlQuery query(userDb);
    query.prepare(QStringLiteral("SELECT SQL FROM TAVO_Abfragen WHERE Name = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        throw TavoError(QStringLiteral("Die gespeicherte Abfrage „%1“ fehlt in der Benutzerdatenbank.").arg(name));
    return query.value(0).toString();
}

QSqlQuery storedQuery(const QSqlDatabase& userDb, const QString& name, const QVariantMap& params) {
    return execNamed(userDb, storedQueryText(userDb, name), params);
}

QStringList columnNames(const QSqlDatabase& db, const QString& table) {
    QStringList names;
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

QString quoted(const QString& identifier) {
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace Sql

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db)) {
    if (!m_db.transaction())
        throw TavoError(QStringLiteral("Datenbankfehler: Transaktion konnte nicht begonnen werden: %1")
                            .arg(m_db.lastError().text()));
    m_open = true;
}

Transaction::~Transaction() {
    if (m_open)
        m_db.rollback();
}

void Transaction::commit() {
    if (!m_open)
        return;
    m_open = false;
    if (!m_db.commit()) {
        const QString text = m_db.lastError().text();
        m_db.rollback();
        throw TavoError(QStringLiteral("Datenbankfehler: Speichern fehlgeschlagen: %1").arg(text));
    }
}

void Transaction::rollback() {
    if (!m_open)
        return;
    m_open = false;
    m_db.rollback();
}
