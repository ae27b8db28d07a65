#pragma once

#include <QObject>

#include "report/ReportData.h"

class QMenu;

namespace tavo {

class MainWindow;

// The button "Bericht..." of the main window: the council report of the project, shown in a print
// preview (from which it is printed) or saved as a PDF file. Pending inputs are saved first; a
// project without results asks for "Berechnen" instead. For a project changed since its calculation
// the user chooses "Jetzt berechnen" (calculate, then the report), "Trotzdem (als veraltet markiert)"
// (the old results, marked on every page) or "Abbrechen". A small dialog then asks whose figures the
// report shows and at which discount rate.
class ReportAction : public QObject {
    Q_OBJECT
public:
    // Gives the window's button btBericht its menu.
    explicit ReportAction(MainWindow& window);

    // The two entries of the menu.
    void showPreview();
    void savePdf();

private:
    // Saves the inputs; false (after a message) when that fails.
    bool saveInputs();
    // Asks about results older than the inputs, calculating when the user chooses so; true when the
    // report is to be made.
    bool settleOutdatedResults();
    // Asks for the cost bearer and the discount rate; false when the user cancels.
    bool chooseOptions();

    MainWindow& m_window;
    QMenu* m_menu = nullptr;
    ReportOptions m_options; // the last choice, offered again
};

} // namespace tavo
