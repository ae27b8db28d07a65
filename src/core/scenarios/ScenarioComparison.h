#pragma once

#include "core/engine/EngineInput.h"
#include "core/results/KeyFigures.h"
#include "core/scenarios/MonteCarlo.h"
#include "core/scenarios/Scenarios.h"

namespace tavo {

// What the key-figure page and `tavo-cli szenarien` show: the project as it is, its optimistic and
// pessimistic variant and the Monte Carlo range between them, all calculated in memory.
struct ScenarioComparison {
    KeyFigures basis;
    KeyFigures optimistic;
    KeyFigures pessimistic;
    MonteCarlo::Distribution range; // range.kumuliert: the band around basis.kumuliert
};

// The key figures of the project with the given scenario parameters (cost bearer and discount rate
// from options).
KeyFigures scenarioFigures(const EngineInput& base, const Scenarios::Parameters& parameters,
                           const KeyFigureOptions& options);

// Everything at once. Throws TavoError when a calculation fails.
ScenarioComparison compareScenarios(const EngineInput& base, const Scenarios::Settings& settings,
                                    const MonteCarlo::Options& options);

} // namespace tavo
