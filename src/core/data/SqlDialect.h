#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlDriver;

namespace tavo {

// The user database lives in an SQLite file or on a PostgreSQL server. The program writes its SQL once,
// in the form SQLite reads; for PostgreSQL the text is rewritten before it is prepared:
// - the tables and columns of the user database are created there with quoted names in their exact
//   case, so every name the program knows is quoted the same way in each statement, and column
//   aliases keep their case in the result (headers of copied and exported views read the same);
// - everything else (strings, quoted names, placeholders, keywords, functions) stays as written.
// A statement that really differs between the two is chosen with isPostgres(). Table definitions are
// generated for each database from the description of the tables (SchemaDefinition); the sums and
// orderings below are those of the database's SchemaDriver.
namespace SqlDialect {

bool isPostgres(const QSqlDatabase& db);
bool isPostgres(const QSqlDriver* driver);

// The statement for a PostgreSQL connection. Applying it twice gives the same text.
QString forPostgres(const QString& sql);

// sql for the database it runs on: as written for a file, rewritten for a server.
QString forDatabase(const QSqlDatabase& db, const QString& sql);

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
