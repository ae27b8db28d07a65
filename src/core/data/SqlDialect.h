#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlDriver;

namespace tavo {

// The user database lives in an SQLite file or on a PostgreSQL server. Every statement is written once
// so that both read it as it stands: the names of the user tables, their columns and the aliases of
// the queries double-quoted in their exact case (the server creates them so, and a column alias keeps
// its case in the result's header); the pieces in which the two databases differ (sums, orderings,
// types) come from the database's SchemaDriver. A statement that really differs between the two is
// chosen with isPostgres().
namespace SqlDialect {

bool isPostgres(const QSqlDatabase& db);
bool isPostgres(const QSqlDriver* driver);

// A sum that reads no rows as 0, over the ledger's rows in the order SQLite adds them up (the order of
// its per-project index), so both databases give the same sum to the last bit.
QString ledgerTotal(const QSqlDatabase& db, const QString& expression);

// A sum that reads no rows as 0; on PostgreSQL over the rows in the given order (the order of the
// SQLite index that serves the statement), so both databases add the same numbers in the same order.
QString orderedTotal(const QSqlDatabase& db, const QString& expression, const QString& order);

// An ORDER BY list that sorts empty values first on both databases, as SQLite does.
QString orderBy(const QSqlDatabase& db, const QStringList& columns);

} // namespace SqlDialect

} // namespace tavo
