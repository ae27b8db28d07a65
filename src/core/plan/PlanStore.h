#pragma once

#include <QHash>
#include <QSqlDatabase>

#include "core/plan/PlanTypes.h"

namespace tavo {

// The plan of a project in the user database: the file it was read from with its assignment, its
// features in metric coordinates (for drawing without GDAL) and the marks of the inputs taken from
// it ("aus Plan"). Every statement on the tables "Plan", "PlanObjekt" and "PlanMarke" is written
// here.
namespace PlanStore {

// The inputs of project projectId that applying the reading would change, in the order of the
// input pages; only fields whose value differs. Bebauung shares have the key
// "Bebauung:<type>" (e.g. "Bebauung:EFHg"), every other field its column name. Throws TavoError.
QVector<PlanFieldChange> planChanges(const QSqlDatabase& db, int projectId, const PlanReading& reading);

// Writes the changes of planChanges, stores the plan (file, stand, CRS, assignment), its features
// and the marks of every field it sets, all in one transaction. Refuses (TavoError) a reading with
// problems. Returns the changes written.
QVector<PlanFieldChange> applyPlan(const QSqlDatabase& db, int projectId, const PlanReading& reading,
                                   const PlanAssignment& assignment);

// The stored plan of a project as a reading (measures, features, extent); an empty reading
// (file empty) when the project has none.
PlanReading storedPlan(const QSqlDatabase& db, int projectId);

// The fields of a project taken from its plan: field key -> tooltip "aus Plan: Datei, Ebene, Stand".
QHash<QString, QString> planMarks(const QSqlDatabase& db, int projectId);

// Removes a field's mark (the planner edited it by hand). No error when there is none.
void clearPlanMark(const QSqlDatabase& db, int projectId, const QString& fieldKey);

// The assignment last applied for a file of this name (any project), or an empty one.
PlanAssignment rememberedAssignment(const QSqlDatabase& db, const QString& file);

} // namespace PlanStore

} // namespace tavo
