#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace tavo {

// The inputs in which variants of a plan differ, each under a caption of its own with its unit, as
// the variant comparison lists them.
namespace InputComparison {

struct Line {
    QString caption;    // "Baugebiet/Bebauung: Fläche öffentliche Grünflächen (m2)"
    QStringList values; // one per project, in the order asked; "–" where the project has none
};

// The lines in which the projects differ: the inputs of the project row under their captions; the
// building mix per type and class ("Bebauung EFHg, Bauklasse II: Anteil (%)"); the settlement per year
// and type ("Besiedelung Jahr 3: EFHg (%)"); the special expenditures per year and designation with
// type and cost bearer, and their sum. Rows of one key in one project are added up. Throws TavoError
// on a database error.
QList<Line> differingInputs(const QSqlDatabase& user, const QList<int>& projectIds);

} // namespace InputComparison

} // namespace tavo
