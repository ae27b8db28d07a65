#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tavo {

// A user database on a PostgreSQL server, named like "postgresql://planer@server:5432/tavo", or on the
// local server through its socket: "postgresql:///tavo",
// "postgresql://planer@/tavo?host=/var/run/postgresql". The address is read by the PostgreSQL client
// library's own rules (percent signs, brackets around an IPv6 address). Settings of the client library may
// follow as "?sslmode=require&connect_timeout=5", but only the harmless ones of allowedOptions(): server,
// port, database and role are those of the address itself and nothing else. The password never belongs in the
// address: the client library takes it from ~/.pgpass or PGPASSWORD, and the program never stores one.
struct ServerAddress {
    QString host; // a server name or IP address; a folder (from "/") for a socket; empty: the local socket
    int port = 5432;
    QString user;
    QString database;
    QList<QPair<QString, QString>> options; // allowed client settings, in the order they were given

    // True when location names a server rather than a file.
    static bool isServerAddress(const QString& location);

    // The client settings an address may carry.
    static const QStringList& allowedOptions();

    // Reads an address; throws TavoError with a German message naming what is wrong.
    static ServerAddress parse(const QString& location);

    // The address as the user writes it, without settings; a socket folder follows as "?host=…".
    QString text() const;

    // The settings for the driver's connection string (QSqlDatabase::setConnectOptions), each value
    // quoted for the client library: the allowed options of the address and the program's own
    // (connect_timeout and application_name unless the address sets them, and the time limit of
    // every statement). readOnly makes every transaction of the session read-only.
    QString connectOptions(bool readOnly = false) const;

    // A value quoted for a connection string of the client library: 'a b' -> "'a b'", ' and \ escaped.
    static QString quotedValue(const QString& value);
};

} // namespace tavo
