#include "core/data/SqlDialect.h"

#include <QSqlDriver>

#include "core/data/SchemaDriver.h"

namespace tavo {

namespace SqlDialect {

bool isPostgres(const QSqlDriver* driver) {
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL;
}

bool isPostgres(const QSqlDatabase& db) { return isPostgres(db.driver()); }

QString orderedTotal(const QSqlDatabase& db, const QString& expression, const QString& order) {
    return SchemaDriver::forDatabase(db).orderedTotal(expression, order);
}

QString ledgerTotal(const QSqlDatabase& db, const QString& expression) {
    return SchemaDriver::forDatabase(db).ledgerTotal(expression);
}

QString orderBy(const QSqlDatabase& db, const QStringList& columns) {
    return SchemaDriver::forDatabase(db).orderBy(columns);
}

} // namespace SqlDialect

} // namespace tavo
