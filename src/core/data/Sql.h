#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include "core/data/Transaction.h"

namespace tavo {

// Prepared statements with bound values. No value is ever pasted into SQL text: table and column
// names may be assembled from known lists, values always go through these helpers.
namespace Sql {

// Prepares sql, binds params positionally ("?" placeholders) and executes it. Throws TavoError
// carrying the driver's message when preparing or executing fails.
QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// Same with named placeholders (":Name"); keys of params are given without the colon. Only names
// that occur in sql are bound.
QSqlQuery execNamed(const QSqlDatabase& db, const QString& sql, const QVariantMap& params);

// Executes and returns the first column of the first row, or a null QVariant when there is no row.
QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// Executes an already prepared query (bound values set by the caller); throws on failure.
void execPrepared(QSqlQuery& query);

// Prepares sql on query; throws on failure.
void prepare(QSqlQuery& query, const QString& sql);

// Column names of a table in their order, as the database declares them.
QStringList columnNames(const QSqlDatabase& db, const QString& table);

// The German message for a database error: a full disk and a read-only database in words of their
// own, any other error as context followed by the driver's text.
QString errorMessage(const QSqlError& error, const QString& context);

// The client library's connection behind a server connection (a PGconn of libpq); null for a file.
void* serverHandle(const QSqlDriver* driver);

// The message when another program holds the data locked longer than the program waits.
QString busyText();

// Quotes an identifier for SQL text ("Alter" -> "\"Alter\"").
QString quoted(const QString& identifier);

// The identifiers quoted and joined by ", " (a column list).
QString quotedList(const QStringList& identifiers);

} // namespace Sql

} // namespace tavo
