#include "support/PgTestDatabase.h"

#include <atomic>

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace tavo {

namespace {

std::atomic<int> connectionCounter{0};
std::atomic<int> databaseCounter{0};

QString nextConnectionName() {
    return QStringLiteral("pgtest_%1").arg(connectionCounter.fetch_add(1));
}

// Opens a QPSQL connection to the test server's database `database`; ends the program when it fails,
// since a server that was named but cannot be used must not look like a skipped test.
QSqlDatabase connectTo(const QString& connectionName, const QString& database) {
    const auto address = PgTestDatabase::parseUrl(PgTestDatabase::serverUrl());
    if (!address)
        qFatal("TAVO_TEST_PG ist keine postgresql://-Adresse: %s", qPrintable(PgTestDatabase::serverUrl()));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        qFatal("Der Qt-Treiber QPSQL fehlt (Paket libqt6sql6-psql)");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(address->host);
    db.setPort(address->port);
    db.setUserName(address->user);
    db.setPassword(address->password);
    db.setDatabaseName(database);
    if (!db.open())
        qFatal("Keine Verbindung zu %s/%s: %s", qPrintable(address->host), qPrintable(database),
               qPrintable(db.lastError().text()));
    return db;
}

// Runs one statement on the server's own database over a short-lived connection.
void onServer(const QString& sql) {
    const QString connectionName = nextConnectionName();
    {
        QSqlDatabase db =
            connectTo(connectionName, PgTestDatabase::parseUrl(PgTestDatabase::serverUrl())->database);
        {
            QSqlQuery query(db);
            if (!query.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

} // namespace

bool PgTestDatabase::available() {
    return !serverUrl().isEmpty();
}

QString PgTestDatabase::serverUrl() {
    return qEnvironmentVariable("TAVO_TEST_PG");
}

std::optional<PgTestDatabase::Address> PgTestDatabase::parseUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() ||
        (parsed.scheme() != QLatin1String("postgresql") && parsed.scheme() != QLatin1String("postgres")))
        return std::nullopt;
    Address address;
    address.host = parsed.host();
    address.port = parsed.port(5432);
    address.user = parsed.userName();
    address.password = parsed.password();
    address.database = parsed.path().mid(1); // the path without its leading slash
    if (address.host.isEmpty() || address.database.isEmpty() || address.database.contains(QLatin1Char('/')))
        return std::nullopt;
    return address;
}

PgTestDatabase::PgTestDatabase() {
    // Only lower-case letters, digits and underscores: the name needs no quoting and is unique per
    // process, object and run, since test programs run in parallel against one server.
    m_name = QStringLiteral("tavo_t_%1_%2_%3")
                 .arg(QCoreApplication::applicationPid())
                 .arg(databaseCounter.fetch_add(1))
                 .arg(QRandomGenerator::global()->bounded(1u << 30), 0, 36);
    onServer(QStringLiteral("CREATE DATABASE %1").arg(m_name));
}

PgTestDatabase::~PgTestDatabase() {
    for (const QString& connectionName : std::as_const(m_connections)) {
        QSqlDatabase::database(connectionName, false).close();
        QSqlDatabase::removeDatabase(connectionName);
    }
    // FORCE ends connections the test left open elsewhere (e.g. the program's own).
    onServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

QString PgTestDatabase::url() const {
    const Address server = *parseUrl(serverUrl());
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(server.user);
    if (!server.password.isEmpty())
        url.setPassword(server.password);
    url.setHost(server.host);
    url.setPort(server.port);
    url.setPath(QLatin1Char('/') + m_name);
    return url.toString();
}

QSqlDatabase PgTestDatabase::open() {
    const QString connectionName = nextConnectionName();
    m_connections << connectionName;
    return connectTo(connectionName, m_name);
}

bool PgTestDatabase::exists(const QString& name) {
    const QString connectionName = nextConnectionName();
    bool found = false;
    {
        QSqlDatabase db = connectTo(connectionName, parseUrl(serverUrl())->database);
        {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = ?"));
            query.addBindValue(name);
            if (!query.exec() || !query.next())
                qFatal("pg_database: %s", qPrintable(query.lastError().text()));
            found = query.value(0).toInt() > 0;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return found;
}

} // namespace tavo
