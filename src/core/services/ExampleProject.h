#pragma once

#include <QString>

namespace tavo {

class Databases;

// The example project of a new user database, so that a first start shows results at once: a
// settlement extension of 3.2 ha in the municipality Mühlbach (PG 306) with detached, terraced and
// multi-storey houses built over eight years.
namespace ExampleProject {

// "Beispiel: Siedlungserweiterung Am Mühlbach"
QString name();

// Inserts the example project with its buildings, settlement pace and special expenditures (the
// fields the example leaves open take the defaults of the value lists) and calculates it. Returns
// its ID. Throws TavoError.
int create(const Databases& dbs);

// Makes DataLocations::open() put the example project into every user database it creates in the
// user data folder. Both programs call it at their start.
void addToNewUserDatabases();

} // namespace ExampleProject

} // namespace tavo
