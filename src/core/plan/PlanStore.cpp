#include "core/plan/PlanStore.h"

#include "core/data/TavoError.h"

namespace tavo {

namespace PlanStore {

QVector<PlanFieldChange> planChanges(const QSqlDatabase&, int, const PlanReading&) {
    throw TavoError(QStringLiteral("Noch nicht verfügbar."));
}

QVector<PlanFieldChange> applyPlan(const QSqlDatabase&, int, const PlanReading&, const PlanAssignment&) {
    throw TavoError(QStringLiteral("Noch nicht verfügbar."));
}

PlanReading storedPlan(const QSqlDatabase&, int) {
    return {};
}

QHash<QString, QString> planMarks(const QSqlDatabase&, int) {
    return {};
}

void clearPlanMark(const QSqlDatabase&, int, const QString&) {}

PlanAssignment rememberedAssignment(const QSqlDatabase&, const QString&) {
    return {};
}

} // namespace PlanStore

} // namespace tavo
