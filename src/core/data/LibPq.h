#pragma once

#include <libpq-fe.h>

namespace tavo {

// The few functions of the PostgreSQL client library the program calls itself, loaded when a server
// address is first read or a server connection first asked about. A program that only works with
// files never loads the library and its Kerberos, LDAP and TLS libraries; a server connection loads
// it anyway, through Qt's driver. Throws TavoError when the library is not installed.
struct LibPq {
    decltype(&PQconninfoParse) conninfoParse;
    decltype(&PQconninfoFree) conninfoFree;
    decltype(&PQfreemem) freemem;
    decltype(&PQuser) user;
    decltype(&PQhost) host;
    decltype(&PQport) port;
    decltype(&PQdb) db;

    static const LibPq& get();
};

} // namespace tavo
