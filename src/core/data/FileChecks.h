#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

// Checks a database file must pass before the program writes to it or relies on it. Each throws
// TavoError with a German message naming the file.
namespace FileChecks {

// The master tables with one year row set per municipality (fiscal equalisation and levies).
const QStringList& municipalityTables();

// The tables of the master database the calculation and the windows read.
QStringList requiredMasterTables();

// Throws "Die Stammdatenbank „<path>“ enthält die Tabelle „<table>“ nicht." for the first required
// table the open master database lacks.
void requireMasterTables(const QSqlDatabase& master, const QString& path);

// Throws "<path> ist schreibgeschützt." when the file or its folder cannot be written: SQLite needs
// the folder for its journal. A file or folder without any write permission counts as read-only
// also for a user who could override it.
void requireWritable(const QString& path);
bool isWritable(const QString& path);

// True when the open database holds the project table TAVO with its key columns ID and PG. Only
// reads; a file that is no SQLite database at all gives false, a file that cannot be read throws.
bool isTavoUserDatabase(const QSqlDatabase& db);

// "<path> ist schreibgeschützt.", the message of a user file the program may not write.
QString readOnlyMessage(const QString& path);

// Throws "<location> ist keine (vollständige) TAVO-Benutzerdatenbank: Tabelle X fehlt." (or "Spalte Y
// der Tabelle X fehlt.") for the first table of UserSchema::requiredTables() the open database lacks,
// and on a server "Keine Berechtigung für Tabelle „X“ (Rolle „R“) …" for one the role may not read.
// Only reads: it runs before anything is written, so a foreign file stays as it is.
void requireCompleteUserDatabase(const QSqlDatabase& db, const QString& location);

} // namespace FileChecks

} // namespace tavo
