#pragma once

#include <QString>

// A user database on a PostgreSQL server, named like "postgresql://planer@server:5432/tavo". Further
// connection settings of the client library may follow as "?sslmode=require&connect_timeout=5". The
// password never belongs in the address: the client library takes it from ~/.pgpass or PGPASSWORD,
// and the program never stores one.
struct ServerAddress {
    QString host;
    int port = 5432;
    QString user;
    QString database;
    QString options; // "key=value;key=value" for the driver

    // True when location names a server rather than a file.
    static bool isServerAddress(const QString& location);

    // Reads an address; throws TavoError with a German message naming what is wrong.
    static ServerAddress parse(const QString& location);

    // The address as the user writes it, without options.
    QString text() const;
};
