#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

// The kinds of column the user tables hold.
enum class SchemaColumnType { Identity, Integer, Float, Text };

// How one database writes the pieces of SQL in which SQLite and PostgreSQL differ: type names, the
// identity key, the collation of text, the quoting of names and the sums and orderings whose results
// must agree to the last bit on both. The table definitions are generated through these methods from
// the one description of the user tables (SchemaDefinition).
class SchemaDriver {
public:
    virtual ~SchemaDriver() = default;

    virtual bool isPostgres() const = 0;

    // The column type as written in a table definition (for Text with the collation of the database).
    virtual QString typeName(SchemaColumnType type) const = 0;

    // The definition of a key column numbered by the database (type and key clause).
    virtual QString identityKey() const = 0;

    // The collation clause that compares text byte by byte; empty where that is the default.
    virtual QString textCollation() const = 0;

    // A table or column name as a definition of this database writes it.
    virtual QString quote(const QString& name) const = 0;

    // A text key compared without regard to ASCII case: the column definition and the statements that
    // make the comparison (a unique index on a server).
    virtual QString caseInsensitiveKey(const QString& column) const = 0;
    virtual QStringList caseInsensitiveKeyIndex(const QString& table, const QString& column) const = 0;

    // A column that numbers the rows of a result table in the order they were written; empty where
    // the database keeps that order by itself (SQLite's rowid).
    virtual QString rowNumberColumn() const = 0;

    // A sum that reads no rows as 0; on PostgreSQL over the rows in the given order (the order of the
    // SQLite index that serves the statement), so both databases add the same numbers in the same order.
    virtual QString orderedTotal(const QString& expression, const QString& order) const = 0;

    // orderedTotal over the ledger's rows in the order of its per-project index.
    QString ledgerTotal(const QString& expression) const;

    // An ORDER BY list that sorts empty values first on both databases, as SQLite does.
    virtual QString orderBy(const QStringList& columns) const = 0;

    static const SchemaDriver& sqlite();
    static const SchemaDriver& postgres();
    // The driver of the database db is connected to.
    static const SchemaDriver& forDatabase(const QSqlDatabase& db);
};

} // namespace tavo
