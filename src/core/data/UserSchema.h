#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

// The tables of the user database and how an older file is brought up to date.
namespace UserSchema {

enum class ColumnType { Identity, Integer, Float, Text };

struct Column {
    const char* name;
    ColumnType type;
};

// Columns of the project table TAVO in their order.
const std::vector<Column>& projectColumns();

// The project columns that are numeric inputs (Integer or Float, without ID).
QStringList numericProjectColumns();

// Creates every table, index and stored query of an empty user database.
void create(const QSqlDatabase& db);

// Adds the columns an older project table lacks. Runs at every open of a user database.
void checkFieldBezugsjahr(const QSqlDatabase& db);
void checkFieldNahwaerme(const QSqlDatabase& db);

// Gives an older Sonderausgaben table without the key ID its key, numbering the rows in their stored
// order; one transaction.
void addSonderausgabenKey(const QSqlDatabase& db);

// The project's version, raised by every save of the project from a window, so that a save over a
// newer stored state is refused. Added as the last column of TAVO when missing; no input column.
void addVersionColumn(const QSqlDatabase& db);

// Whether the results hold booking designations in the misspelt form earlier versions wrote. Only reads.
bool hasOldDesignations(const QSqlDatabase& db);

// Rewrites those designations to their correct spelling in one transaction; writes nothing when
// there are none.
void respellDesignations(const QSqlDatabase& db);

// The column checks in their order, then the key of Sonderausgaben.
void upgrade(const QSqlDatabase& db);

// A table that every user database any version of TAVO wrote holds, with the columns that make it
// one of ours. Columns and tables that upgrade() adds are not among them.
struct RequiredTable {
    QString name;
    QStringList keyColumns;
};
const QList<RequiredTable>& requiredTables();

// Whether upgrade() would change the schema of the database: a file from an older version. Only reads.
// The missing index of older files does not count: it makes reading slower, not wrong.
bool needsUpgrade(const QSqlDatabase& db);

// The tables of the user database, the project table first.
QStringList tableNames();

// Every table and column name of the user database and the column aliases of the program's queries,
// in their exact case: on PostgreSQL they are created and addressed quoted.
QStringList identifiers();

// The program's own text of a population query (one of storedQueryNames()) in the dialect of db, as
// a new database stores it. The population views always run this text, never a stored one.
QString populationQuery(const QSqlDatabase& db, const QString& name);

// The stored population queries whose text differs from the program's own: they are not used, and the
// planner is told once when the database is opened. Only reads; empty when there are no stored ones.
QStringList divergingStoredQueries(const QSqlDatabase& db);

// The names of the stored population queries.
inline const QStringList storedQueryNames() {
    return {QStringLiteral("Bewohner_bBvB"), QStringLiteral("Bewohner_bBvB_Projekt"),
            QStringLiteral("Bewohner_gBvB")};
}

} // namespace UserSchema
