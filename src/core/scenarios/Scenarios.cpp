#include "core/scenarios/Scenarios.h"

#include <algorithm>
#include <cmath>

#include <QSqlQuery>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

namespace tavo {

namespace Scenarios {
namespace {

using Engine::PlanningYears;

const QString kOptimistic = QStringLiteral("optimistisch");
const QString kPessimistic = QStringLiteral("pessimistisch");
const char* const kTypeCodes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

// Each parameter: its stored name and where it lives in Parameters.
struct ParameterField {
    const char* name;
    double Parameters::*value;
};

const ParameterField kDoubleFields[] = {
    {"Besiedelung_Streckung", &Parameters::settlementStretch},
    {"Baukosten_Prozent", &Parameters::constructionCostPercent},
    {"Erhaltungskosten_Prozent", &Parameters::maintenanceCostPercent},
    {"Zinsen_Prozentpunkte", &Parameters::interestPoints},
    {"Bewohner_je_Wohneinheit_Prozent", &Parameters::inhabitantsPercent},
    {"Abgaben_Gebuehren_Steuern_Prozent", &Parameters::ratesPercent},
};
const QString kShift = QStringLiteral("Besiedelung_Verschiebung");

const char* const kRateFields[] = {"auHebesatzAufschl", "auEinheitssatzWasser", "auEinheitssatzKanalSchmutz",
                                   "auEinheitssatzKanalMisch", "gsHebesatz"};

void scaleFields(ProjectInputs& project, const QStringList& names, double percent) {
    if (percent == 0)
        return;
    for (const QString& name : names)
        project.setValue(name, project.value(name) * (1 + percent / 100));
}

QStringList fieldsStartingWith(const QStringList& prefixes) {
    QStringList names;
    for (const QString& column : UserSchema::numericProjectColumns())
        for (const QString& prefix : prefixes)
            if (column.startsWith(prefix))
                names << column;
    return names;
}

// The share settled by the end of (possibly fractional) year t, from the cumulative shares by year.
double cumulativeAt(const Engine::YearValues& cumulative, double t) {
    if (t <= 0)
        return 0.0;
    if (t >= PlanningYears)
        return cumulative[PlanningYears];
    const int whole = static_cast<int>(std::floor(t));
    const double below = whole == 0 ? 0.0 : cumulative[whole];
    return below + (t - whole) * (cumulative[whole + 1] - below);
}

// Settlement of one type, stretched in time by `stretch` and then moved by `shift` whole years. What
// moves beyond year 20 is not settled within the planning years; what moves before year 1 is settled
// in year 1.
Engine::YearValues reshapedPace(const Engine::YearValues& percent, int shift, double stretch) {
    Engine::YearValues cumulative{};
    for (int y = 1; y <= PlanningYears; ++y)
        cumulative[y] = cumulative[y - 1] + percent[y];
    Engine::YearValues stretched{};
    for (int y = 1; y <= PlanningYears; ++y)
        stretched[y] = cumulativeAt(cumulative, y / stretch) - cumulativeAt(cumulative, (y - 1) / stretch);
    Engine::YearValues moved{};
    for (int y = 1; y <= PlanningYears; ++y) {
        const int target = std::max(1, y + shift);
        if (target <= PlanningYears)
            moved[target] += stretched[y];
    }
    return moved;
}

void reshapeSettlement(EngineInput& input, int shift, double stretch) {
    if (shift == 0 && stretch == 1.0)
        return;
    if (!(stretch > 0) || !std::isfinite(stretch))
        throw TavoError(QStringLiteral("Ungültige Streckung der Besiedelung: %1").arg(stretch));
    std::array<Engine::YearValues, 5> pace{};
    for (int year = 1; year <= PlanningYears; ++year) {
        const auto row = std::find_if(input.settlements.begin(), input.settlements.end(),
                                      [year](const SettlementRow& r) { return r.jahr == year; });
        if (row == input.settlements.end())
            continue;
        for (int type = 0; type < 5; ++type)
            pace[type][year] = NumberFormat::toDouble(row->percent.value(QLatin1String(kTypeCodes[type])));
    }
    for (auto& values : pace)
        values = reshapedPace(values, shift, stretch);
    input.settlements.clear();
    for (int year = 1; year <= PlanningYears; ++year) {
        SettlementRow row;
        row.jahr = year;
        for (int type = 0; type < 5; ++type)
            row.percent.insert(QLatin1String(kTypeCodes[type]), pace[type][year]);
        input.settlements.push_back(row);
    }
}

void scaleInhabitants(EngineInput& input, double percent) {
    if (percent == 0)
        return;
    for (auto& [type, table] : input.perUnit)
        for (PerUnitInhabitants::AgeRow& row : table.rows)
            for (double& value : row.perYear)
                value *= 1 + percent / 100;
}

void shiftInterest(ProjectInputs& project, double points) {
    if (points == 0)
        return;
    for (const QString& name : {QStringLiteral("fiZinsenSoll"), QStringLiteral("fiZinsenHaben")})
        project.setValue(name, std::max(0.0, project.value(name) + points));
}

} // namespace

bool Parameters::operator==(const Parameters& other) const {
    if (settlementShiftYears != other.settlementShiftYears)
        return false;
    for (const ParameterField& field : kDoubleFields)
        if (this->*field.value != other.*field.value)
            return false;
    return true;
}

Settings builtInSettings() {
    Settings settings;
    Parameters& good = settings.optimistic;
    good.settlementShiftYears = -1;
    good.settlementStretch = 0.9;
    good.constructionCostPercent = -10;
    good.maintenanceCostPercent = -10;
    good.interestPoints = -1;
    good.inhabitantsPercent = 5;
    good.ratesPercent = 5;
    Parameters& bad = settings.pessimistic;
    bad.settlementShiftYears = 2;
    bad.settlementStretch = 1.25;
    bad.constructionCostPercent = 20;
    bad.maintenanceCostPercent = 15;
    bad.interestPoints = 2;
    bad.inhabitantsPercent = -10;
    bad.ratesPercent = -5;
    return settings;
}

QStringList parameterNames() {
    QStringList names{kShift};
    for (const ParameterField& field : kDoubleFields)
        names << QString::fromUtf8(field.name);
    return names;
}

double parameterValue(const Parameters& parameters, const QString& name) {
    if (name == kShift)
        return parameters.settlementShiftYears;
    for (const ParameterField& field : kDoubleFields)
        if (name == QLatin1String(field.name))
            return parameters.*field.value;
    throw TavoError(QStringLiteral("Unbekannter Szenario-Parameter: %1").arg(name));
}

void setParameterValue(Parameters& parameters, const QString& name, double value) {
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiger Wert für %1: keine endliche Zahl.").arg(name));
    if (name == kShift) {
        if (std::fabs(value) > PlanningYears)
            throw TavoError(QStringLiteral("Ungültige Verschiebung der Besiedelung: %1 Jahre").arg(value));
        parameters.settlementShiftYears = static_cast<int>(std::lround(value));
        return;
    }
    for (const ParameterField& field : kDoubleFields) {
        if (name == QLatin1String(field.name)) {
            parameters.*field.value = value;
            return;
        }
    }
    throw TavoError(QStringLiteral("Unbekannter Szenario-Parameter: %1").arg(name));
}

Settings loadSettings(const QSqlDatabase& user, int projectId) {
    Settings settings = builtInSettings();
    QSqlQuery rows = Sql::exec(
        user,
        QStringLiteral("SELECT \"Szenario\", \"Parameter\", \"Wert\" FROM \"Szenarien\" WHERE \"TAVO\" = ?"),
        {projectId});
    while (rows.next()) {
        const QString scenario = rows.value(0).toString();
        Parameters* target = scenario == kOptimistic    ? &settings.optimistic
                             : scenario == kPessimistic ? &settings.pessimistic
                                                        : nullptr;
        // A parameter this version does not know (written by a later one) is left alone.
        if (!target || !parameterNames().contains(rows.value(1).toString()))
            continue;
        setParameterValue(*target, rows.value(1).toString(),
                          NumberFormat::storedNumberOrThrow(rows.value(2), QStringLiteral("Szenarien.Wert"),
                                                            QStringLiteral("Projekt %1").arg(projectId)));
    }
    return settings;
}

void saveSettings(const QSqlDatabase& user, int projectId, const Settings& settings) {
    Transaction transaction(user);
    Sql::exec(user, QStringLiteral("DELETE FROM \"Szenarien\" WHERE \"TAVO\" = ?"), {projectId});
    QSqlQuery insert(user);
    Sql::prepare(insert, QStringLiteral("INSERT INTO \"Szenarien\" (\"TAVO\", \"Szenario\", \"Parameter\", "
                                        "\"Wert\") VALUES (?, ?, ?, ?)"));
    for (const auto& [name, parameters] :
         {std::pair<QString, const Parameters*>{kOptimistic, &settings.optimistic},
          {kPessimistic, &settings.pessimistic}}) {
        for (const QString& parameter : parameterNames()) {
            insert.bindValue(0, projectId);
            insert.bindValue(1, name);
            insert.bindValue(2, parameter);
            insert.bindValue(3, parameterValue(*parameters, parameter));
            Sql::execPrepared(insert);
        }
    }
    transaction.commit();
}

EngineInput applied(const EngineInput& base, const Parameters& parameters) {
    EngineInput input = base;
    static const QStringList construction =
        fieldsStartingWith({QStringLiteral("ifKoEr"), QStringLiteral("siKoEr")});
    static const QStringList maintenance =
        fieldsStartingWith({QStringLiteral("ifKoEh"), QStringLiteral("siKoEh")});
    QStringList rates;
    for (const char* name : kRateFields)
        rates << QString::fromUtf8(name);
    scaleFields(input.project, construction, parameters.constructionCostPercent);
    scaleFields(input.project, maintenance, parameters.maintenanceCostPercent);
    scaleFields(input.project, rates, parameters.ratesPercent);
    shiftInterest(input.project, parameters.interestPoints);
    scaleInhabitants(input, parameters.inhabitantsPercent);
    reshapeSettlement(input, parameters.settlementShiftYears, parameters.settlementStretch);
    return input;
}

} // namespace Scenarios

} // namespace tavo
