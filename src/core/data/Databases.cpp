#include "core/data/Databases.h"

#include <atomic>
#include <cerrno>


#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

#include "core/data/FileChecks.h"
#include "core/data/LibPq.h"
#include "core/data/OutputFile.h"
#include "core/data/ServerAddress.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

namespace tavo {

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

// How long a statement waits for another program's lock on a file before it gives up: as long as a
// run on a server waits for another planner's run of the same project.
const char* const kBusyTimeout = "QSQLITE_BUSY_TIMEOUT=20000";

// Opens one SQLite file without writing to it.
QSqlDatabase openConnection(const QString& name, const QString& path, const QString& what, bool readOnly) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    const QString timeout = QString::fromLatin1(kBusyTimeout);
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;") + timeout : timeout);
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

// The address of a live connection as the client library made it: the server, socket folder, port,
// role and database it really reached, also where the address left them to the library's defaults.
ServerAddress actualAddress(const QSqlDatabase& db, ServerAddress address) {
    const auto* connection = static_cast<const PGconn*>(Sql::serverHandle(db.driver()));
    if (!connection)
        return address;
    const LibPq& pq = LibPq::get();
    const auto text = [](const char* value) { return value ? QString::fromUtf8(value) : QString(); };
    if (!text(pq.host(connection)).isEmpty())
        address.host = text(pq.host(connection));
    address.port = text(pq.port(connection)).toInt();
    address.user = text(pq.user(connection));
    address.database = text(pq.db(connection));
    return address;
}

// Why the client library could not connect, in German where the cause is a usual one; else its own text.
// A server set up in German reports its causes in German.
QString connectionFailure(const QString& detail) {
    static const QList<QPair<QRegularExpression, QString>> causes = {
        {QRegularExpression(QStringLiteral("password authentication failed|no password supplied|"
                                           "authentication failed|Authentifizierung .* fehlgeschlagen")),
         QStringLiteral(
             "der Server hat die Anmeldung abgelehnt (Kennwort in ~/.pgpass oder PGPASSWORD prüfen)")},
        {QRegularExpression(QStringLiteral("no pg_hba\\.conf entry|kein pg_hba\\.conf-Eintrag")),
         QStringLiteral("der Server lässt diese Anmeldung nicht zu (pg_hba.conf des Servers)")},
        {QRegularExpression(
             QStringLiteral("database \"[^\"]*\" does not exist|Datenbank »[^«]*« existiert nicht")),
         QStringLiteral("diese Datenbank gibt es auf dem Server nicht")},
        {QRegularExpression(QStringLiteral("role \"[^\"]*\" does not exist|Rolle »[^«]*« existiert nicht")),
         QStringLiteral("diese Rolle gibt es auf dem Server nicht")},
        {QRegularExpression(QStringLiteral("could not translate host name")),
         QStringLiteral("den Server gibt es unter diesem Namen nicht")},
        {QRegularExpression(QStringLiteral("Connection refused|No such file or directory")),
         QStringLiteral("der Server antwortet nicht (läuft er, stimmen Server und Port?)")},
        {QRegularExpression(QStringLiteral("timeout expired|timed out")),
         QStringLiteral("der Server hat in der Wartezeit nicht geantwortet")},
    };
    for (const auto& cause : causes)
        if (detail.contains(cause.first))
            return cause.second + QLatin1Char('.');
    return detail.simplified();
}

// Connects to a user database on a PostgreSQL server. The password, if the server wants one, comes
// from ~/.pgpass or PGPASSWORD through the client library. Every value of the address reaches the
// library quoted by its rules; the options are only the harmless ones ServerAddress lets through.
QSqlDatabase openServerConnection(const QString& name, ServerAddress& address, bool readOnly) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw TavoError(QStringLiteral("Für die Benutzerdatenbank „%1“ fehlt der PostgreSQL-Treiber von Qt "
                                       "(Paket libqt6sql6-psql).")
                            .arg(address.text()));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!address.host.isEmpty())
        db.setHostName(address.host);
    db.setPort(address.port);
    if (!address.user.isEmpty())
        db.setUserName(address.user);
    db.setDatabaseName(address.database);
    db.setConnectOptions(address.connectOptions(readOnly));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        throw TavoError(QStringLiteral("Die Benutzerdatenbank „%1“ kann nicht geöffnet werden: %2")
                            .arg(address.text(), connectionFailure(error.databaseText().trimmed().isEmpty()
                                                                       ? error.text()
                                                                       : error.databaseText())));
    }
    address = actualAddress(db, address);
    // Texts travel as UTF-8 whatever the server's default; messages stay short.
    Sql::exec(db, QStringLiteral("SET client_encoding = 'UTF8'"));
    Sql::exec(db, QStringLiteral("SET client_min_messages = warning"));
    return db;
}

// A notice when the connection has more rights than TAVO needs: a superuser, or the owner of the
// database, may change or drop anything in it, so a mistake or a hostile value reaches further.
QString rightsNotice(const QSqlDatabase& db, const QString& location) {
    QSqlQuery query =
        Sql::exec(db, QStringLiteral("SELECT rolname, rolsuper, oid = (SELECT datdba FROM pg_database "
                                     "WHERE datname = current_database()) FROM pg_roles "
                                     "WHERE rolname = current_user"));
    if (!query.next())
        return QString();
    const QString role = query.value(0).toString();
    const QString advice =
        QStringLiteral("TAVO braucht nur Rechte auf seine Tabellen; für die tägliche Arbeit "
                       "besser mit einer eigenen Rolle anmelden.");
    if (query.value(1).toBool())
        return QStringLiteral("Die Verbindung zu „%1“ läuft als Superuser „%2“. %3")
            .arg(location, role, advice);
    if (query.value(2).toBool())
        return QStringLiteral("Die Verbindung zu „%1“ läuft als Eigentümer „%2“ der Datenbank. %3")
            .arg(location, role, advice);
    return QString();
}

// Opens the connection anew with other options.
void reopenWith(QSqlDatabase& db, const QString& options) {
    db.close();
    db.setConnectOptions(options);
    if (!db.open())
        throw TavoError(QStringLiteral("Die Benutzerdatenbank „%1“ kann nicht geöffnet werden: %2")
                            .arg(db.databaseName(), db.lastError().text().simplified()));
}

std::function<void(const QString&)>& noticeHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

// The location as messages and the About box show it: the full path of a file, the address of a server.
QString locationText(const QString& location) {
    if (ServerAddress::isServerAddress(location))
        return ServerAddress::parse(location).text();
    return QFileInfo(location).absoluteFilePath();
}

// SQLite keeps statistics of its memory use behind a global lock at every allocation; the program never
// reads them. Switched off before SQLite's first use in the process (later it has no effect).
void configureSqliteOnce() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(configured);
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

namespace {
QString& programDirOverride() {
    static QString dir;
    return dir;
}
} // namespace

QString Databases::programDir() {
    return programDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : programDirOverride();
}

void Databases::setProgramDir(const QString& dir) { programDirOverride() = dir; }

Databases Databases::openBesideProgram() {
    const QDir dir(programDir());
    return Databases(dir.filePath(MasterFileName), dir.filePath(UserFileName));
}

Databases::Databases(const QString& masterPath, const QString& userPath, Access access)
    : m_masterPath(QFileInfo(masterPath).absoluteFilePath()), m_userPath(locationText(userPath)),
      m_masterName(nextConnectionName(QStringLiteral("master"))),
      m_userName(nextConnectionName(QStringLiteral("user"))) {
    configureSqliteOnce();
    try {
        const bool server = isServerLocation(userPath);
        requireFile(m_masterPath, QStringLiteral("Stammdatenbank"));
        if (!server)
            requireFile(m_userPath, QStringLiteral("Benutzerdatenbank"));
        // The master is checked completely before the user database is opened at all.
        const QSqlDatabase master =
            openFile(m_masterName, m_masterPath, QStringLiteral("Stammdatenbank"), true);
        FileChecks::requireMasterTables(master, m_masterPath);
        if (server)
            openServer(userPath, access);
        else
            openUserFile(access);
        for (const QString& name : UserSchema::divergingStoredQueries(user()))
            addNotice(
                QStringLiteral("Die gespeicherte Abfrage „%1“ in %2 weicht ab und wird nicht verwendet; "
                               "die Bewohnerzahlen kommen aus der eingebauten Abfrage.")
                    .arg(name, m_userPath));
    } catch (...) {
        for (const QString& name : {m_masterName, m_userName})
            closeConnection(name);
        throw;
    }
}

// Nothing is written to the user database before it has shown to be a complete one: no journal
// change, no upgrade. A database that needs no upgrade is read through a read-only connection when
// only reading is asked for.
void Databases::openServer(const QString& location, Access access) {
    ServerAddress address = ServerAddress::parse(location);
    bool readOnly = access == Access::Read;
    QSqlDatabase db = openServerConnection(m_userName, address, readOnly);
    m_userPath = address.text();
    if (Sql::scalar(db, QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()"))
            .toInt() == 0)
        throw TavoError(QStringLiteral("Die Datenbank „%1“ enthält keine TAVO-Tabellen; anlegen mit "
                                       "„tavo-cli init --user %1“.")
                            .arg(m_userPath));
    FileChecks::requireCompleteUserDatabase(db, m_userPath);
    UserSchema::requireKnownVersion(db, m_userPath);
    if (readOnly && UserSchema::needsUpgrade(db)) {
        // An older database is brought up to date first, as any writing command would.
        readOnly = false;
        reopenWith(db, address.connectOptions(false));
        Sql::exec(db, QStringLiteral("SET client_encoding = 'UTF8'"));
        Sql::exec(db, QStringLiteral("SET client_min_messages = warning"));
    }
    if (!readOnly)
        UserSchema::upgrade(db);
    m_readOnly = readOnly;
    const QString rights = rightsNotice(db, m_userPath);
    if (!rights.isEmpty())
        addNotice(rights);
}

void Databases::openUserFile(Access access) {
    const bool writable = FileChecks::isWritable(m_userPath);
    if (access == Access::Write && !writable)
        throw TavoError(FileChecks::readOnlyMessage(m_userPath));
    bool readOnly = access == Access::Read || !writable;
    QSqlDatabase db = openConnection(m_userName, m_userPath, QStringLiteral("Benutzerdatenbank"), readOnly);
    FileChecks::requireCompleteUserDatabase(db, m_userPath);
    UserSchema::requireKnownVersion(db, m_userPath);
    // A file of an earlier layout is brought up to date whenever it may be written, also when only
    // reading is asked for (its results may carry misspelt designations); a file that may not be
    // written stays as it is if it can be read as it is.
    const bool schemaOld = readOnly && UserSchema::needsUpgrade(db);
    if (schemaOld || (readOnly && writable && UserSchema::version(db) < UserSchema::currentVersion())) {
        if (!writable)
            throw TavoError(
                QStringLiteral("%1 Sie stammt von einer älteren Version von TAVO und muss einmal mit "
                               "Schreibrecht geöffnet werden, damit TAVO sie auf den neuen Stand bringt.")
                    .arg(FileChecks::readOnlyMessage(m_userPath)));
        readOnly = false;
        reopenWith(db, QString::fromLatin1(kBusyTimeout));
    }
    m_readOnly = readOnly;
    if (readOnly) {
        if (access == Access::WriteIfAllowed)
            addNotice(
                QStringLiteral("%1 Die Projekte lassen sich ansehen, aber nicht speichern oder berechnen.")
                    .arg(FileChecks::readOnlyMessage(m_userPath)));
        return;
    }
    configureUser(db);
    UserSchema::upgrade(db);
}

void Databases::addNotice(const QString& text) {
    m_notices << text;
    if (noticeHandler())
        noticeHandler()(text);
}

void Databases::setNoticeHandler(std::function<void(const QString&)> handler) {
    noticeHandler() = std::move(handler);
}

Databases::Databases(Databases&& other) noexcept
    : m_masterPath(std::move(other.m_masterPath)), m_userPath(std::move(other.m_userPath)),
      m_masterName(std::move(other.m_masterName)), m_userName(std::move(other.m_userName)),
      m_readOnly(other.m_readOnly), m_notices(std::move(other.m_notices)) {
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
        ServerAddress address = ServerAddress::parse(location);
        const QSqlDatabase db = openServerConnection(name, address, false);
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
        ServerAddress address = ServerAddress::parse(path);
        const QString name = nextConnectionName(QStringLiteral("init"));
        try {
            const QSqlDatabase db = openServerConnection(name, address, false);
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
    // The file is made readable and writable by its owner only before SQLite fills it: a user
    // database holds every project of its planner. SQLite gives its journal the same permissions.
    {
        QFile file(info.absoluteFilePath());
        errno = 0;
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
            const int error = errno;
            throw TavoError(
                QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2.")
                    .arg(info.absoluteFilePath(), error ? OutputFile::reason(error) : file.errorString()));
        }
    }
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

} // namespace tavo
