#pragma once

#include <utility>

#include <QList>
#include <QString>

namespace tavo {

// Inputs of the project row that follow from others: the green and traffic areas and the net building
// land from the gross land, the lengths of the lines from the gross land or the connecting road, the
// municipality's subsidy per unit of a levy. The input pages offer them as a help while editing; what
// is stored is what the planner keeps.

// The arithmetic of the derived inputs. Every conversion to a whole number truncates toward zero;
// nothing rounds. Intermediate results are computed in extended precision.
namespace DerivedArithmetic {

// The usual width of a connecting road in metres, which the area dialog starts with.
constexpr double DefaultRoadWidth = 8.5;

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

// The area of a road of these running metres and this width, untruncated; false in *ok (and NaN)
// when the product is no finite number.
double roadArea(double runningMetres, double width, bool* ok);

// The subsidy per unit of a levy rate: trunc(rate / 100 * percent).
double levySubsidy(double rate, double percent);

} // namespace DerivedArithmetic

// The columns of the project row a derivation reads and writes.
namespace DerivedColumns {

// Column names and the values a derivation gives them, in the order they are written.
using Values = QList<std::pair<QString, double>>;

// The inner lines from the gross land and the length factor ifFaktorLeitungslängen: the water main
// and every other inner line get the whole length trunc(B * factor), the sewers as sewerLengths()
// gives them for the system.
Values innerLines(double gross, double factor, bool separateSystem);

// The lines along the connecting road (whose area ifFlAnschlStraße the area dialog gives): every
// connecting line gets the running metres, truncated, the connecting sewers as sewerLengths() gives
// them for the system.
Values connectingLines(double runningMetres, bool separateSystem);

// A levy whose subsidy per unit derives from its rate and the municipality's percentage.
struct Levy {
    QString derived;     // the subsidy per unit
    QString rate;        // the rate or unit charge
    QString percent;     // the municipality's subsidy in percent
    QString rateCaption; // the rate's name in a message about its text
};

// The development levy first, then water, separate and combined sewer.
const QList<Levy>& levies();

} // namespace DerivedColumns

} // namespace tavo
