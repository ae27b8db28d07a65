#include "gui/common/CalculationNotifier.h"

CalculationNotifier& CalculationNotifier::instance() {
    static CalculationNotifier notifier;
    return notifier;
}

void CalculationNotifier::announce(int projectId, const QObject* origin) {
    Q_EMIT instance().projectCalculated(projectId, origin);
}
