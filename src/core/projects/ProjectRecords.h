#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/data/Databases.h"

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
