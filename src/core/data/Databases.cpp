#include "core/data/Databases.h"

#include <atomic>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

const QString Databases::MasterFileName = QStringLiteral("TAVO_Master.db");
const QString Databases::UserFileName = QStringLiteral("TAVO_User.db");

namespace {

QString nextConnectionName(const QString& kind) {
    static std::atomic<int> counter{0};
    return QStringLiteral("tavo_%1_%2").arg(kind).arg(++counter);
}

void requireFile(const QString& path, const QString& what) {
    const QFileInfo info(path);
    if (!info.exists())
        throw TavoError(QStringLiteral("Die %1 „%2“ wurde nicht gefunden.").arg(what, info.absoluteFilePath()));
    if (!info.isFile() || !info.isReadable())
        throw TavoError(QStringLiteral("Die %1 „%2“ kann nicht gelesen werden.").arg(what, info.absoluteFilePath()));
}

// Opens one SQLite file and checks that it really is a database.
QSqlDatabase openFile(const QString& name, const QString& path, const QString& what, bool readOnly) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    const QString full = QFileInfo(path).absoluteFilePath();
    if (!db.open())
        throw TavoError(QStringLiteral("Die %1 „%2“ kann nicht geöffnet werden: %3")
                            .arg(what, full, db.lastError().text()));
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        throw TavoError(QStringLiteral("Die %1 „%2“ ist keine gültige Datenbank: %3")
                            .arg(what, full, probe.lastError().databaseText()));
    return db;
}

void configureUser(const QSqlDatabase& db) {
    Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
    QSqlQuery wal(db);
    wal.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    Sql::exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
}

} // namespace

QString Databases::programDir() { return QCoreApplication::applicationDirPath(); }

Databases Databases::openBesideProgram() {
    const QDir dir(programDir());
    return Databases(dir.filePath(MasterFileName), dir.filePath(UserFileName));
}

Databases::Databases(const QString& masterPath, const QString& userPath)
    : m_masterPath(QFileInfo(masterPath).absoluteFilePath()), m_userPath(QFileInfo(userPath).absoluteFilePath()),
      m_masterName(nextConnectionName(QStringLiteral("master"))),
      m_userName(nextConnectionName(QStringLiteral("user"))) {
    try {
        requireFile(m_masterPath, QStringLiteral("Stammdatenbank"));
        requireFile(m_userPath, QStringLiteral("Benutzerdatenbank"));
        openFile(m_masterName, m_masterPath, QStringLiteral("Stammdatenbank"), true);
        const QSqlDatabase user = openFile(m_userName, m_userPath, QStringLiteral("Benutzerdatenbank"), false);
        configureUser(user);
        UserSchema::upgrade(user);
    } catch (...) {
        for (const QString& name : {m_masterName, m_userName}) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                if (db.isValid())
                    db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        throw;
    }
}

Databases::Databases(Databases&& other) noexcept
    : m_masterPath(std::move(other.m_masterPath)), m_userPath(std::move(other.m_userPath)),
      m_masterName(std::move(other.m_masterName)), m_userName(std::move(other.m_userName)) {
    other.m_masterName.clear();
    other.m_userName.clear();
}

Databases::~Databases() {
    for (const QString& name : {m_masterName, m_userName}) {
        if (name.isEmpty())
            continue;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase Databases::master() const { return QSqlDatabase::database(m_masterName, false); }

QSqlDatabase Databases::user() const { return QSqlDatabase::database(m_userName, false); }

void Databases::createUserDatabase(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        throw TavoError(QStringLiteral("Die Datei „%1“ existiert bereits.").arg(info.absoluteFilePath()));
    const QString name = nextConnectionName(QStringLiteral("init"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(info.absoluteFilePath());
        if (!db.open())
            throw TavoError(QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2")
                                .arg(info.absoluteFilePath(), db.lastError().text()));
        try {
            Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = WAL"));
            UserSchema::create(db);
        } catch (...) {
            db.close();
            QSqlDatabase::removeDatabase(name);
            QFile::remove(info.absoluteFilePath());
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
