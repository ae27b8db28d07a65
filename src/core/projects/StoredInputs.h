#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>

namespace tavo {

// The stored inputs of one project as the checks before a run read them, once: the project row and
// its Bebauung (bbTyp, bbBauklasse, bbAnteil), Besiedelung (Jahr, EFHg, EFHk, RHg, RHk, GWB) and
// Sonderausgaben rows (Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe), each in the order of entry.
struct StoredInputs {
    int projectId = 0;
    bool found = false; // false: there is no such project, and every list is empty
    QSqlRecord project;
    QList<QSqlRecord> buildings;
    QList<QSqlRecord> settlements;
    QList<QSqlRecord> specials;

    // Reads project projectId; throws TavoError on a database error.
    static StoredInputs read(const QSqlDatabase& user, int projectId);
};

} // namespace tavo
