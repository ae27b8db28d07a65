#include "gui/common/CalculationNotifier.h"

namespace tavo {

CalculationNotifier& CalculationNotifier::instance() {
    static CalculationNotifier notifier;
    return notifier;
}

void CalculationNotifier::announce(int projectId, const QObject* origin) {
    Q_EMIT instance().projectCalculated(projectId, origin);
}

} // namespace tavo
