#include "core/scenarios/ScenarioComparison.h"

#include "core/engine/Calculation.h"

namespace tavo {

KeyFigures scenarioFigures(const EngineInput& base, const Scenarios::Parameters& parameters,
                           const KeyFigureOptions& options) {
    const EngineInput input = Scenarios::applied(base, parameters);
    return computeKeyFigures(input, calculate(input), options);
}

ScenarioComparison compareScenarios(const EngineInput& base, const Scenarios::Settings& settings,
                                    const MonteCarlo::Options& options) {
    ScenarioComparison comparison;
    comparison.basis = computeKeyFigures(base, calculate(base), options.figures);
    comparison.optimistic = scenarioFigures(base, settings.optimistic, options.figures);
    comparison.pessimistic = scenarioFigures(base, settings.pessimistic, options.figures);
    comparison.range = MonteCarlo::run(base, settings, options);
    return comparison;
}

} // namespace tavo
