#pragma once

#include <QList>
#include <QString>

#include "core/engine/EngineInput.h"
#include "core/results/KeyFigures.h"
#include "core/scenarios/Scenarios.h"

namespace tavo {

// Which assumption moves the result most: each scenario parameter alone at its optimistic and at its
// pessimistic value, every other parameter as the project has it, calculated in memory (a tornado).
namespace Sensitivity {

// One parameter's effect on the 20-year balance and the net present value.
struct Bar {
    QString parameter;              // stored name, one of Scenarios::parameterNames()
    double optimisticValue = 0.0;   // the parameter's value in the optimistic set
    double pessimisticValue = 0.0;  // and in the pessimistic set
    double saldoOptimistic = 0.0;   // 20-year balance with the optimistic value alone
    double saldoPessimistic = 0.0;  // with the pessimistic value alone
    double barwertOptimistic = 0.0; // net present value, likewise
    double barwertPessimistic = 0.0;

    // The width of the bar: how far apart the two balances lie.
    double saldoWidth() const;
    double barwertWidth() const;
};

struct Tornado {
    double saldoBasis = 0.0; // the project as it is
    double barwertBasis = 0.0;
    QString costBearer; // as in the options; empty: all cost bearers together
    double discountRate = 3.0;
    QList<Bar> bars; // widest balance first; equal widths by net present value, then name order
};

// The tornado of the project. Throws TavoError when a calculation fails.
Tornado compute(const EngineInput& base, const Scenarios::Settings& settings,
                const KeyFigureOptions& options);

// The German caption of a parameter ("Baukosten (± %)", ...) as the windows, the report and tavo-cli
// show it; the stored name for one this version does not know.
QString caption(const QString& parameter);

} // namespace Sensitivity

} // namespace tavo
