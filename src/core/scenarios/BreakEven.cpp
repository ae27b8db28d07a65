#include "core/scenarios/BreakEven.h"

#include <cmath>
#include <vector>

#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/engine/Calculation.h"
#include "core/engine/LandDeal.h"

namespace tavo {

namespace BreakEven {
namespace {

constexpr int kScanSteps = 40;
constexpr int kMaxIterations = 200;
constexpr double kTolerance = 0.001; // a tenth of a cent

const char* const kRates[] = {"auHebesatzAufschl", "gsHebesatz", "auEinheitssatzKanalSchmutz",
                              "auEinheitssatzKanalMisch", "auEinheitssatzWasser"};
const char* const kDensities[] = {"bgBebDichte_GWB", "bgGstFl_EFHg", "bgGstFl_EFHk",
                                  "bgGstFl_RHg",     "bgGstFl_RHk",  "bgGstFl_GWB"};

bool isOwnShare(const QString& field) {
    return field.startsWith(QLatin1String("fiEigAnt"));
}

class Evaluator {
public:
    Evaluator(const EngineInput& base, const Request& request) : m_input(base), m_request(request) {}

    double operator()(double value) {
        m_input.project.setValue(m_request.field, value);
        const KeyFigures figures = computeKeyFigures(m_input, calculate(m_input), m_request.figures);
        return m_request.target == Target::Saldo ? figures.saldo : figures.barwert;
    }

private:
    EngineInput m_input;
    const Request& m_request;
};

// Narrows [a, b] with f(a) and f(b) of opposite signs to the zero: a secant step where it falls inside
// the bracket, otherwise the midpoint.
double narrow(Evaluator& f, double a, double fa, double b, double fb, double* figure) {
    double x = a;
    double fx = fa;
    for (int i = 0; i < kMaxIterations; ++i) {
        x = fb != fa ? b - fb * (b - a) / (fb - fa) : (a + b) / 2;
        const double margin = (b - a) * 1e-3;
        if (!(x > std::min(a, b) + margin && x < std::max(a, b) - margin) || i % 3 == 2)
            x = (a + b) / 2;
        fx = f(x);
        if (std::fabs(fx) <= kTolerance)
            break;
        if ((fx < 0) == (fa < 0)) {
            a = x;
            fa = fx;
        } else {
            b = x;
            fb = fx;
        }
        if (std::fabs(b - a) <= 1e-12 * std::max(1.0, std::fabs(x)))
            break;
    }
    *figure = fx;
    return x;
}

} // namespace

QStringList fields() {
    QStringList names;
    for (const char* name : kRates)
        names << QString::fromUtf8(name);
    for (const QString& column : UserSchema::numericProjectColumns())
        if (isOwnShare(column))
            names << column;
    for (const char* name : kDensities)
        names << QString::fromUtf8(name);
    // The sale price of the plots: the cost-covering price per m² of net building land.
    names << LandDeal::salePriceField();
    return names;
}

QString unit(const QString& field) {
    if (field == QLatin1String("auHebesatzAufschl"))
        return QStringLiteral("€ je m");
    if (field.startsWith(QLatin1String("auEinheitssatz")) || field == LandDeal::salePriceField())
        return QStringLiteral("€ je m²");
    if (field.startsWith(QLatin1String("bgGstFl")))
        return QStringLiteral("m²");
    // The property-tax multiplier, the own-funds shares and the density are percentages.
    return QStringLiteral("%");
}

std::pair<double, double> plausibleRange(const QString& field, double current) {
    if (isOwnShare(field))
        return {0.0, 100.0};
    if (field == QLatin1String("bgBebDichte_GWB"))
        return {1.0, std::max(400.0, 2 * current)};
    if (field.startsWith(QLatin1String("bgGstFl_")))
        return {50.0, std::max(5000.0, 2 * current)};
    if (field == LandDeal::salePriceField())
        return {0.0, std::max(5000.0, 10 * std::fabs(current))};
    // Rates: from none to ten times the current rate, at least to 1,000 (percent or euro per unit).
    return {0.0, std::max(1000.0, 10 * std::fabs(current))};
}

Result find(const EngineInput& base, const Request& request) {
    if (!fields().contains(request.field))
        throw TavoError(QStringLiteral("Für das Feld %1 wird kein Ausgleichswert gesucht (möglich: %2).")
                            .arg(request.field, fields().join(QStringLiteral(", "))));
    Evaluator f(base, request);
    Result result;
    result.field = request.field;
    result.target = request.target;
    result.currentValue = base.project.value(request.field);
    result.currentFigure = f(result.currentValue);
    const auto [low, high] = plausibleRange(request.field, result.currentValue);
    result.rangeLow = low;
    result.rangeHigh = high;
    if (std::fabs(result.currentFigure) <= kTolerance) {
        result.value = result.currentValue;
        result.figureAtValue = result.currentFigure;
        return result;
    }
    std::vector<double> xs;
    std::vector<double> ys;
    for (int i = 0; i <= kScanSteps; ++i) {
        xs.push_back(low + (high - low) * i / kScanSteps);
        ys.push_back(f(xs.back()));
    }
    // The change of sign nearest to the current value.
    int best = -1;
    for (int i = 0; i < kScanSteps; ++i) {
        if ((ys[i] < 0) == (ys[i + 1] < 0) && ys[i] != 0 && ys[i + 1] != 0)
            continue;
        const double distance = std::fabs((xs[i] + xs[i + 1]) / 2 - result.currentValue);
        if (best < 0 || distance < std::fabs((xs[best] + xs[best + 1]) / 2 - result.currentValue))
            best = i;
    }
    if (best < 0)
        return result;
    double figure = 0.0;
    if (ys[best] == 0) {
        result.value = xs[best];
        figure = ys[best];
    } else if (ys[best + 1] == 0) {
        result.value = xs[best + 1];
        figure = ys[best + 1];
    } else {
        result.value = narrow(f, xs[best], ys[best], xs[best + 1], ys[best + 1], &figure);
    }
    // A jump across zero (no value gives a balance within a cent of it) is no break-even either.
    if (std::fabs(figure) > 0.01) {
        result.value.reset();
        return result;
    }
    result.figureAtValue = figure;
    return result;
}

} // namespace BreakEven

} // namespace tavo
