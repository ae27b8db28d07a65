#pragma once

#include <QList>
#include <QSqlRecord>

#include "core/plan/PlanTypes.h"

namespace tavo {

// Which inputs a plan sets and to what: the gross land, the green and traffic areas with their
// shares and the net land, the inner and connecting line lengths per network and the building mix.
namespace PlanTargets {

struct Target {
    QString fieldKey; // a column of TAVO, or "Bebauung:<type>" for a share of the building mix
    double value = 0;
    QStringList layers; // the plan's layers the value was measured on
    bool marked = true; // measured (marked "aus Plan"), not only derived from a measured value
};

// The values the reading gives, for a project row and its Bebauung rows (bbTyp, bbAnteil): only
// fields the plan holds features for, and what follows from them as on the input pages (a new gross
// land re-derives the green and traffic areas the plan has none of from their shares, and the net
// land). Areas and lengths are rounded to whole m² and metres; the
// sewers follow the project's system (combined when it has combined but no separate sewer).
QVector<Target> targets(const PlanReading& reading, const QSqlRecord& project,
                        const QList<QSqlRecord>& buildings);

// The caption of a field as the input pages name it, e.g. "Wasserleitung (Lfm)" or "Bebauung EFHg,
// Anteil (%)".
QString caption(const QString& fieldKey);

// The prefix of the keys of building-mix shares.
inline QString buildingKeyPrefix() {
    return QStringLiteral("Bebauung:");
}

} // namespace PlanTargets

} // namespace tavo
