#pragma once

#include <QObject>

namespace tavo {

// Tells every open window that a project was calculated, wherever in the program that happened (its
// main window, "Varianten vergleichen"), so that each window showing that project reads its results
// again instead of showing those of the run before.
class CalculationNotifier : public QObject {
    Q_OBJECT
public:
    // The one notifier of the program.
    static CalculationNotifier& instance();

    // Announces a completed run of the project; origin is the window that ran it (it has refreshed
    // itself already and may ignore the announcement).
    static void announce(int projectId, const QObject* origin);

Q_SIGNALS:
    void projectCalculated(int projectId, const QObject* origin);

private:
    CalculationNotifier() = default;
};

} // namespace tavo
