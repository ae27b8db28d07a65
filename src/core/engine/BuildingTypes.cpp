#include "core/engine/BuildingTypes.h"

#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/engine/EngineContext.h"

namespace tavo {

namespace BuildingTypes {
namespace {

const QString kGwb = QStringLiteral("GWB");

[[noreturn]] void unknownType(const QString& buildingType) {
    throw TavoError(QStringLiteral("Unbekannter Bebauungstyp: ") + NumberFormat::excerpt(buildingType));
}

bool isHouseType(const QString& buildingType) {
    return buildingType == QLatin1String("EFHg") || buildingType == QLatin1String("EFHk") ||
           buildingType == QLatin1String("RHg") || buildingType == QLatin1String("RHk");
}

// The caption of an input, as the error for a zero divisor names it.
QString fieldCaption(const QString& field) {
    if (field.startsWith(QLatin1String("bgGstFl_")))
        return QStringLiteral("Grundstücksgröße");
    if (field.startsWith(QLatin1String("bgNutzFl_")))
        return QStringLiteral("Wohnnutzfläche");
    return QString();
}

const QString kClasses[] = {QStringLiteral("I"),   QStringLiteral("II"),   QStringLiteral("III"),
                            QStringLiteral("IV"),  QStringLiteral("V"),    QStringLiteral("VI"),
                            QStringLiteral("VII"), QStringLiteral("VIII"), QStringLiteral("IX"),
                            QStringLiteral("X")};

// Position 1..10 of a building class, 0 for any other text (exact, case-sensitive).
int classNumber(const QString& bauklasse) {
    for (int i = 0; i < 10; ++i) {
        if (bauklasse == kClasses[i])
            return i + 1;
    }
    return 0;
}

} // namespace

int storeyCount(const QString& bauklasse) {
    const int number = classNumber(bauklasse);
    return number == 0 ? 11 : number;
}

double levyClassFactor(const QString& bauklasse) {
    const double factors[] = {1.00, 1.00, 1.25, 1.50, 1.75, 2.00, 2.25, 2.50, 2.75, 3.00, 3.25};
    return factors[classNumber(bauklasse)];
}

bool isKnownType(const QString& buildingType) {
    return isHouseType(buildingType) || buildingType == kGwb;
}

QString plotAreaField(const QString& buildingType) {
    return QStringLiteral("bgGstFl_") + buildingType;
}

double divideByField(double numerator, double divisor, const QString& field, const QString& buildingType) {
    const auto named = [&field] {
        const QString caption = fieldCaption(field);
        return caption.isEmpty() ? field : QStringLiteral("%1 (%2)").arg(field, caption);
    };
    if (divisor == 0)
        throw TavoError(
            QStringLiteral("Division durch 0: %1 ist 0 für Bebauungstyp %2").arg(named(), buildingType));
    const double quotient = numerator / divisor;
    // A vanishing divisor (1e-320) gives no 0 but an infinite quotient: named like the 0.
    if (!std::isfinite(quotient))
        throw TavoError(QStringLiteral("Division durch eine verschwindend kleine Zahl: %1 ist %2 für "
                                       "Bebauungstyp %3, das Ergebnis ist keine endliche Zahl.")
                            .arg(named(), NumberFormat::general(divisor), buildingType));
    return quotient;
}

double settlementShare(const EngineContext& ctx, int year, const QString& buildingType) {
    for (const SettlementRow& row : ctx.settlementRows()) {
        if (row.jahr != year)
            continue;
        const auto value = row.percent.constFind(buildingType);
        if (value == row.percent.constEnd())
            return 0.0;
        const double percent = NumberFormat::toDouble(value.value());
        if (!std::isfinite(percent))
            throw TavoError(QStringLiteral("Ungültiger Wert in der Besiedelung, Jahr %1, Spalte %2: keine "
                                           "endliche Zahl.")
                                .arg(year)
                                .arg(buildingType));
        return percent / 100;
    }
    return 0.0;
}

double plotArea(const EngineContext& ctx, const QString& buildingType) {
    if (!isKnownType(buildingType))
        unknownType(buildingType);
    return ctx.projectField(plotAreaField(buildingType));
}

double usableArea(const EngineContext& ctx, const QString& buildingType, bool withWalls) {
    if (!isHouseType(buildingType))
        unknownType(buildingType);
    const double area = ctx.projectField(QStringLiteral("bgNutzFl_") + buildingType);
    if (!withWalls)
        return area;
    const double side = std::sqrt(area) + ctx.projectField(QStringLiteral("bgWandstärke"));
    return side * side;
}

double gwbFloorArea(const EngineContext& ctx, double landArea) {
    return ctx.projectField(QStringLiteral("bgBebDichte_GWB")) / 100 * landArea;
}

double dwellingUnits(const EngineContext& ctx, const QString& buildingType, double sharePercent) {
    const double plot = plotArea(ctx, buildingType);
    const double netLand = ctx.projectField(QStringLiteral("bgFlBaulandNetto"));
    double unitsPerLand = 0;
    if (buildingType == kGwb) {
        const QString usableField = QStringLiteral("bgNutzFl_GWB");
        unitsPerLand = divideByField(ctx.projectField(QStringLiteral("bgBebDichte_GWB")) / 100 * netLand,
                                     ctx.projectField(usableField), usableField, buildingType);
    } else {
        unitsPerLand = divideByField(netLand, plot, plotAreaField(buildingType), buildingType);
    }
    return sharePercent / 100 * unitsPerLand;
}

} // namespace BuildingTypes

} // namespace tavo
