#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "core/engine/EngineInput.h"

namespace tavo {

// A scenario is the project with changed inputs, calculated in memory and never written.
namespace Scenarios {

// How a scenario changes the project. Zero (and a stretch of 1) leaves the project as it is.
struct Parameters {
    int settlementShiftYears = 0;       // yearly settlement percentages moved later (+) or earlier (-)
    double settlementStretch = 1.0;     // settlement spread over this multiple of its duration (> 1: slower)
    double constructionCostPercent = 0; // construction cost rates (ifKoEr...) changed by this percent
    double maintenanceCostPercent = 0;  // maintenance and running cost rates (ifKoEh..., siKoEh...)
    double interestPoints = 0;          // debit and credit interest rate, percentage points (not below 0)
    double inhabitantsPercent = 0;      // inhabitants per dwelling unit changed by this percent
    double ratesPercent = 0;            // levy, fee and property-tax rates changed by this percent

    bool operator==(const Parameters& other) const;
};

// The optimistic and the pessimistic set of a project; together they span the range of the Monte
// Carlo draws (each parameter is drawn between its two values).
struct Settings {
    Parameters optimistic;
    Parameters pessimistic;
};

// The sets every project starts with (documented in the README and the manual).
Settings builtInSettings();

// The names of the parameters as stored and shown ("Besiedelung_Verschiebung", ...), in the order of
// Parameters.
QStringList parameterNames();

// Reads and writes one parameter by its name; an unknown name throws TavoError.
double parameterValue(const Parameters& parameters, const QString& name);
void setParameterValue(Parameters& parameters, const QString& name, double value);

// The project's stored sets; the built-in values for every parameter the project has not changed.
Settings loadSettings(const QSqlDatabase& user, int projectId);

// Stores the project's sets (one transaction), replacing what was stored.
void saveSettings(const QSqlDatabase& user, int projectId, const Settings& settings);

// The inputs of base with the scenario applied. Throws TavoError when a changed input is no finite number.
EngineInput applied(const EngineInput& base, const Parameters& parameters);

} // namespace Scenarios

} // namespace tavo
