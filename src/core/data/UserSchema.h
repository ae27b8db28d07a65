#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/data/SchemaDefinition.h"

namespace tavo {

// The tables of the user database and how an older file is brought up to date.
namespace UserSchema {

using ColumnType = Schema::ColumnType;
using Column = Schema::Column;

// Columns of the project table TAVO that are inputs, in their order.
const std::vector<Column>& projectColumns();

// The project columns that are numeric inputs (Integer or Float, without ID).
QStringList numericProjectColumns();

// Creates every table, index and stored query of an empty user database, at the current version.
void create(const QSqlDatabase& db);

// Creates the table of the stored population queries and stores them (for a file older than them).
void createStoredQueriesTable(const QSqlDatabase& db);

// Whether the results hold booking designations in the misspelt form earlier versions wrote. Only reads.
bool hasOldDesignations(const QSqlDatabase& db);

// Rewrites those designations to their correct spelling, inside the caller's transaction (an
// upgrade step).
void respellDesignationRows(const QSqlDatabase& db);

// The same for the rows of one project, inside the caller's transaction: results copied from a file
// that was never upgraded may carry the old spelling.
void respellProjectDesignations(const QSqlDatabase& db, int projectId);

// The layout of the user database this program writes: version 1 is the oldest layout TAVO accepts,
// every later version adds one change.
int currentVersion();

// The project columns of the capacity steps and the land deal, added to older files empty. Left empty
// they change nothing: the fingerprint of the calculated inputs skips them while they are empty.
const QStringList& capacityAndLandColumns();

// The version of the user database: the one stored in the table Schemaversion; a database without
// that table (written before versions were kept) is classified by probing for what each version
// added. Only reads.
int version(const QSqlDatabase& db);

// Refuses a database from a newer version of TAVO (a higher version than currentVersion()), before
// anything is read or written; location names it in the message.
void requireKnownVersion(const QSqlDatabase& db, const QString& location);

// Brings an older database up to the current version, one step per version, all in one transaction,
// and stores the version at the end. Runs at every open of a user database that may be written and
// writes nothing to a current one.
void upgrade(const QSqlDatabase& db);

// A table that every user database any version of TAVO wrote holds, with the columns that make it
// one of ours. Columns and tables that upgrade() adds are not among them.
struct RequiredTable {
    QString name;
    QStringList keyColumns;
};
const QList<RequiredTable>& requiredTables();

// Whether the database must be upgraded before it can be read: a versioned one older than the current
// version; one without a version when it lacks a column or table that reading needs. The missing
// index, the whole-number building-mix share and the version table of such a file do not count: they
// make reading slower or less exact to store, not wrong. Only reads.
bool needsUpgrade(const QSqlDatabase& db);

// The tables of the user database, the project table first.
QStringList tableNames();

// The program's own text of a population query (one of storedQueryNames()) in the dialect of db, as
// a new database stores it. The population views always run this text, never a stored one.
QString populationQuery(const QSqlDatabase& db, const QString& name);
QString populationQuery(const SchemaDriver& driver, const QString& name);

// The stored population queries whose text differs from the program's own: they are not used, and the
// planner is told once when the database is opened. Only reads; empty when there are no stored ones.
QStringList divergingStoredQueries(const QSqlDatabase& db);

// The names of the stored population queries.
inline const QStringList storedQueryNames() {
    return {QStringLiteral("Bewohner_bBvB"), QStringLiteral("Bewohner_bBvB_Projekt"),
            QStringLiteral("Bewohner_gBvB")};
}

} // namespace UserSchema

} // namespace tavo
