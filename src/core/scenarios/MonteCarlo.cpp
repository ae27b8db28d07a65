#include "core/scenarios/MonteCarlo.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <random>
#include <thread>
#include <vector>

#include "core/data/Interruption.h"
#include "core/data/TavoError.h"
#include "core/scenarios/ScenarioComparison.h"

namespace tavo {

namespace MonteCarlo {
namespace {

// Spreads a seed and a run index over 64 bits (SplitMix64), so that neighbouring runs get unrelated
// generators.
std::uint64_t mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

// A uniform number in [0, 1) from the top 53 bits of one draw: the same on every standard library,
// unlike std::uniform_real_distribution.
double unit(std::mt19937_64& generator) {
    return static_cast<double>(generator() >> 11) * (1.0 / 9007199254740992.0);
}

double between(std::mt19937_64& generator, double a, double b) {
    return a + unit(generator) * (b - a);
}

struct RunFigures {
    double saldo = 0.0;
    double barwert = 0.0;
    int payback = KeyFigures::Years + 1; // not within the planning years
    KeyFigures::YearValues kumuliert{};
};

RunFigures calculateRun(const EngineInput& base, const Scenarios::Parameters& parameters,
                        const KeyFigureOptions& options) {
    const KeyFigures figures = scenarioFigures(base, parameters, options);
    RunFigures result;
    result.saldo = figures.saldo;
    result.barwert = figures.barwert;
    if (figures.amortisationsjahr)
        result.payback = *figures.amortisationsjahr;
    result.kumuliert = figures.kumuliert;
    return result;
}

Percentiles percentiles(std::vector<double> values) {
    return {percentile(values, 10), percentile(values, 50), percentile(values, 90)};
}

} // namespace

Scenarios::Parameters draw(const Scenarios::Settings& range, std::uint64_t seed, int index) {
    std::mt19937_64 generator(mix(seed ^ mix(static_cast<std::uint64_t>(index))));
    const Scenarios::Parameters& a = range.optimistic;
    const Scenarios::Parameters& b = range.pessimistic;
    Scenarios::Parameters p;
    const int low = std::min(a.settlementShiftYears, b.settlementShiftYears);
    const int high = std::max(a.settlementShiftYears, b.settlementShiftYears);
    const double count = static_cast<double>(high - low + 1);
    p.settlementShiftYears =
        low + std::min(high - low, static_cast<int>(std::floor(unit(generator) * count)));
    p.settlementStretch = between(generator, a.settlementStretch, b.settlementStretch);
    p.constructionCostPercent = between(generator, a.constructionCostPercent, b.constructionCostPercent);
    p.maintenanceCostPercent = between(generator, a.maintenanceCostPercent, b.maintenanceCostPercent);
    p.interestPoints = between(generator, a.interestPoints, b.interestPoints);
    p.inhabitantsPercent = between(generator, a.inhabitantsPercent, b.inhabitantsPercent);
    p.ratesPercent = between(generator, a.ratesPercent, b.ratesPercent);
    return p;
}

double percentile(std::vector<double>& values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const std::size_t index =
        static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size()))) - 1;
    return values[index];
}

Distribution run(const EngineInput& base, const Scenarios::Settings& range, const Options& options) {
    const int runs = std::max(1, options.runs);
    std::vector<RunFigures> results(static_cast<std::size_t>(runs));
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(runs));
    const int threads = std::clamp(
        options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency()), 1,
        runs);
    std::atomic<int> done{0};
    // Run i is drawn from (seed, i) alone and stored at i: the results do not depend on the threads.
    // The calling thread (first 0) reports the progress.
    auto work = [&](int first) {
        for (int i = first; i < runs && !Interruption::requested(); i += threads) {
            try {
                results[static_cast<std::size_t>(i)] =
                    calculateRun(base, draw(range, options.seed, i), options.figures);
            } catch (...) {
                errors[static_cast<std::size_t>(i)] = std::current_exception();
            }
            const int finished = ++done;
            if (first == 0 && options.progress)
                options.progress(finished, runs);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work, t);
    work(0);
    for (std::thread& thread : pool)
        thread.join();
    if (done.load() < runs)
        Interruption::throwIfRequested();
    if (options.progress)
        options.progress(runs, runs);
    for (const std::exception_ptr& error : errors) {
        if (!error)
            continue;
        try {
            std::rethrow_exception(error);
        } catch (const TavoError&) {
            throw;
        } catch (const std::exception& e) {
            throw TavoError(
                QStringLiteral("Fehler bei der Berechnung: %1").arg(QString::fromLocal8Bit(e.what())));
        }
    }

    Distribution distribution;
    distribution.runs = runs;
    std::vector<double> saldo, barwert, payback;
    for (const RunFigures& r : results) {
        saldo.push_back(r.saldo);
        barwert.push_back(r.barwert);
        payback.push_back(r.payback);
    }
    distribution.saldo = percentiles(saldo);
    distribution.barwert = percentiles(barwert);
    const Percentiles years = percentiles(payback);
    int i = 0;
    for (double year : {years.p10, years.p50, years.p90}) {
        if (year <= KeyFigures::Years)
            distribution.amortisationsjahr[static_cast<std::size_t>(i)] = static_cast<int>(year);
        ++i;
    }
    for (int j = 1; j <= KeyFigures::Years; ++j) {
        std::vector<double> values;
        for (const RunFigures& r : results)
            values.push_back(r.kumuliert[j]);
        distribution.kumuliert[j] = percentiles(values);
    }
    return distribution;
}

} // namespace MonteCarlo

} // namespace tavo
