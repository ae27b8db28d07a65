// Social infrastructure: yearly running costs of kindergartens, primary schools and other
// institutions for the inhabitants who move in, fully covered by own funds. Where the project states
// the capacity of kindergarten or school, that institution is booked in steps instead: a further
// group (class) built in the year the project's children first need it, and its running cost in
// every year it is needed.

#include <algorithm>
#include <vector>

#include "core/engine/EngineContext.h"
#include "core/engine/SchoolCapacity.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;
using SchoolCapacity::Institution;

// Designation, cost field and the ages counted (none listed: every age).
struct InstitutionItem {
    const char* bezeichnung;
    const char* costField;
    std::vector<int> ages;
};

const InstitutionItem kItems[] = {
    {"Erhaltung Kindergarten", "siKoEhKindergarten", {3, 4, 5, 6}},
    {"Erhaltung Volksschule", "siKoEhVolksschule", {7, 8, 9, 10}},
    {"Erhaltung sonst. Einrichtungen", "siKoEhSonstige", {}},
};

// Own funds cover the whole of these costs, so they bear no interest.
constexpr double kOwnShare = 100;

const QString kErrichtung = QStringLiteral("soz. Infrastruktur Errichtung");
const QString kErhaltung = QStringLiteral("soz. Infrastruktur Erhaltung");

SchoolCapacity::Inputs capacityInputs(const EngineContext& ctx, Institution institution) {
    SchoolCapacity::Inputs inputs;
    inputs.places = ctx.optionalProjectField(SchoolCapacity::placesField(institution));
    inputs.groups = ctx.optionalProjectField(SchoolCapacity::groupsField(institution));
    inputs.placesPerGroup = ctx.optionalProjectField(SchoolCapacity::placesPerGroupField(institution));
    if (SchoolCapacity::isActive(inputs)) {
        inputs.constructionCost = ctx.projectField(SchoolCapacity::constructionCostField(institution));
        inputs.runningCost = ctx.projectField(SchoolCapacity::runningCostField(institution));
    }
    return inputs;
}

// Children of the institution's ages in the municipality's forecast, per project year.
Engine::YearValues forecastChildren(const EngineContext& ctx, Institution institution) {
    Engine::YearValues children{};
    const std::vector<int>& ages = SchoolCapacity::ages(institution);
    for (const MunicipalityAgeRow& row : ctx.input().municipalityPopulation)
        if (std::find(ages.begin(), ages.end(), row.age) != ages.end())
            for (int year = 1; year <= PlanningYears; ++year)
                children[year] += row.values[year];
    return children;
}

SchoolCapacity::Outcome capacityOutcome(EngineContext& ctx, Institution institution,
                                        const SchoolCapacity::Inputs& inputs) {
    if (!SchoolCapacity::isActive(inputs))
        return {};
    const Engine::YearValues without = forecastChildren(ctx, institution);
    Engine::YearValues with = without;
    const double moving = ctx.projectField(QStringLiteral("auAnteilZuzug")) / 100;
    for (int year = 1; year <= PlanningYears; ++year)
        with[year] += moving * ctx.inhabitants(year, SchoolCapacity::ages(institution));
    return SchoolCapacity::evaluate(inputs, with, without);
}

struct StepBooking {
    const char* construction;
    const char* running;
    const char* ownShareConstruction; // nullptr: fully own funds
    const char* ownShareRunning;
};

void bookGroups(EngineContext& ctx, int year, const SchoolCapacity::Outcome& outcome,
                const SchoolCapacity::Inputs& inputs, const StepBooking& booking) {
    const auto ownShare = [&ctx](const char* field) {
        return field ? ctx.projectField(QString::fromUtf8(field)) : kOwnShare;
    };
    const auto ownShareField = [](const char* field) { return field ? QString::fromUtf8(field) : QString(); };
    ctx.bookAmount(ctx.ProjectId, year, kErrichtung, QString::fromUtf8(booking.construction), false,
                   outcome.years[year].groupsBuilt * inputs.constructionCost,
                   ownShare(booking.ownShareConstruction), ownShareField(booking.ownShareConstruction));
    ctx.bookAmount(ctx.ProjectId, year, kErhaltung, QString::fromUtf8(booking.running), false,
                   outcome.projectGroups(year) * inputs.runningCost, ownShare(booking.ownShareRunning),
                   ownShareField(booking.ownShareRunning));
}

// The kindergarten uses the own-funds shares of its construction and upkeep; the school's costs are
// covered by own funds as its running costs per child are.
const StepBooking kKindergartenSteps = {"Errichtung Kindergartengruppe", "Erhaltung Kindergartengruppen",
                                        "fiEigAntErKindergarten", "fiEigAntEhKindergarten"};
const StepBooking kSchoolSteps = {"Errichtung Volksschulklasse", "Erhaltung Volksschulklassen", nullptr,
                                  nullptr};

} // namespace

namespace Steps {

void socialInfrastructure(EngineContext& ctx) {
    const SchoolCapacity::Inputs kindergarten = capacityInputs(ctx, Institution::Kindergarten);
    const SchoolCapacity::Inputs school = capacityInputs(ctx, Institution::Volksschule);
    ctx.result().kindergarten = capacityOutcome(ctx, Institution::Kindergarten, kindergarten);
    ctx.result().volksschule = capacityOutcome(ctx, Institution::Volksschule, school);
    const SchoolCapacity::Outcome* steps[] = {&ctx.result().kindergarten, &ctx.result().volksschule};
    const SchoolCapacity::Inputs* inputs[] = {&kindergarten, &school};
    const StepBooking* bookings[] = {&kKindergartenSteps, &kSchoolSteps};
    for (int year = 1; year <= PlanningYears; ++year) {
        for (int i = 0; i < 3; ++i) {
            const InstitutionItem& item = kItems[i];
            if (i < 2 && steps[i]->active) {
                bookGroups(ctx, year, *steps[i], *inputs[i], *bookings[i]);
                continue;
            }
            const double residents =
                item.ages.empty() ? ctx.inhabitants(year) : ctx.inhabitants(year, item.ages);
            const double moving = ctx.projectField(QStringLiteral("auAnteilZuzug")) / 100 * residents;
            ctx.bookAmount(ctx.ProjectId, year, kErhaltung, QString::fromUtf8(item.bezeichnung), false,
                           ctx.projectField(QString::fromUtf8(item.costField)) * moving, kOwnShare);
        }
    }
}

} // namespace Steps

} // namespace tavo
