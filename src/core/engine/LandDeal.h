#pragma once

#include <QString>

#include "core/engine/EngineInput.h"

namespace tavo {

class EngineContext;

// The municipality's land deal: it buys the gross land of the area (price per m² of gross land) and
// sells the net building land as plots (price per m² of net building land). Both are booked under
// "Sonstiges", which the Gemeinde bears alone; prices of 0 book nothing.
namespace LandDeal {

QString purchasePriceField(); // gvKaufpreisBrutto, € per m² of gross land
QString salePriceField();     // gvVerkaufspreisNetto, € per m² of net building land
QString purchaseYearField();  // gvKaufjahr, project year; empty or below 1: year 1
QString saleYearsField();     // gvVerkaufsjahre; empty or 0: with the settlement pace

// The evaluation type of both bookings.
QString evaluationType();

// The designations of the purchase and of the sales.
QString purchaseLabel();
QString saleLabel();

// The project year of the purchase for a stored year: the year itself, 1 for none or one below 1.
int purchaseYear(double storedYear);

// Fraction of the net building land sold in each project year (index 1..PlanningYears): evenly over
// the stated number of years from the purchase year on, or with the settlement pace (each building
// row's share of the land times the fraction of its type first occupied in the year).
Engine::YearValues soldShares(const EngineContext& ctx);

} // namespace LandDeal

} // namespace tavo
