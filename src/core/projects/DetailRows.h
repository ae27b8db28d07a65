#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

namespace tavo {

// The detail rows of a project: its building mix (Bebauung), settlement (Besiedelung) and special
// expenditures (Sonderausgaben). Each row carries its own key "ID" and its project's key "TAVO"
// besides the input columns listed here; the rows' order of entry is the order of their keys.
// Every statement on these tables outside a project's copy and the example project is written here.
namespace DetailRows {

// "Bebauung", "Besiedelung" and "Sonderausgaben".
const QStringList& tables();

// The input columns of a detail table in their stored order, without "ID" and "TAVO". Throws
// TavoError for a table that is no detail table.
const QStringList& columns(const QString& table);

// How the rows of a project are listed.
enum class Order {
    Entry,       // in the order of entry
    YearOfEntry, // by Jahr (rows without year first, on a server as in a file), a year in the order of entry
};

// The rows of a project as an executed query: "ID" followed by every input column of the table.
QSqlQuery select(const QSqlDatabase& db, const QString& table, int projectId, Order order = Order::Entry);

// The input columns of a project's rows (without "ID"), in the order of entry.
QList<QSqlRecord> records(const QSqlDatabase& db, const QString& table, int projectId);

// Appends a row to the project with the given values of the named columns (each one of the table's
// input columns); the columns not named stay empty. Opens no transaction of its own.
void insert(const QSqlDatabase& db, const QString& table, int projectId, const QStringList& columns,
            const QVariantList& values);

// Writes the values of the named columns into the row with this key.
void update(const QSqlDatabase& db, const QString& table, const QVariant& id, const QStringList& columns,
            const QVariantList& values);

// Deletes the row with this key.
void remove(const QSqlDatabase& db, const QString& table, const QVariant& id);

} // namespace DetailRows

} // namespace tavo
