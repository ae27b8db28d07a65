#pragma once

#include <QObject>

class QAction;
class QMenuBar;

namespace tavo {

class MainWindow;
class ResultGrid;

// The menu bar of the main window. Its entries do what the window's buttons do (and click them, so
// that both stay one behaviour): Datei – Speichern (Ctrl+S), Drucken (Ctrl+P) and Exportieren
// (Ctrl+E) of the result grid in view, Bericht (preview or PDF), Speichern und Schließen, Abbruch; Bearbeiten – Berechnen (F9), Plan einlesen; Hilfe – Handbuch (F1), Info.
class MainWindowMenu : public QObject {
    Q_OBJECT
public:
    // Builds the menu bar and puts it at the top of the window's layout.
    explicit MainWindowMenu(MainWindow& window);

    QMenuBar* menuBar() const { return m_bar; }
    QAction* action(const QString& objectName) const;

    // The grid "Drucken" prints and "Exportieren" saves: on the finance page the zoomed grid, else the one with the focus,
    // else the balance; on the population page the one with the focus, else the inhabitants;
    // nullptr on an input page.
    ResultGrid* gridToPrint() const;

private:
    void clickButton(const char* objectName) const;
    void updatePrintAction();

    MainWindow& m_window;
    QMenuBar* m_bar = nullptr;
    QAction* m_print = nullptr;
    QAction* m_export = nullptr;
};

} // namespace tavo
