#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "core/engine/EngineInput.h"
#include "core/results/KeyFigures.h"

namespace tavo {

// Break-even: the value of one input at which a cost bearer's 20-year balance (or net present value)
// is zero, found over the calculation in memory.
namespace BreakEven {

enum class Target { Saldo, Barwert };

struct Request {
    QString field; // an input of breakEvenFields()
    Target target = Target::Saldo;
    KeyFigureOptions figures; // cost bearer and discount rate
};

struct Result {
    QString field;
    Target target = Target::Saldo;
    double currentValue = 0.0;  // the project's value of the field
    double currentFigure = 0.0; // the target figure with it
    double rangeLow = 0.0;      // the range searched
    double rangeHigh = 0.0;
    std::optional<double> value;         // none: "nicht erreichbar" within the range
    std::optional<double> figureAtValue; // the target figure at value (within a cent of 0)
};

// The inputs a break-even can be asked for: the levy, fee and tax rates, the own-funds shares and the
// building densities (density of the multi-storey housing, plot area per dwelling unit) and the sale
// price of the plots (per m² of net building land).
QStringList fields();

// The unit of a field's value as shown after it ("%", "€ je m", "€ je m²", "m²").
QString unit(const QString& field);

// The plausible range of a field for a project whose current value is `current`.
std::pair<double, double> plausibleRange(const QString& field, double current);

// Finds the value. The range is scanned in steps for a change of sign and the change nearest to the
// current value is then narrowed by bisection with secant steps. Throws TavoError for a field that is
// not offered and when a calculation fails.
Result find(const EngineInput& base, const Request& request);

} // namespace BreakEven

} // namespace tavo
