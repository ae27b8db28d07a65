#pragma once

#include <utility>

#include <QList>
#include <QObject>
#include <QString>

namespace tavo {

class MainWindow;

// The handlers of the main window that derive inputs from others: the areas from the gross land
// and the two shares (and the shares from typed areas), the line lengths, the connecting road with
// its area dialog, the levy subsidies, and the settlement presets beside the settlement grid.
// Created by the window after its pages; it connects itself to the window's inputs and buttons.
class DerivedInputs : public QObject {
    Q_OBJECT
public:
    explicit DerivedInputs(MainWindow& window);

    // Green and traffic area and net building land from the gross land and the shares; only
    // while the project row is being edited.
    void calculateAreas();
    // A green or traffic area typed into its input sets its share of the gross land (when there
    // is gross land); the areas then follow from the shares.
    void onGreenAreaEntered();
    void onTrafficAreaEntered();
    // The inner line lengths from the gross land and the length factor, after the question
    // "Kanal als Trennsystem?".
    void onLineLengthsClicked();
    // The connecting road through the area dialog, then its line lengths.
    void onAreaClicked();
    // The subsidy per unit of a levy from its rate and percentage; only while editing.
    void calculateLevySubsidy();
    void calculateWaterSubsidy();
    void calculateSeparateSewerSubsidy();
    void calculateCombinedSewerSubsidy();
    // The click on a preset button: asks before rows that hold values are replaced, then loads it.
    void onPresetClicked(const QString& presetName);
    // Replaces the project's settlement rows by a preset ("leer", "mit_Mobilisierung",
    // "ohne_Mobilisierung") and shows them; an unsaved grid edit is dropped, the project row's
    // pending edits stay pending.
    void setSettlementPreset(const QString& presetName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectAreas();
    void connectLevies();
    void connectButtons();
    void areaEntered(const QString& areaColumn, const QString& percentColumn);
    void deriveLevy(int row);
    // Writes derived values into the project row, in their order.
    void setValues(const QList<std::pair<QString, double>>& values);
    void commitFocusedInput();
    bool askSeparateSystem();
    // True when a settlement row shows a value other than 0 (pending edits included).
    bool settlementHoldsValues() const;
    double gross() const;
    double number(const QString& column) const;
    void showError(const QString& message);

    MainWindow& m_window;
    bool m_deriving = false;
    bool m_levyQueued = false;
};

} // namespace tavo
