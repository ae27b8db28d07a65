#pragma once

#include <array>

#include <QString>

#include "core/engine/EngineInput.h"

namespace tavo {

// Capacity of the municipality's kindergarten and primary school. Children of the age group are the
// municipality's forecast plus the project's children who move in from other municipalities. Once they
// outnumber the existing places, further groups (classes) are needed; the project bears those that its
// own children make necessary: their construction in the year they are first needed, their running
// cost in every year they are needed.
namespace SchoolCapacity {

enum class Institution { Kindergarten, Volksschule };

// The inputs of one institution as the project record holds them.
struct Inputs {
    double places = 0;           // existing places; 0: groups × places per group
    double groups = 0;           // existing groups (classes)
    double placesPerGroup = 0;   // places of one group (class)
    double constructionCost = 0; // per further group
    double runningCost = 0;      // per further group and year
};

struct Year {
    double children = 0;        // forecast plus the project's children who move in
    double childrenWithout = 0; // forecast alone
    int groupsNeeded = 0;       // further groups needed with the project
    int groupsWithout = 0;      // further groups the forecast alone needs
    int groupsBuilt = 0;        // further groups the project makes necessary for the first time this year
};

struct Outcome {
    bool active = false;  // the project states places or groups and the places per group
    double capacity = 0;  // existing places
    int exceededYear = 0; // first project year whose children outnumber the places; 0: none
    std::array<Year, Engine::PlanningYears + 1> years{}; // index 1..PlanningYears

    // Further groups the project's own children need in the year (with minus without the project).
    int projectGroups(int year) const { return years[year].groupsNeeded - years[year].groupsWithout; }
};

// Project fields of an institution, as the input pages and the breakeven name them.
QString placesField(Institution institution);
QString groupsField(Institution institution);
QString placesPerGroupField(Institution institution);
QString constructionCostField(Institution institution);
QString runningCostField(Institution institution);

// Kindergarten: ages 3 to 6; Volksschule: ages 7 to 10.
const std::vector<int>& ages(Institution institution);

// Whether inputs switch the capacity steps on: places per group and existing places or groups given.
bool isActive(const Inputs& inputs);

// Groups beyond the existing places that `children` need: (children - capacity) / placesPerGroup,
// rounded up; 0 while the places suffice.
int groupsBeyond(double children, double capacity, double placesPerGroup);

// The outcome for children per project year (index 1..PlanningYears) with and without the project.
Outcome evaluate(const Inputs& inputs, const Engine::YearValues& withProject,
                 const Engine::YearValues& withoutProject);

} // namespace SchoolCapacity

} // namespace tavo
