// Population and dwelling units: the first step of a run. It copies the municipality's forecast into
// gBvB and computes, per project year, the dwelling units standing (bWvB) and their inhabitants by
// age (bBvB). The sums are kept in memory and written once, as one INSERT per row would be slow; the
// stored values equal those of adding to empty rows one value at a time.

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include <QSqlRecord>

#include "data/NumberFormat.h"
#include "data/Sql.h"
#include "data/TavoError.h"
#include "engine/BuildingTypes.h"
#include "engine/EngineContext.h"
#include "engine/RowWriter.h"
#include "engine/Steps.h"

namespace {

using Engine::PlanningYears;

constexpr int kOldestAge = 95;
const QStringList kTypeCodes = {QStringLiteral("EFHg"), QStringLiteral("EFHk"), QStringLiteral("RHg"),
                                QStringLiteral("RHk"), QStringLiteral("GWB")};

QString yearColumn(int year) {
    return QStringLiteral("Jahr%1").arg(year);
}

// The float in column Jahr<year> of a master row; a missing column is a database error.
double yearValue(const QSqlRecord& record, int year, const QString& table) {
    const int index = record.indexOf(yearColumn(year));
    if (index < 0)
        throw TavoError(
            QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle %2.").arg(yearColumn(year), table));
    const double value = NumberFormat::toDouble(record.value(index));
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiger Wert in Tabelle %1, Spalte %2: keine endliche Zahl.")
                            .arg(table, yearColumn(year)));
    return value;
}

void municipalityPopulation(EngineContext& ctx) {
    const int pg = ctx.ProjectFieldInt(QStringLiteral("PG"));
    QSqlQuery query =
        Sql::exec(ctx.master(), QStringLiteral("SELECT * FROM BvB WHERE PG = ? ORDER BY \"Alter\""), {pg});
    RowWriter writer(
        ctx.user(), QStringLiteral("gBvB"),
        {QStringLiteral("PG"), QStringLiteral("Alter"), QStringLiteral("Jahr"), QStringLiteral("Bewohner")});
    try {
        while (query.next()) {
            const QSqlRecord record = query.record();
            const int age = NumberFormat::toInt(record.value(QStringLiteral("Alter")));
            for (int year = 1; year <= PlanningYears; ++year)
                writer.add({pg, age, year, yearValue(record, year, QStringLiteral("BvB"))});
        }
    } catch (...) {
        writer.flush();
        throw;
    }
    writer.flush();
}

// Inhabitants per occupied dwelling unit of a type, by age, read once per type and run.
class PerUnitInhabitants {
public:
    explicit PerUnitInhabitants(EngineContext& ctx) : m_ctx(ctx) {}

    const std::vector<QSqlRecord>& rows(const QString& buildingType, int year) {
        auto it = m_rows.find(buildingType);
        if (it == m_rows.end()) {
            QSqlQuery query =
                Sql::exec(m_ctx.master(),
                          QStringLiteral("SELECT * FROM BvB_Bebauungstypen WHERE Typ = ? ORDER BY \"Alter\""),
                          {buildingType});
            Entry entry;
            entry.columns = query.record();
            while (query.next())
                entry.rows.push_back(query.record());
            it = m_rows.emplace(buildingType, std::move(entry)).first;
        }
        if (it->second.columns.indexOf(yearColumn(year)) < 0)
            throw TavoError(QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle BvB_Bebauungstypen.")
                                .arg(yearColumn(year)));
        return it->second.rows;
    }

private:
    struct Entry {
        QSqlRecord columns;
        std::vector<QSqlRecord> rows;
    };
    EngineContext& m_ctx;
    std::map<QString, Entry> m_rows;
};

// The sums of bWvB and bBvB of the project, indexed by year 1..20 (and age 0..95).
struct PopulationSums {
    std::array<std::array<double, 5>, PlanningYears + 1> units{};
    std::array<std::array<double, PlanningYears + 1>, kOldestAge + 1> inhabitants{};
};

void requireFinite(double value, const QString& what, int year) {
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiges Ergebnis für %1 im Jahr %2: keine endliche Zahl.")
                            .arg(what)
                            .arg(year));
}

void addInhabitants(PopulationSums& sums, PerUnitInhabitants& perUnit, const QString& type, int year,
                    double stock) {
    for (const QSqlRecord& row : perUnit.rows(type, year)) {
        const int age = NumberFormat::toInt(row.value(QStringLiteral("Alter")));
        const double value = yearValue(row, year, QStringLiteral("BvB_Bebauungstypen")) * stock;
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
            const double units = BuildingTypes::DwellingUnits(ctx, row.bbTyp, row.bbAnteil);
            const double added = BuildingTypes::SettlementShare(ctx, year, row.bbTyp) * units;
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
    RowWriter inhabitants(ctx.user(), QStringLiteral("bBvB"),
                          {QStringLiteral("TAVO"), QStringLiteral("Alter"), QStringLiteral("Jahr"),
                           QStringLiteral("Bewohner")});
    for (int age = 0; age <= kOldestAge; ++age) {
        for (int year = 1; year <= PlanningYears; ++year)
            inhabitants.add({ctx.ProjectId, age, year, sums.inhabitants[age][year]});
    }
    inhabitants.flush();
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
