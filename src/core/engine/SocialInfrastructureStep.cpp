// Social infrastructure: yearly running costs of kindergartens, primary schools and other
// institutions for the inhabitants who move in, fully covered by own funds.

#include <vector>

#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

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

} // namespace

namespace Steps {

void socialInfrastructure(EngineContext& ctx) {
    for (int year = 1; year <= PlanningYears; ++year) {
        for (const InstitutionItem& item : kItems) {
            const double residents =
                item.ages.empty() ? ctx.inhabitants(year) : ctx.inhabitants(year, item.ages);
            const double moving = ctx.projectField(QStringLiteral("auAnteilZuzug")) / 100 * residents;
            ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("soz. Infrastruktur Erhaltung"),
                           QString::fromUtf8(item.bezeichnung), false,
                           ctx.projectField(QString::fromUtf8(item.costField)) * moving, kOwnShare);
        }
    }
}

} // namespace Steps

} // namespace tavo
