#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/data/SchemaDriver.h"

namespace tavo {

// The one description of the user database's tables: columns with their types, keys and defaults,
// indexes and the order that makes a listing of each table deterministic. Both databases' table
// definitions are generated from it through their SchemaDriver, and the names the program's
// statements write quoted come from it.
namespace Schema {

using ColumnType = SchemaColumnType;

enum ColumnFlag : unsigned {
    NotNull = 1,
    PrimaryKey = 2,
    // Refers to its project; deleting the project removes the row.
    ProjectRef = 4,
    // A text key compared without regard to ASCII case.
    CaseInsensitiveKey = 8,
};

struct Column {
    const char* name;
    ColumnType type;
    unsigned flags = 0;
    const char* defaultValue = nullptr;
};

struct Index {
    QString name;
    QStringList columns;
};

struct Table {
    QString name;
    std::vector<Column> columns;
    // A key of several columns (a key of one column is a flag of that column).
    QStringList primaryKey;
    QList<Index> indexes;
    // The columns that order a listing of the table's rows the same way on every database.
    QStringList sortOrder;
    // Holds what a run writes: on a server a column rowid numbers the rows in the order they were
    // written, which SQLite keeps by itself; sums and listings follow that order.
    bool resultRows = false;
};

// The user tables, the project table first, in the order they are created.
const QList<Table>& tables();

// The table of that name (exact case); throws TavoError for a name the description does not hold.
const Table& table(const QString& name);

// The columns of the project table TAVO that are inputs, in their order (the version column follows).
const std::vector<Column>& projectColumns();

// One column's definition in a CREATE TABLE or ALTER TABLE ... ADD of the driver's database.
QString columnDefinition(const Column& column, const SchemaDriver& driver);

QString createTableSql(const Table& table, const SchemaDriver& driver);
QStringList createIndexSql(const Table& table, const SchemaDriver& driver);

// Every CREATE TABLE, then every CREATE INDEX of an empty user database.
QStringList generateCreateSql(const SchemaDriver& driver);

// The column aliases of the program's queries, written in their case in every result header.
QStringList queryAliases();

// Every table and column name and every query alias in its exact case, without "Alter": a keyword of
// both databases, which the program always writes quoted (the bare word is the statement ALTER).
QStringList identifiers();

// The name (table, column or alias; in any ASCII case) as a statement of either database writes it:
// double-quoted in the exact case of the description, e.g. "PG_Name". Throws TavoError for a name the
// description does not hold.
QString quoted(const QString& name);

} // namespace Schema

} // namespace tavo
