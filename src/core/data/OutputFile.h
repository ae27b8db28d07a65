#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavo {

// Files the program hands on (exports, workbooks, reports): checked before the work starts, written
// completely or not at all. Every failure throws TavoError with a German message naming the file.
namespace OutputFile {

// Refuses, before anything is calculated or written, a target that cannot be the file of an export:
// one of the databases in use (also under another spelling of its path, through a symbolic link or a
// hard link, or one of its SQLite companion files "-journal", "-wal", "-shm"), a folder, a file in a
// folder that does not exist, and a file that may not be written. databases lists the files in use
// (a server address in it is ignored).
void checkTarget(const QString& path, const QStringList& databases);

// The database files this thread has open (every SQLite connection of the program): what a save
// dialog of the windows must not overwrite.
QStringList databasesInUse();

// Writes bytes to path. A regular file (or a new one) is written atomically: into a temporary file
// beside it, which replaces the file only when everything was written, so a failure keeps the
// previous file and leaves no half file behind. A device or a pipe (/dev/stdout, /dev/full) is
// written directly; every write and the final flush are checked.
void write(const QString& path, const QByteArray& bytes);

// The German words for a failed write or open (an errno value), e.g. "kein Platz mehr auf dem
// Datenträger".
QString reason(int errorNumber);

// "Die Datei „<path>“ konnte nicht geschrieben werden: <reason>."
QString writeFailure(const QString& path, int errorNumber);

} // namespace OutputFile

} // namespace tavo
