#include "core/engine/BookingItems.h"

#include "core/engine/EngineContext.h"

namespace tavo {

void bookItemYear(EngineContext& ctx, const BookingItem& item, int year) {
    const double amount = ctx.projectField(QString::fromUtf8(item.lengthField)) *
                          ctx.projectField(QString::fromUtf8(item.rateField));
    ctx.bookAmount(ctx.ProjectId, year, QString::fromUtf8(item.typ), QString::fromUtf8(item.bezeichnung),
                   false, amount, ctx.projectField(QString::fromUtf8(item.ownShareField)),
                   QString::fromUtf8(item.ownShareField));
}

void bookItem(EngineContext& ctx, const BookingItem& item) {
    for (int year = item.firstYear; year <= item.lastYear; ++year)
        bookItemYear(ctx, item, year);
}

} // namespace tavo
