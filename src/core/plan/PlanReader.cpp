#include "core/plan/PlanReader.h"

#include <ogrsf_frmts.h>

namespace tavo {

QVector<PlanLayerInfo> planLayers(const QString&, QString* error) {
    *error = QStringLiteral("Noch nicht verfügbar.");
    return {};
}

PlanAssignment guessAssignment(const QVector<PlanLayerInfo>&) {
    return {};
}

PlanReading readPlan(const QString&, const PlanAssignment&, bool, QString* error) {
    *error = QStringLiteral("Noch nicht verfügbar.");
    return {};
}

} // namespace tavo
