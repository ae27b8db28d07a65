// Fiscal equalisation and levies: per-inhabitant transfers (revenue) and levies (expenditure) for the
// inhabitants who move in from other municipalities, two years after the inhabitants' year.

#include "core/engine/EngineContext.h"
#include "core/engine/Steps.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

constexpr int kFiscalLag = 2;

// Per-inhabitant table, designation and side of each booking, in booking order.
struct PerCapitaItem {
    const char* table;
    const char* bezeichnung;
    bool isRevenue;
};

const PerCapitaItem kTransfers[] = {
    {"FA_Ertragsanteile", "Ertragsanteile", true},
    {"FA_Sekundäre_Transfers", "Sekundäre Transfers", true},
};

const PerCapitaItem kLevies[] = {
    {"Umlage_Jugendwohlfahrt", "Umlage Jugendwohlfahrt", false},
    {"Umlage_Sozialhilfe", "Umlage Sozialhilfe", false},
    {"Umlage_TLKAS", "Umlage TLKAS", false},
};

template <std::size_t N>
void bookPerCapita(EngineContext& ctx, const PerCapitaItem (&items)[N], int year, double inhabitants) {
    for (const PerCapitaItem& item : items) {
        const double value = ctx.municipalityYearValue(QString::fromUtf8(item.table), year);
        ctx.bookAmount(ctx.ProjectId, year, QStringLiteral("Finanzausgleich"),
                       QString::fromUtf8(item.bezeichnung), item.isRevenue, value * inhabitants, 0);
    }
}

} // namespace

namespace Steps {

void fiscalEqualisation(EngineContext& ctx) {
    for (int year = 1; year <= PlanningYears; ++year) {
        const double moving = ctx.projectField(QStringLiteral("auAnteilZuzug")) / 100 * ctx.inhabitants(year);
        if (year + kFiscalLag <= PlanningYears) {
            bookPerCapita(ctx, kTransfers, year + kFiscalLag, moving);
            bookPerCapita(ctx, kLevies, year + kFiscalLag, moving);
        }
    }
}

} // namespace Steps

} // namespace tavo
