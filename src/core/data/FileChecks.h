#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

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

// True when the open database holds the project table TAVO with its key columns ID and PG. Only
// reads; a file that is no SQLite database at all gives false, a file that cannot be read throws.
bool isTavoUserDatabase(const QSqlDatabase& db);

// Throws "<path> ist keine TAVO-Benutzerdatenbank." unless isTavoUserDatabase(db).
void requireTavoUserDatabase(const QSqlDatabase& db, const QString& path);

} // namespace FileChecks
