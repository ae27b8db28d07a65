#include "core/results/CapacityFigures.h"

#include <algorithm>

#include <QSqlQuery>
#include <QStringList>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/engine/EngineResult.h"

namespace tavo {

namespace {

using SchoolCapacity::Institution;

double number(const QVariant& value) {
    return value.isNull() ? 0.0 : NumberFormat::toDouble(value);
}

QStringList inputFields(Institution institution) {
    return {SchoolCapacity::placesField(institution), SchoolCapacity::groupsField(institution),
            SchoolCapacity::placesPerGroupField(institution),
            SchoolCapacity::constructionCostField(institution),
            SchoolCapacity::runningCostField(institution)};
}

SchoolCapacity::Inputs inputsAt(const QSqlQuery& q, int first) {
    return {number(q.value(first)), number(q.value(first + 1)), number(q.value(first + 2)),
            number(q.value(first + 3)), number(q.value(first + 4))};
}

QString ageList(Institution institution) {
    QStringList ages;
    for (int age : SchoolCapacity::ages(institution))
        ages << QString::number(age);
    return ages.join(QStringLiteral(", "));
}

// Inhabitants of the institution's ages per year: of the project (bBvB, key TAVO) or of the
// municipality (gBvB, key PG), times factor.
Engine::YearValues childrenPerYear(const QSqlDatabase& userDb, const QString& table, const QString& key,
                                   int keyValue, Institution institution, double factor) {
    Engine::YearValues children{};
    QSqlQuery q =
        Sql::exec(userDb,
                  QStringLiteral("SELECT \"Jahr\", COALESCE(SUM(\"Bewohner\"), 0) FROM %1 WHERE %2 = ? "
                                 "AND \"Alter\" IN (%3) GROUP BY \"Jahr\"")
                      .arg(Sql::quoted(table), Sql::quoted(key), ageList(institution)),
                  {keyValue});
    while (q.next()) {
        const int year = q.value(0).toInt();
        if (year >= 1 && year <= Engine::PlanningYears)
            children[year] = factor * q.value(1).toDouble();
    }
    return children;
}

SchoolCapacity::Outcome outcomeFromResults(const QSqlDatabase& userDb, int projectId, int pg, double moving,
                                           Institution institution, const SchoolCapacity::Inputs& inputs) {
    if (!SchoolCapacity::isActive(inputs))
        return {};
    const Engine::YearValues without =
        childrenPerYear(userDb, QStringLiteral("gBvB"), QStringLiteral("PG"), pg, institution, 1.0);
    const Engine::YearValues project = childrenPerYear(userDb, QStringLiteral("bBvB"), QStringLiteral("TAVO"),
                                                       projectId, institution, moving);
    Engine::YearValues with{};
    for (int year = 1; year <= Engine::PlanningYears; ++year)
        with[year] = without[year] + project[year];
    return SchoolCapacity::evaluate(inputs, with, without);
}

double optionalValue(const EngineInput& input, const QString& field) {
    return input.project.indexOf(field) < 0 ? 0.0 : number(input.project.raw(field));
}

SchoolCapacity::Inputs inputsInMemory(const EngineInput& input, Institution institution) {
    return {optionalValue(input, SchoolCapacity::placesField(institution)),
            optionalValue(input, SchoolCapacity::groupsField(institution)),
            optionalValue(input, SchoolCapacity::placesPerGroupField(institution)),
            optionalValue(input, SchoolCapacity::constructionCostField(institution)),
            optionalValue(input, SchoolCapacity::runningCostField(institution))};
}

// "Gruppe"/"Gruppen" (or "Klasse"/"Klassen") with the number the project needs at most.
QString projectGroupsText(int groups, const QString& one, const QString& many) {
    if (groups == 0)
        return QStringLiteral("keine weitere %1 durch das Projekt").arg(one);
    if (groups == 1)
        return QStringLiteral("1 weitere %1 durch das Projekt").arg(one);
    return QStringLiteral("bis zu %1 weitere %2 durch das Projekt").arg(groups).arg(many);
}

QString summaryLine(const QString& name, const QString& one, const QString& many,
                    const SchoolCapacity::Outcome& outcome) {
    const QString exceeded = outcome.exceededYear > 0
                                 ? QStringLiteral("überschritten ab Jahr %1").arg(outcome.exceededYear)
                                 : QStringLiteral("in 20 Jahren nicht überschritten");
    return QStringLiteral("%1: %2 Plätze, %3; %4")
        .arg(name, NumberFormat::general(outcome.capacity), exceeded,
             projectGroupsText(mostProjectGroups(outcome), one, many));
}

} // namespace

int mostProjectGroups(const SchoolCapacity::Outcome& outcome) {
    int most = 0;
    for (int year = 1; year <= Engine::PlanningYears; ++year)
        most = std::max(most, outcome.projectGroups(year));
    return most;
}

CapacityFigures computeCapacityFigures(const QSqlDatabase& userDb, int projectId) {
    const ReadTransaction read(userDb);
    return readCapacityFigures(userDb, projectId);
}

CapacityFigures readCapacityFigures(const QSqlDatabase& userDb, int projectId) {
    // The inputs of both institutions, the municipality and the share of movers in one reading.
    const QStringList columns = inputFields(Institution::Kindergarten) +
                                inputFields(Institution::Volksschule) +
                                QStringList{QStringLiteral("PG"), QStringLiteral("auAnteilZuzug")};
    QSqlQuery q = Sql::exec(
        userDb, QStringLiteral("SELECT %1 FROM \"TAVO\" WHERE \"ID\" = ?").arg(Sql::quotedList(columns)),
        {projectId});
    if (!q.next())
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(projectId));
    CapacityFigures figures;
    figures.kindergartenInputs = inputsAt(q, 0);
    figures.volksschuleInputs = inputsAt(q, 5);
    if (!SchoolCapacity::isActive(figures.kindergartenInputs) &&
        !SchoolCapacity::isActive(figures.volksschuleInputs))
        return figures;
    const int pg = NumberFormat::toInt(q.value(10));
    const double moving = number(q.value(11)) / 100;
    figures.kindergarten = outcomeFromResults(userDb, projectId, pg, moving, Institution::Kindergarten,
                                              figures.kindergartenInputs);
    figures.volksschule = outcomeFromResults(userDb, projectId, pg, moving, Institution::Volksschule,
                                             figures.volksschuleInputs);
    return figures;
}

CapacityFigures capacityFigures(const EngineInput& input, const EngineResult& result) {
    CapacityFigures figures;
    figures.kindergartenInputs = inputsInMemory(input, Institution::Kindergarten);
    figures.volksschuleInputs = inputsInMemory(input, Institution::Volksschule);
    figures.kindergarten = result.kindergarten;
    figures.volksschule = result.volksschule;
    return figures;
}

QStringList capacitySummary(const CapacityFigures& figures) {
    QStringList lines;
    if (figures.kindergarten.active)
        lines << summaryLine(QStringLiteral("Kindergarten"), QStringLiteral("Gruppe"),
                             QStringLiteral("Gruppen"), figures.kindergarten);
    if (figures.volksschule.active)
        lines << summaryLine(QStringLiteral("Volksschule"), QStringLiteral("Klasse"),
                             QStringLiteral("Klassen"), figures.volksschule);
    return lines;
}

} // namespace tavo
