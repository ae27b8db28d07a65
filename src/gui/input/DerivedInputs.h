#pragma once

#include <QObject>
#include <QString>

class MainWindow;

// The arithmetic of the derived inputs. Every conversion to a whole number truncates toward zero;
// nothing rounds. Intermediate results are computed in extended precision.
namespace DerivedArithmetic {

// The gross building land as the derivations read it: a whole number.
double wholeGross(double gross);

// The green or traffic area for a share in percent of the gross land: trunc(B / 100 * percent).
// currentArea is the area the row holds now: when its own share of B is exactly percent (the
// percentage was derived from it, see shareOfArea), it stays, so an area typed by the user is
// never replaced by one a square metre smaller through the representation of the percentage.
double areaOfShare(double gross, double percent, double currentArea);

// The share in percent that an area takes of the gross land: area / (B / 100). B must be > 0.
double shareOfArea(double area, double gross);

// The green area, the traffic area and the net building land derived from the gross land.
struct AreaSplit {
    double green;
    double traffic;
    double net;
};
AreaSplit splitAreas(double gross, double greenPercent, double trafficPercent, double currentGreen,
                     double currentTraffic);

// The length of every inner line: trunc(B * factor).
double lineLength(double gross, double factor);

// The sewer lengths for a line length: a separate system gets it in the separate sewer only, a
// combined system in the combined sewer and in the road drainage.
struct SewerLengths {
    double separate;
    double combined;
    double roadDrainage;
};
SewerLengths sewerLengths(double length, bool separateSystem);

// The running metres of a road of this area and width: trunc(area / width). Throws TavoError for
// a width of 0.
double runningMetres(double area, double width);

// The subsidy per unit of a levy rate: trunc(rate / 100 * percent).
double levySubsidy(double rate, double percent);

} // namespace DerivedArithmetic

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
