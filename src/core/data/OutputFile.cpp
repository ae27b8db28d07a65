#include "core/data/OutputFile.h"

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>

#include "core/data/ServerAddress.h"
#include "core/data/TavoError.h"

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace tavo {

namespace OutputFile {
namespace {

const char* const kCompanions[] = {"", "-journal", "-wal", "-shm"};

// Windows file names ignore case.
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

QString shown(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The path with every symbolic link and "." or ".." resolved; for a file that does not exist (yet),
// its resolved folder and its name.
QString resolved(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth)
        info = QFileInfo(info.symLinkTarget());
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

// Whether two existing paths are one file: the same device and inode also catches hard links.
bool sameInode(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    Q_UNUSED(a);
    Q_UNUSED(b);
    return false;
#else
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
#endif
}

// True for a regular file or a path that names nothing yet; false for a device, a pipe or a socket.
bool isRegularOrNew(const QString& path) {
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return true;
    return S_ISREG(status.st_mode);
#endif
}

void refuseDatabase(const QString& path, const QString& database) {
    if (database.isEmpty() || ServerAddress::isServerAddress(database))
        return;
    const QString target = resolved(path);
    const QString base = resolved(database);
    for (const char* companion : kCompanions) {
        const QString file = base + QLatin1String(companion);
        if (target.compare(file, kPathCase) == 0 || sameInode(path, file))
            throw TavoError(QStringLiteral("„%1“ ist die Datenbank „%2“, die gerade verwendet wird; sie wird "
                                           "nicht überschrieben.")
                                .arg(QDir::toNativeSeparators(path), shown(file)));
    }
}

// Writes all of bytes, however many calls it takes; 0 when done, else the errno of the failed write.
int writeAll(QFileDevice& file, const QByteArray& bytes) {
    for (qint64 done = 0; done < bytes.size();) {
        errno = 0;
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return errno != 0 ? errno : EIO;
        done += written;
    }
    return 0;
}

void writeDirectly(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw TavoError(writeFailure(path, errno));
    if (const int error = writeAll(file, bytes))
        throw TavoError(writeFailure(path, error));
    errno = 0;
    if (!file.flush())
        throw TavoError(writeFailure(path, errno));
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw TavoError(writeFailure(path, errno));
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // An existing file in a folder without write permission can only be rewritten in place.
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw TavoError(writeFailure(path, errno));
    if (const int error = writeAll(file, bytes)) {
        file.cancelWriting();
        throw TavoError(writeFailure(path, error));
    }
    errno = 0;
    if (!file.commit())
        throw TavoError(writeFailure(path, errno));
}

} // namespace

void checkTarget(const QString& path, const QStringList& databases) {
    for (const QString& database : databases)
        refuseDatabase(path, database);
    const QFileInfo info(path);
    if (info.isDir())
        throw TavoError(QStringLiteral("„%1“ ist ein Ordner, keine Datei.").arg(shown(path)));
    // The folder as written: "sub/.." is no folder when "sub" does not exist, whatever the cleaned
    // path says.
    const QFileInfo folder(info.path());
    if (!folder.isDir())
        throw TavoError(
            QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: den Ordner „%2“ gibt es nicht.")
                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(info.path())));
    if (info.exists() ? !info.isWritable() : !folder.isWritable())
        throw TavoError(QStringLiteral("Die Datei „%1“ darf nicht geschrieben werden: %2.")
                            .arg(shown(path), reason(EACCES)));
}

QStringList databasesInUse() {
    QStringList files;
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driverName() == QLatin1String("QSQLITE") && !db.databaseName().isEmpty())
            files << db.databaseName();
    }
    return files;
}

void write(const QString& path, const QByteArray& bytes) {
    if (isRegularOrNew(path))
        writeAtomically(path, bytes);
    else
        writeDirectly(path, bytes);
}

QString reason(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
        return QStringLiteral("kein Platz mehr auf dem Datenträger");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("der zugeteilte Speicherplatz ist aufgebraucht");
#endif
    case EFBIG:
        return QStringLiteral("die Datei wird zu groß");
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Berechtigung zum Schreiben");
    case EROFS:
        return QStringLiteral("das Laufwerk ist schreibgeschützt");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("den Ordner gibt es nicht");
    case EISDIR:
        return QStringLiteral("das ist ein Ordner");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    case EPIPE:
        return QStringLiteral("der Empfänger hat die Ausgabe geschlossen");
    default:
        return errorNumber != 0 ? QStringLiteral("Systemfehler %1").arg(errorNumber)
                                : QStringLiteral("unbekannter Schreibfehler");
    }
}

QString writeFailure(const QString& path, int errorNumber) {
    return QStringLiteral("Die Datei „%1“ konnte nicht geschrieben werden: %2.")
        .arg(shown(path), reason(errorNumber));
}

} // namespace OutputFile

} // namespace tavo
