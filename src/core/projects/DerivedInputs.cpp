#include "core/projects/DerivedInputs.h"

#include <cmath>
#include <limits>

#include "core/data/TavoError.h"

namespace tavo {

namespace DerivedArithmetic {

double wholeGross(double gross) {
    return std::trunc(gross);
}

double shareOfArea(double area, double gross) {
    return static_cast<double>(static_cast<long double>(area) / (wholeGross(gross) / 100.0L));
}

double areaOfShare(double gross, double percent, double currentArea) {
    const long double b = wholeGross(gross);
    if (b > 0 && shareOfArea(currentArea, gross) == percent)
        return currentArea;
    return static_cast<double>(std::trunc(b / 100.0L * static_cast<long double>(percent)));
}

AreaSplit splitAreas(double gross, double greenPercent, double trafficPercent, double currentGreen,
                     double currentTraffic) {
    AreaSplit split{};
    split.green = areaOfShare(gross, greenPercent, currentGreen);
    split.traffic = areaOfShare(gross, trafficPercent, currentTraffic);
    split.net = wholeGross(gross) - std::trunc(split.green) - std::trunc(split.traffic);
    return split;
}

double lineLength(double gross, double factor) {
    return static_cast<double>(std::trunc(static_cast<long double>(wholeGross(gross)) * factor));
}

SewerLengths sewerLengths(double length, bool separateSystem) {
    if (separateSystem)
        return {length, 0.0, 0.0};
    return {0.0, length, length};
}

double runningMetres(double area, double width) {
    if (width == 0)
        throw TavoError(QStringLiteral("Die Breite darf nicht 0 sein."));
    return static_cast<double>(std::trunc(static_cast<long double>(area) / width));
}

double roadArea(double runningMetres, double width, bool* ok) {
    const double area = runningMetres * width;
    *ok = std::isfinite(area);
    return *ok ? area : std::numeric_limits<double>::quiet_NaN();
}

double levySubsidy(double rate, double percent) {
    return static_cast<double>(std::trunc(static_cast<long double>(rate) / 100.0L * percent));
}

} // namespace DerivedArithmetic

namespace DerivedColumns {
namespace {

// The lines that get the whole length, in the order they are written.
const char* const kInnerLines[] = {"ifLfmStraßenbeleuchtung", "ifLfmStromleitung", "ifLfmDatenleitung",
                                   "ifLfmGasleitung", "ifLfmNahwärme"};
const char* const kConnectingLines[] = {"ifLfmAnschlWasserleitung", "ifLfmAnschlStraßenbeleuchtung",
                                        "ifLfmAnschlStromleitung",  "ifLfmAnschlDatenleitung",
                                        "ifLfmAnschlGasleitung",    "ifLfmAnschlNahwärme"};

// The three sewers of a length; prefix "" for the inner lines, "Anschl" for the connecting road.
void addSewers(Values& values, const QString& prefix, double length, bool separateSystem) {
    const DerivedArithmetic::SewerLengths sewer = DerivedArithmetic::sewerLengths(length, separateSystem);
    values.append({QStringLiteral("ifLfm%1KanalTrennsystem").arg(prefix), sewer.separate});
    values.append({QStringLiteral("ifLfm%1KanalMischsystem").arg(prefix), sewer.combined});
    values.append({QStringLiteral("ifLfm%1KanalStrEntwässerung").arg(prefix), sewer.roadDrainage});
}

} // namespace

Values innerLines(double gross, double factor, bool separateSystem) {
    const double length = DerivedArithmetic::lineLength(gross, factor);
    Values values{{QStringLiteral("ifLfmWasserleitung"), length}};
    addSewers(values, QString(), length, separateSystem);
    for (const char* line : kInnerLines)
        values.append({QString::fromUtf8(line), length});
    return values;
}

Values connectingLines(double runningMetres, bool separateSystem) {
    const double length = std::trunc(runningMetres);
    Values values;
    addSewers(values, QStringLiteral("Anschl"), length, separateSystem);
    for (const char* line : kConnectingLines)
        values.append({QString::fromUtf8(line), length});
    return values;
}

const QList<Levy>& levies() {
    static const QList<Levy> rows = {
        {QStringLiteral("auGemFörderungAufschl"), QStringLiteral("auHebesatzAufschl"),
         QStringLiteral("auAntGemFörderungAufschl"), QStringLiteral("Hebes. Aufschl.-Abgabe")},
        {QStringLiteral("auGemFörderungWasser"), QStringLiteral("auEinheitssatzWasser"),
         QStringLiteral("auAntGemFörderungWasser"), QStringLiteral("Einheitssatz Wasserl.")},
        {QStringLiteral("auGemFörderungKanalSchmutz"), QStringLiteral("auEinheitssatzKanalSchmutz"),
         QStringLiteral("auAntGemFörderungKanalSchmutz"), QStringLiteral("Einheitssatz Kanal Schmutzw.")},
        {QStringLiteral("auGemFörderungKanalMisch"), QStringLiteral("auEinheitssatzKanalMisch"),
         QStringLiteral("auAntGemFörderungKanalMisch"), QStringLiteral("Einheitssatz Kanal Mischw.")},
    };
    return rows;
}

} // namespace DerivedColumns

} // namespace tavo
