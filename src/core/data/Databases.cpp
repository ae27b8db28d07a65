#include "core/data/Databases.h"

#include <atomic>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "core/data/FileChecks.h"
#include "core/data/ServerAddress.h"
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

// Opens one SQLite file without writing to it.
QSqlDatabase openConnection(const QString& name, const QString& path, const QString& what, bool readOnly) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw TavoError(QStringLiteral("Die %1 „%2“ kann nicht geöffnet werden: %3")
                            .arg(what, QFileInfo(path).absoluteFilePath(), db.lastError().text()));
    return db;
}

// Opens one SQLite file and checks that it really is a database.
QSqlDatabase openFile(const QString& name, const QString& path, const QString& what, bool readOnly) {
    QSqlDatabase db = openConnection(name, path, what, readOnly);
    const QString full = QFileInfo(path).absoluteFilePath();
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        throw TavoError(QStringLiteral("Die %1 „%2“ ist keine gültige Datenbank: %3")
                            .arg(what, full, probe.lastError().databaseText()));
    return db;
}

// The rollback journal, not WAL: the files often lie in a shared network folder, where WAL is unsafe,
// and a WAL file cannot even be read in a read-only folder. Switching a WAL file back checkpoints it
// first; when another program still holds it open the switch is refused and the file stays in WAL
// until the next start, which loses nothing either. Concurrent writers wait on the busy timeout.
void configureUser(const QSqlDatabase& db) {
    Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
    QSqlQuery journal(db);
    journal.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
}

// Connects to a user database on a PostgreSQL server. The password, if the server wants one, comes
// from ~/.pgpass or PGPASSWORD through the client library.
QSqlDatabase openServer(const QString& name, const ServerAddress& address) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw TavoError(QStringLiteral("Für die Benutzerdatenbank „%1“ fehlt der PostgreSQL-Treiber von Qt "
                                       "(Paket libqt6sql6-psql).")
                            .arg(address.text()));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(address.host);
    db.setPort(address.port);
    if (!address.user.isEmpty())
        db.setUserName(address.user);
    db.setDatabaseName(address.database);
    QStringList options{QStringLiteral("connect_timeout=10"), QStringLiteral("application_name=TAVO")};
    if (!address.options.isEmpty())
        options << address.options;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open())
        throw TavoError(QStringLiteral("Die Benutzerdatenbank „%1“ kann nicht geöffnet werden: %2")
                            .arg(address.text(), db.lastError().databaseText().trimmed().isEmpty()
                                                     ? db.lastError().text().simplified()
                                                     : db.lastError().databaseText().simplified()));
    // Texts travel as UTF-8 whatever the server's default; messages stay short.
    Sql::exec(db, QStringLiteral("SET client_encoding = 'UTF8'"));
    Sql::exec(db, QStringLiteral("SET client_min_messages = warning"));
    return db;
}

// The location as messages and the About box show it: the full path of a file, the address of a server.
QString locationText(const QString& location) {
    if (ServerAddress::isServerAddress(location))
        return ServerAddress::parse(location).text();
    return QFileInfo(location).absoluteFilePath();
}

void closeConnection(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

bool Databases::isServerLocation(const QString& location) { return ServerAddress::isServerAddress(location); }

QString Databases::programDir() { return QCoreApplication::applicationDirPath(); }

Databases Databases::openBesideProgram() {
    const QDir dir(programDir());
    return Databases(dir.filePath(MasterFileName), dir.filePath(UserFileName));
}

Databases::Databases(const QString& masterPath, const QString& userPath)
    : m_masterPath(QFileInfo(masterPath).absoluteFilePath()), m_userPath(locationText(userPath)),
      m_masterName(nextConnectionName(QStringLiteral("master"))),
      m_userName(nextConnectionName(QStringLiteral("user"))) {
    try {
        const bool server = isServerLocation(userPath);
        requireFile(m_masterPath, QStringLiteral("Stammdatenbank"));
        if (!server)
            requireFile(m_userPath, QStringLiteral("Benutzerdatenbank"));
        // The master is checked completely before the user database is opened at all.
        const QSqlDatabase master =
            openFile(m_masterName, m_masterPath, QStringLiteral("Stammdatenbank"), true);
        FileChecks::requireMasterTables(master, m_masterPath);
        if (server) {
            const QSqlDatabase user = openServer(m_userName, ServerAddress::parse(userPath));
            if (!FileChecks::isTavoUserDatabase(user))
                throw TavoError(QStringLiteral("Die Datenbank „%1“ enthält keine TAVO-Tabellen; anlegen mit "
                                               "„tavo-cli init --user %1“.")
                                    .arg(m_userPath));
            UserSchema::upgrade(user);
            return;
        }
        FileChecks::requireWritable(m_userPath);
        // Nothing is written to the user file before it has shown to be one: no journal change, no upgrade.
        const QSqlDatabase user =
            openConnection(m_userName, m_userPath, QStringLiteral("Benutzerdatenbank"), false);
        FileChecks::requireTavoUserDatabase(user, m_userPath);
        configureUser(user);
        UserSchema::upgrade(user);
    } catch (...) {
        for (const QString& name : {m_masterName, m_userName})
            closeConnection(name);
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

void Databases::removeNewUserDatabase(const QString& location) {
    if (!isServerLocation(location)) {
        QFile::remove(location);
        return;
    }
    const QString name = nextConnectionName(QStringLiteral("remove"));
    try {
        const QSqlDatabase db = openServer(name, ServerAddress::parse(location));
        Transaction tx(db);
        for (const QString& table : UserSchema::tableNames())
            Sql::exec(db, QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(table));
        tx.commit();
    } catch (const TavoError&) {
    }
    closeConnection(name);
}

QSqlDatabase Databases::master() const { return QSqlDatabase::database(m_masterName, false); }

QSqlDatabase Databases::user() const { return QSqlDatabase::database(m_userName, false); }

void Databases::createUserDatabase(const QString& path) {
    if (path.trimmed().isEmpty())
        throw TavoError(QStringLiteral("Für die Benutzerdatenbank ist kein Dateiname angegeben."));
    if (isServerLocation(path)) {
        // The database itself is made by the server's administrator; here it gets its tables, all of
        // them in one transaction.
        const ServerAddress address = ServerAddress::parse(path);
        const QString name = nextConnectionName(QStringLiteral("init"));
        try {
            const QSqlDatabase db = openServer(name, address);
            if (Sql::scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                               "table_schema = current_schema() AND table_name = 'TAVO'"))
                    .toInt() > 0)
                throw TavoError(
                    QStringLiteral("Die Datenbank „%1“ enthält bereits TAVO-Tabellen.").arg(address.text()));
            UserSchema::create(db);
        } catch (...) {
            closeConnection(name);
            throw;
        }
        closeConnection(name);
        return;
    }
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
