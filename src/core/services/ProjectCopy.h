#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace tavo {

// Moving projects from one user database to another (a file and a server, or two files): the project
// row, its detail rows, its scenarios and its results, as new projects of the target.
namespace ProjectCopy {

// One copied project: its ID in the source, its ID in the target and its description.
struct Copied {
    int sourceId = 0;
    int targetId = 0;
    QString beschreibung;
};

// The IDs of projectIds that the source does not hold, in their order.
QList<int> unknownProjects(const QSqlDatabase& source, const QList<int>& projectIds);

// Copies the given projects (every project of the source when projectIds is empty, in ID order) into
// target, all in one transaction on the target: a failure leaves the target as it was and throws
// TavoError. Each copy is a new project; it keeps its ID when the target has no project of that ID,
// else the target gives it a new one. Detail rows get new IDs in the order of their source IDs,
// result rows keep their stored order, and the municipality's population rows (gBvB) replace the
// target's rows of that municipality. Results that were up to date in the source are up to date in
// the target; any others show there as changed since the calculation. Columns are copied by name,
// those both tables have; a project's edit counter (Version) starts anew in the target. An unknown
// project ID throws before anything is written.
QList<Copied> copyProjects(const QSqlDatabase& source, const QSqlDatabase& target,
                           const QList<int>& projectIds = {});

// After rows with explicit keys were inserted into table, lets its identity column continue above the
// highest key. SQLite's AUTOINCREMENT does so by itself; a PostgreSQL sequence is set here.
void continueIdentity(const QSqlDatabase& db, const QString& table, const QString& column);

} // namespace ProjectCopy

} // namespace tavo
