#pragma once

#include <optional>

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/data/Databases.h"

namespace tavo {

// Copying and creating project records and their detail rows. Every routine that writes more than
// one row runs in one transaction: a failure leaves the user database as it was.

// Appends every row of source (an executed query, read from its first row on) to targetTable under
// the key newKey: the target's columns in their order, "ID" left to the database, keyColumn set to
// newKey, every other column taken by name from source with its NULL state. A target column that
// source lacks throws TavoError naming it. Opens no transaction of its own; the caller holds one.
void copyDetailRows(QSqlQuery& source, const QSqlDatabase& target, const QString& targetTable, int newKey,
                    const QString& keyColumn);

// The settlement presets of the master database (tables "Besiedelung_" + name).
const QStringList& settlementPresetNames();

// Replaces the settlement rows (Besiedelung) of a project by the rows of a preset, in ascending Jahr.
// The preset is read before anything is deleted; delete and copy form one transaction. An unknown
// preset name throws TavoError and leaves the rows untouched.
void applySettlementPreset(const Databases& dbs, int projectId, const QString& presetName);

// Copies a project row (every column except ID, Beschreibung prefixed with "Kopie von ") with its
// Bebauung, Besiedelung and Sonderausgaben rows and its scenario sets (Szenarien) in one transaction
// and returns the new ID: a full copy that calculates the same figures. Results are not copied; the
// copy has none until it is calculated.
int duplicateProject(const Databases& dbs, int projectId);

// Creates a new project row for the municipality pg with its name, an empty description and the
// settlement preset "mit_Mobilisierung", in one transaction; returns the new ID.
int createProject(const Databases& dbs, int pg);

// The name of the municipality with the given number from table PG of the master database, or a
// null QVariant when the text is not an integer or no municipality has that number.
QVariant lookupMunicipalityName(const QSqlDatabase& master, const QString& number);

// Whether the project table holds a project with this key.
bool projectExists(const QSqlDatabase& user, int projectId);

// The keys of every project in ascending order.
QList<int> projectIds(const QSqlDatabase& user);

// The whole project row, or nothing when there is no such project.
std::optional<QSqlRecord> readProjectRow(const QSqlDatabase& user, int projectId);

// One column of a project row; a null QVariant when there is no such project. Throws TavoError
// for a column that is no column of the project table.
QVariant projectValue(const QSqlDatabase& user, int projectId, const QString& column);

// The given columns of every project in the order of their keys, as an executed forward and
// backward readable query for a list. Throws TavoError for a column that is no project column.
QSqlQuery projectList(const QSqlDatabase& user, const QStringList& columns);

// Deletes a project with everything that belongs to it: its detail rows, results, scenario sets and
// the fingerprint of its calculation go with it (the tables refer to the project with ON DELETE
// CASCADE), in one transaction. Deleting a project that is not there changes nothing.
void deleteProject(const QSqlDatabase& user, int projectId);

} // namespace tavo
