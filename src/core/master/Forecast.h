#pragma once

#include <array>
#include <vector>

namespace tavo {

// A population forecast by single age with the Hamilton-Perry method: cohort-change ratios between
// two population counts d years apart carry every cohort d years on; the youngest d ages come from
// child-woman ratios (children of an age per woman aged 15-49). Sexes are carried separately and
// summed at the end. Ages 0 to TopAge, the top age being the open class "TopAge and older".
namespace Forecast {

constexpr int TopAge = 95;
constexpr int Ages = TopAge + 1;
constexpr int Years = 20;
// The women whose number drives the births.
constexpr int FirstMotherAge = 15;
constexpr int LastMotherAge = 49;

using AgeCounts = std::array<double, Ages>;

struct SexCounts {
    AgeCounts male{};
    AgeCounts female{};
};

// The ratios of one area: for ages a >= interval the cohort-change ratio P_t(a) / P_(t-d)(a-d) (the
// open top class against every age from TopAge-d on), for ages a < interval the child-woman ratio
// P_t(a) / W_t with W the women aged 15-49. usable[a] is false where the denominator was 0.
struct Ratios {
    int interval = 5;
    AgeCounts male{};
    AgeCounts female{};
    std::array<bool, Ages> maleUsable{};
    std::array<bool, Ages> femaleUsable{};
};

// The ratios from two counts interval years apart (1 <= interval <= 19).
Ratios ratios(const SexCounts& earlier, const SexCounts& later, int interval);

// Replaces every unusable ratio of area by the one of region (a sum over a larger area); where that
// is unusable too, a cohort keeps its size (1) and a child-woman ratio is 0.
void fillFrom(Ratios& area, const Ratios& region);

// One step of `interval` years from base.
SexCounts step(const SexCounts& base, const Ratios& ratios);

// The total (both sexes) by age for the forecast years 1..Years, year 1 being base itself. Between
// the steps (every `interval` years) every age is interpolated linearly; the last years lie between
// the last two steps.
std::vector<AgeCounts> project(const SexCounts& base, const Ratios& ratios);

// Women aged 15 to 49.
double women(const SexCounts& counts);

} // namespace Forecast

} // namespace tavo
