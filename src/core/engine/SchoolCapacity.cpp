#include "core/engine/SchoolCapacity.h"

#include <algorithm>
#include <cmath>

namespace tavo {

namespace SchoolCapacity {

namespace {

// Children counts are sums of fractional inhabitants; a count a rounding error above a whole group
// does not open another one.
constexpr double kSlack = 1e-9;

bool isKindergarten(Institution institution) {
    return institution == Institution::Kindergarten;
}

} // namespace

QString placesField(Institution institution) {
    return isKindergarten(institution) ? QStringLiteral("siPlätzeKindergarten")
                                       : QStringLiteral("siPlätzeVolksschule");
}

QString groupsField(Institution institution) {
    return isKindergarten(institution) ? QStringLiteral("siGruppenKindergarten")
                                       : QStringLiteral("siKlassenVolksschule");
}

QString placesPerGroupField(Institution institution) {
    return isKindergarten(institution) ? QStringLiteral("siPlätzeJeGruppeKindergarten")
                                       : QStringLiteral("siPlätzeJeKlasseVolksschule");
}

QString constructionCostField(Institution institution) {
    return isKindergarten(institution) ? QStringLiteral("siKoErGruppeKindergarten")
                                       : QStringLiteral("siKoErKlasseVolksschule");
}

QString runningCostField(Institution institution) {
    return isKindergarten(institution) ? QStringLiteral("siKoEhGruppeKindergarten")
                                       : QStringLiteral("siKoEhKlasseVolksschule");
}

const std::vector<int>& ages(Institution institution) {
    static const std::vector<int> kindergarten = {3, 4, 5, 6};
    static const std::vector<int> school = {7, 8, 9, 10};
    return isKindergarten(institution) ? kindergarten : school;
}

bool isActive(const Inputs& inputs) {
    return inputs.placesPerGroup > 0 && (inputs.places > 0 || inputs.groups > 0);
}

int groupsBeyond(double children, double capacity, double placesPerGroup) {
    if (placesPerGroup <= 0 || children <= capacity + kSlack)
        return 0;
    return static_cast<int>(std::ceil((children - capacity) / placesPerGroup - kSlack));
}

Outcome evaluate(const Inputs& inputs, const Engine::YearValues& withProject,
                 const Engine::YearValues& withoutProject) {
    Outcome outcome;
    outcome.active = isActive(inputs);
    if (!outcome.active)
        return outcome;
    outcome.capacity = inputs.places > 0 ? inputs.places : inputs.groups * inputs.placesPerGroup;
    int builtSoFar = 0;
    for (int year = 1; year <= Engine::PlanningYears; ++year) {
        Year& y = outcome.years[year];
        y.children = withProject[year];
        y.childrenWithout = withoutProject[year];
        y.groupsNeeded = groupsBeyond(y.children, outcome.capacity, inputs.placesPerGroup);
        y.groupsWithout = groupsBeyond(y.childrenWithout, outcome.capacity, inputs.placesPerGroup);
        if (outcome.exceededYear == 0 && y.children > outcome.capacity + kSlack)
            outcome.exceededYear = year;
        // A group built stays: only groups beyond those built in earlier years are built anew.
        const int needed = std::max(0, outcome.projectGroups(year));
        y.groupsBuilt = std::max(0, needed - builtSoFar);
        builtSoFar = std::max(builtSoFar, needed);
    }
    return outcome;
}

} // namespace SchoolCapacity

} // namespace tavo
