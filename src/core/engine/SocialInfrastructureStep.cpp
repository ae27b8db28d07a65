// Social infrastructure: yearly running costs of kindergartens, primary schools and other
// institutions for the inhabitants who move in, fully covered by own funds.

#include <memory>
#include <vector>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace {

using Engine::PlanningYears;

// Designation, cost field and the ages counted (an empty condition counts every age).
struct InstitutionItem {
    const char* bezeichnung;
    const char* costField;
    const char* ageCondition;
};

const InstitutionItem kItems[] = {
    {"Erhaltung Kindergarten", "siKoEhKindergarten", " AND \"Alter\" IN (3, 4, 5, 6)"},
    {"Erhaltung Volksschule", "siKoEhVolksschule", " AND \"Alter\" IN (7, 8, 9, 10)"},
    {"Erhaltung sonst. Einrichtungen", "siKoEhSonstige", ""},
};

// Own funds cover the whole of these costs, so they bear no interest.
constexpr double kOwnShare = 100;

} // namespace

namespace Steps {

void socialInfrastructure(EngineContext& ctx) {
    std::vector<std::unique_ptr<QSqlQuery>> queries;
    for (const InstitutionItem& item : kItems) {
        queries.push_back(std::make_unique<QSqlQuery>(ctx.user()));
        queries.back()->setForwardOnly(true);
        Sql::prepare(*queries.back(),
                     QStringLiteral("SELECT Sum(Bewohner) FROM bBvB WHERE TAVO = ? AND Jahr = ?") +
                         QString::fromUtf8(item.ageCondition));
    }
    for (int year = 1; year <= PlanningYears; ++year) {
        for (std::size_t i = 0; i < queries.size(); ++i) {
            QSqlQuery& query = *queries[i];
            query.bindValue(0, ctx.ProjectId);
            query.bindValue(1, year);
            Sql::execPrepared(query);
            const double residents = query.next() ? NumberFormat::toDouble(query.value(0)) : 0.0;
            query.finish();
            const double moving = ctx.projectField(QStringLiteral("auAnteilZuzug")) / 100 * residents;
            ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("soz. Infrastruktur Erhaltung"),
                           QString::fromUtf8(kItems[i].bezeichnung), false,
                           ctx.projectField(QString::fromUtf8(kItems[i].costField)) * moving, kOwnShare);
        }
    }
}

} // namespace Steps
