#include "core/engine/ResultWriter.h"

#include <QStringList>

#include "core/engine/RowWriter.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

// The municipality's rows by age, each with the years 1 to 20; the project's ages 0 to 95, each with
// the years 1 to 20: the order of the empty rows the sums are added to.
void writePopulation(const QSqlDatabase& user, const EngineResult& result) {
    const QStringList columns{QStringLiteral("Alter"), QStringLiteral("Jahr"), QStringLiteral("Bewohner")};
    RowWriter municipality(user, QStringLiteral("gBvB"), QStringList{QStringLiteral("PG")} + columns);
    for (const MunicipalityAgeRow& row : result.municipality)
        for (int year = 1; year <= PlanningYears; ++year)
            municipality.add({result.pg, row.age, year, row.values[year]});
    municipality.flush();
    RowWriter inhabitants(user, QStringLiteral("bBvB"), QStringList{QStringLiteral("TAVO")} + columns);
    for (int age = 0; age <= Engine::OldestAge; ++age)
        for (int year = 1; year <= PlanningYears; ++year)
            inhabitants.add({result.projectId, age, year, result.inhabitants[age][year]});
    inhabitants.flush();
    RowWriter units(user, QStringLiteral("bWvB"),
                    QStringList{QStringLiteral("TAVO"), QStringLiteral("Jahr"), QStringLiteral("EFHg"),
                                QStringLiteral("EFHk"), QStringLiteral("RHg"), QStringLiteral("RHk"),
                                QStringLiteral("GWB")});
    for (int year = 1; year <= PlanningYears; ++year) {
        QVariantList values{result.projectId, year};
        for (double value : result.units[year])
            values << value;
        units.add(values);
    }
    units.flush();
}

void writeLedger(const QSqlDatabase& user, const EngineResult& result) {
    RowWriter ledger(user, QStringLiteral("Auswertung"),
                     QStringList{QStringLiteral("TAVO"), QStringLiteral("Jahr"), QStringLiteral("Typ"),
                                 QStringLiteral("Bezeichnung"), QStringLiteral("Kostenträger"),
                                 QStringLiteral("Ausgabe"), QStringLiteral("Einnahme")});
    for (const LedgerEntry& row : result.ledger) {
        if (row.ownFunds)
            continue;
        ledger.add({result.projectId, row.jahr, row.typ, row.bezeichnung, row.kostentraeger, row.ausgabe,
                    row.einnahme});
    }
    ledger.flush();
}

// The special expenditures as ledger rows after the booked ones, their stored values unchanged and the
// revenue left at the table's default.
void writeSpecial(const QSqlDatabase& user, const EngineResult& result) {
    RowWriter ledger(user, QStringLiteral("Auswertung"),
                     QStringList{QStringLiteral("TAVO"), QStringLiteral("Jahr"), QStringLiteral("Typ"),
                                 QStringLiteral("Bezeichnung"), QStringLiteral("Kostenträger"),
                                 QStringLiteral("Ausgabe")});
    for (const SpecialEntry& row : result.special)
        ledger.add({result.projectId, row.stored.jahr, row.stored.typ, row.stored.bezeichnung,
                    row.stored.kostentraeger, row.ausgabe});
    ledger.flush();
}

} // namespace

namespace ResultWriter {

void write(const QSqlDatabase& user, const EngineResult& result) {
    writePopulation(user, result);
    writeLedger(user, result);
    writeSpecial(user, result);
}

} // namespace ResultWriter

} // namespace tavo
