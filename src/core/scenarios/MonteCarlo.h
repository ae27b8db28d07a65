#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/engine/EngineInput.h"
#include "core/results/KeyFigures.h"
#include "core/scenarios/Scenarios.h"

namespace tavo {

// The range of a project's results: many scenarios, each parameter drawn between its optimistic and
// its pessimistic value, calculated in memory on every core.
namespace MonteCarlo {

struct Options {
    int runs = 1000;
    std::uint64_t seed = 1;
    KeyFigureOptions figures; // cost bearer and discount rate of the figures
    int threads = 0;          // 0: one per core
    // Called now and then on the calling thread with the runs done so far and options.runs.
    std::function<void(int done, int runs)> progress;
};

// The 10th, 50th and 90th percentile (nearest rank) of a figure over the runs.
struct Percentiles {
    double p10 = 0.0;
    double p50 = 0.0;
    double p90 = 0.0;
};

struct Distribution {
    int runs = 0;
    Percentiles saldo;   // 20-year balance
    Percentiles barwert; // net present value
    // Payback year; a run that does not pay back within the 20 years counts as later than every year,
    // so a percentile among those is none (std::nullopt).
    std::array<std::optional<int>, 3> amortisationsjahr;        // P10, P50, P90
    std::array<Percentiles, KeyFigures::Years + 1> kumuliert{}; // per year 1..20: the band of the chart
};

// The parameters of run `index` for the seed: the same on every platform and whatever the number of
// threads. Uniform between the two sets; the settlement shift as a whole number of years.
Scenarios::Parameters draw(const Scenarios::Settings& range, std::uint64_t seed, int index);

// The nearest-rank percentile p (0 < p <= 100) of values, which it sorts.
double percentile(std::vector<double>& values, double p);

// Runs options.runs scenarios of base and reports the percentiles. Throws TavoError when a run fails
// (the message of the run with the lowest index), Interruption::Interrupted when a stop was requested
// before all runs were done.
Distribution run(const EngineInput& base, const Scenarios::Settings& range, const Options& options);

} // namespace MonteCarlo

} // namespace tavo
