#include "core/data/LibPq.h"

#include <QLibrary>

#include "core/data/TavoError.h"

namespace tavo {

namespace {

template <typename Function>
void resolve(QLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(library.resolve(name));
    if (!function)
        throw TavoError(QStringLiteral("Die PostgreSQL-Bibliothek libpq (%1) ist zu alt: ihr fehlt %2.")
                            .arg(library.fileName(), QString::fromLatin1(name)));
}

LibPq load() {
    // Version 5 is the library's interface since PostgreSQL 8.0.
    static QLibrary library(QStringLiteral("pq"), 5);
    if (!library.load())
        throw TavoError(QStringLiteral("Für eine Benutzerdatenbank auf einem Server braucht TAVO die "
                                       "PostgreSQL-Bibliothek libpq, die nicht installiert ist (Debian: "
                                       "Paket libpq5). (%1)")
                            .arg(library.errorString()));
    LibPq pq{};
    resolve(library, "PQconninfoParse", pq.conninfoParse);
    resolve(library, "PQconninfoFree", pq.conninfoFree);
    resolve(library, "PQfreemem", pq.freemem);
    resolve(library, "PQuser", pq.user);
    resolve(library, "PQhost", pq.host);
    resolve(library, "PQport", pq.port);
    resolve(library, "PQdb", pq.db);
    return pq;
}

} // namespace

const LibPq& LibPq::get() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const LibPq pq = load();
    return pq;
}

} // namespace tavo
