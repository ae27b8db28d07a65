#include "core/master/Forecast.h"

#include <algorithm>

namespace tavo::Forecast {

namespace {

// The open top class at t gathers every age from TopAge - interval at t - interval.
double openClassBase(const AgeCounts& counts, int interval) {
    double sum = 0.0;
    for (int age = TopAge - interval; age <= TopAge; ++age)
        sum += counts[age];
    return sum;
}

void sexRatios(const AgeCounts& earlier, const AgeCounts& later, int interval, double women, AgeCounts& ratio,
               std::array<bool, Ages>& usable) {
    for (int age = 0; age <= TopAge; ++age) {
        double denominator = 0.0;
        if (age < interval)
            denominator = women;
        else if (age < TopAge)
            denominator = earlier[age - interval];
        else
            denominator = openClassBase(earlier, interval);
        usable[age] = denominator > 0.0;
        ratio[age] = usable[age] ? later[age] / denominator : 0.0;
    }
}

void sexStep(const AgeCounts& base, const AgeCounts& ratio, int interval, double newWomen, AgeCounts& next) {
    for (int age = interval; age < TopAge; ++age)
        next[age] = ratio[age] * base[age - interval];
    next[TopAge] = ratio[TopAge] * openClassBase(base, interval);
    for (int age = 0; age < interval; ++age)
        next[age] = ratio[age] * newWomen;
}

} // namespace

double women(const SexCounts& counts) {
    double sum = 0.0;
    for (int age = FirstMotherAge; age <= LastMotherAge; ++age)
        sum += counts.female[age];
    return sum;
}

Ratios ratios(const SexCounts& earlier, const SexCounts& later, int interval) {
    Ratios result;
    result.interval = interval;
    const double mothers = women(later);
    sexRatios(earlier.male, later.male, interval, mothers, result.male, result.maleUsable);
    sexRatios(earlier.female, later.female, interval, mothers, result.female, result.femaleUsable);
    return result;
}

void fillFrom(Ratios& area, const Ratios& region) {
    for (int age = 0; age <= TopAge; ++age) {
        const double kept = age < area.interval ? 0.0 : 1.0;
        if (!area.maleUsable[age])
            area.male[age] = region.maleUsable[age] ? region.male[age] : kept;
        if (!area.femaleUsable[age])
            area.female[age] = region.femaleUsable[age] ? region.female[age] : kept;
    }
}

SexCounts step(const SexCounts& base, const Ratios& ratios) {
    SexCounts next;
    // The women of 15-49 after the step are all older than the interval (at most 15 years), so the
    // cohorts are carried first and the births then follow from them.
    sexStep(base.female, ratios.female, ratios.interval, 0.0, next.female);
    sexStep(base.male, ratios.male, ratios.interval, 0.0, next.male);
    const double mothers = women(next);
    for (int age = 0; age < ratios.interval; ++age) {
        next.female[age] = ratios.female[age] * mothers;
        next.male[age] = ratios.male[age] * mothers;
    }
    return next;
}

std::vector<AgeCounts> project(const SexCounts& base, const Ratios& ratios) {
    const int interval = ratios.interval;
    std::vector<AgeCounts> steps;
    SexCounts current = base;
    for (int offset = 0;; offset += interval) {
        AgeCounts total{};
        for (int age = 0; age <= TopAge; ++age)
            total[age] = current.male[age] + current.female[age];
        steps.push_back(total);
        if (offset >= Years - 1)
            break;
        current = step(current, ratios);
    }
    std::vector<AgeCounts> years(Years);
    for (int offset = 0; offset < Years; ++offset) {
        const int k = offset / interval;
        const double share = static_cast<double>(offset - k * interval) / interval;
        const AgeCounts& from = steps[static_cast<std::size_t>(k)];
        const AgeCounts& to = steps[std::min(static_cast<std::size_t>(k + 1), steps.size() - 1)];
        for (int age = 0; age <= TopAge; ++age)
            years[static_cast<std::size_t>(offset)][age] = from[age] + share * (to[age] - from[age]);
    }
    return years;
}

} // namespace tavo::Forecast
