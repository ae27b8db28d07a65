#pragma once

#include <cstddef>

#include <QString>

namespace tavo {

class EngineContext;

// One booking item of a network as the tables of the steps list it: designation, evaluation type,
// length field, rate field, own-share field and the project years it falls in. The amount of a year is
// length × rate; every item is booked as expenditure.
struct BookingItem {
    const char* bezeichnung;
    const char* typ;
    const char* lengthField;
    const char* rateField;
    const char* ownShareField;
    int firstYear;
    int lastYear;
};

// Books each item in the given order, for each of its years in ascending order.
template <std::size_t N> void bookItems(EngineContext& ctx, const BookingItem (&items)[N]);

// Books one item for each of its years in ascending order.
void bookItem(EngineContext& ctx, const BookingItem& item);

// Books one item for one year.
void bookItemYear(EngineContext& ctx, const BookingItem& item, int year);

template <std::size_t N> void bookItems(EngineContext& ctx, const BookingItem (&items)[N]) {
    for (const BookingItem& item : items)
        bookItem(ctx, item);
}

} // namespace tavo
