#pragma once

#include <QObject>
#include <QString>

namespace tavo {

class MainWindow;

// The button "Berechnen" of the main window: saves every pending input, lists the plausibility
// warnings of the inputs for the user to confirm or cancel, runs the calculation of the
// project with the window disabled under the hourglass cursor, and afterwards (also after an error)
// refreshes the result views and the project row, beeps twice, enables the window again and only
// then shows the error, if any. A complete run is announced to the other windows
// (CalculationNotifier).
class CalculationAction : public QObject {
    Q_OBJECT
public:
    // Connects itself to the window's button btBerechnen.
    explicit CalculationAction(MainWindow& window);

    // The click handler of the button btBerechnen.
    void calculate();

Q_SIGNALS:
    // After a run, once the window is enabled again; error is empty after a complete run.
    void calculationFinished(const QString& error);

private:
    // Writes the typed input, the detail grids and the project row; false when something could
    // not be saved (the message is in *error, or was shown by the input itself).
    bool saveInputs(QString* error);
    // The input check of the saved inputs: refusals in a message (false), warnings in one question
    // (true to calculate despite them).
    bool confirmPlausibility();
    // The refresh at the end of every run; a failure is kept in *error unless one is there.
    void refreshAfterRun(QString* error);

    MainWindow& m_window;
};

} // namespace tavo
