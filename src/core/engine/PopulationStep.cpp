// Population and dwelling units: the first step of a run. It copies the municipality's forecast into
// gBvB and computes, per project year, the dwelling units standing (bWvB) and their inhabitants by
// age (bBvB). The sums are kept in memory and written once, as one INSERT per row would be slow; the
// stored values equal those of adding to empty rows one value at a time.

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/BuildingTypes.h"
#include "core/engine/EngineContext.h"
#include "core/engine/RowWriter.h"
#include "core/engine/Steps.h"

namespace {

using Engine::PlanningYears;

constexpr int kOldestAge = 95;
const QStringList kTypeCodes = {QStringLiteral("EFHg"), QStringLiteral("EFHk"), QStringLiteral("RHg"),
                                QStringLiteral("RHk"), QStringLiteral("GWB")};

QString yearColumn(int year) {
    return QStringLiteral("Jahr%1").arg(year);
}

// The float in column `index` (Jahr<year>) of the current row; a missing column is a database error.
double yearValue(const QSqlQuery& query, int index, int year, const QString& table) {
    if (index < 0)
        throw TavoError(
            QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle %2.").arg(yearColumn(year), table));
    const double value = NumberFormat::toDouble(query.value(index));
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiger Wert in Tabelle %1, Spalte %2: keine endliche Zahl.")
                            .arg(table, yearColumn(year)));
    return value;
}

using YearValues = std::array<double, PlanningYears + 1>; // index 1..PlanningYears

// Writes the rows of one age for the years 1 to PlanningYears with one statement: the key (project
// or municipality) and the age bound once, then one value per year.
class AgeRowsWriter {
public:
    AgeRowsWriter(const QSqlDatabase& db, const QString& table, const QString& keyColumn) : m_query(db) {
        QStringList rows;
        for (int year = 1; year <= PlanningYears; ++year)
            rows << QStringLiteral("(%1, ?)").arg(year);
        Sql::prepare(m_query,
                     QStringLiteral("INSERT INTO %1 (%2, \"Alter\", Jahr, Bewohner) SELECT ?, ?, column1, "
                                    "column2 FROM (VALUES %3)")
                         .arg(table, keyColumn, rows.join(QLatin1Char(','))));
    }

    void write(int key, int age, const YearValues& values) {
        m_query.bindValue(0, key);
        m_query.bindValue(1, age);
        for (int year = 1; year <= PlanningYears; ++year)
            m_query.bindValue(year + 1, values[year]);
        Sql::execPrepared(m_query);
    }

private:
    QSqlQuery m_query;
};

void municipalityPopulation(EngineContext& ctx) {
    const int pg = ctx.projectFieldInt(QStringLiteral("PG"));
    const QString table = QStringLiteral("BvB");
    QSqlQuery query =
        Sql::exec(ctx.master(), QStringLiteral("SELECT * FROM BvB WHERE PG = ? ORDER BY \"Alter\""), {pg});
    const QSqlRecord columns = query.record();
    const int ageIndex = columns.indexOf(QStringLiteral("Alter"));
    std::array<int, PlanningYears + 1> index{};
    for (int year = 1; year <= PlanningYears; ++year)
        index[year] = columns.indexOf(yearColumn(year));
    AgeRowsWriter writer(ctx.user(), QStringLiteral("gBvB"), QStringLiteral("PG"));
    while (query.next()) {
        YearValues values{};
        for (int year = 1; year <= PlanningYears; ++year)
            values[year] = yearValue(query, index[year], year, table);
        writer.write(pg, NumberFormat::toInt(query.value(ageIndex)), values);
    }
}

// Inhabitants per occupied dwelling unit of a type, by age (in ascending order) and project year,
// read once per type and run.
class PerUnitInhabitants {
public:
    struct AgeRow {
        int age;
        std::array<double, PlanningYears + 1> perYear;
    };

    explicit PerUnitInhabitants(EngineContext& ctx) : m_ctx(ctx) {}

    const std::vector<AgeRow>& rows(const QString& buildingType, int year) {
        auto it = m_types.find(buildingType);
        if (it == m_types.end())
            it = m_types.emplace(buildingType, load(buildingType)).first;
        if (!it->second.hasYear[year])
            throw TavoError(QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle BvB_Bebauungstypen.")
                                .arg(yearColumn(year)));
        return it->second.rows;
    }

private:
    struct Entry {
        std::array<bool, PlanningYears + 1> hasYear{};
        std::vector<AgeRow> rows;
    };

    Entry load(const QString& buildingType) {
        const QString table = QStringLiteral("BvB_Bebauungstypen");
        QSqlQuery query =
            Sql::exec(m_ctx.master(),
                      QStringLiteral("SELECT * FROM BvB_Bebauungstypen WHERE Typ = ? ORDER BY \"Alter\""),
                      {buildingType});
        const QSqlRecord columns = query.record();
        const int ageIndex = columns.indexOf(QStringLiteral("Alter"));
        std::array<int, PlanningYears + 1> index{};
        Entry entry;
        for (int year = 1; year <= PlanningYears; ++year) {
            index[year] = columns.indexOf(yearColumn(year));
            entry.hasYear[year] = index[year] >= 0;
        }
        while (query.next()) {
            AgeRow row{NumberFormat::toInt(query.value(ageIndex)), {}};
            for (int year = 1; year <= PlanningYears; ++year) {
                if (index[year] < 0)
                    continue;
                row.perYear[year] = NumberFormat::toDouble(query.value(index[year]));
                if (!std::isfinite(row.perYear[year]))
                    throw TavoError(
                        QStringLiteral("Ungültiger Wert in Tabelle %1, Spalte %2: keine endliche Zahl.")
                            .arg(table, yearColumn(year)));
            }
            entry.rows.push_back(row);
        }
        return entry;
    }

    EngineContext& m_ctx;
    std::map<QString, Entry> m_types;
};

// The sums of bWvB and bBvB of the project, indexed by year 1..20 (and age 0..95).
struct PopulationSums {
    std::array<std::array<double, 5>, PlanningYears + 1> units{};
    std::array<YearValues, kOldestAge + 1> inhabitants{};
};

void requireFinite(double value, const QString& what, int year) {
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiges Ergebnis für %1 im Jahr %2: keine endliche Zahl.")
                            .arg(what)
                            .arg(year));
}

void addInhabitants(PopulationSums& sums, PerUnitInhabitants& perUnit, const QString& type, int year,
                    double stock) {
    for (const PerUnitInhabitants::AgeRow& row : perUnit.rows(type, year)) {
        const int age = row.age;
        const double value = row.perYear[year] * stock;
        requireFinite(value, QStringLiteral("Bewohner"), year);
        // An age outside the rows of the project changes nothing, like an update that matches no row.
        if (value != 0 && age >= 0 && age <= kOldestAge)
            sums.inhabitants[age][year] += value;
    }
}

void dwellingUnitsAndInhabitants(EngineContext& ctx, PopulationSums& sums) {
    PerUnitInhabitants perUnit(ctx);
    std::array<double, 5> running{};
    for (int year = 1; year <= PlanningYears; ++year) {
        for (const BuildingRow& row : ctx.buildingRows()) {
            const double units = BuildingTypes::dwellingUnits(ctx, row.bbTyp, row.bbAnteil);
            const double added = BuildingTypes::settlementShare(ctx, year, row.bbTyp) * units;
            const int type = kTypeCodes.indexOf(row.bbTyp);
            running[type] += added;
            const double stock = running[type];
            requireFinite(stock, QStringLiteral("Wohneinheiten ") + row.bbTyp, year);
            if (stock != 0)
                sums.units[year][type] += stock;
            addInhabitants(sums, perUnit, row.bbTyp, year, stock);
        }
    }
}

void writeSums(EngineContext& ctx, const PopulationSums& sums) {
    // Ages 0 to 95, each with the years 1 to 20: the order of the empty rows the sums are added to.
    AgeRowsWriter inhabitants(ctx.user(), QStringLiteral("bBvB"), QStringLiteral("TAVO"));
    for (int age = 0; age <= kOldestAge; ++age)
        inhabitants.write(ctx.ProjectId, age, sums.inhabitants[age]);
    RowWriter units(ctx.user(), QStringLiteral("bWvB"),
                    QStringList{QStringLiteral("TAVO"), QStringLiteral("Jahr")} + kTypeCodes);
    for (int year = 1; year <= PlanningYears; ++year) {
        QVariantList values{ctx.ProjectId, year};
        for (double value : sums.units[year])
            values << value;
        units.add(values);
    }
    units.flush();
}

} // namespace

namespace Steps {

void populationAndDwellingUnits(EngineContext& ctx) {
    municipalityPopulation(ctx);
    // The rows of bBvB and bWvB exist from here on; an error below leaves them with the sums so far.
    PopulationSums sums;
    try {
        dwellingUnitsAndInhabitants(ctx, sums);
    } catch (...) {
        writeSums(ctx, sums);
        throw;
    }
    writeSums(ctx, sums);
}

} // namespace Steps
