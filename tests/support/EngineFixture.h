#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include "core/engine/EngineContext.h"
#include "core/engine/EngineInput.h"

namespace tavo {

class TestDb;
struct EngineResult;

// Projects and ledger queries for the engine's tests and benchmark.
namespace EngineFixture {

// The inputs of a realistic project of municipality pg: every network, fee, tax and financing field set.
QVariantMap realisticProject(int pg = 301);

// Inserts realisticProject(pg), five Bebauung rows (one of each type), 20 Besiedelung rows and two
// Sonderausgaben rows; returns the project's ID.
int insertRealisticProject(TestDb& db, int pg = 301);

// Inserts one Bebauung row.
void insertBuilding(TestDb& db, int projectId, const QString& type, const QString& bauklasse, int anteil);

// Inserts one Besiedelung row with the given percentages per type code (missing types stay NULL).
void insertSettlement(TestDb& db, int projectId, int jahr, const QVariantMap& percent);

// Sum of `column` ("Ausgabe" or "Einnahme") of the project's ledger rows with the designation,
// optionally restricted to one year (jahr > -1000) and one cost bearer.
double ledgerSum(TestDb& db, int projectId, const QString& column, const QString& bezeichnung,
                 int jahr = -1000, const QString& bearer = QString());

// Number of the project's ledger rows with the designation (optionally in one year).
int ledgerCount(TestDb& db, int projectId, const QString& bezeichnung, int jahr = -1000);

// Total number of the project's ledger rows.
int ledgerRows(TestDb& db, int projectId);

// A calculation context over a project's inputs read into memory the way a run reads them, so that
// steps can be run one by one.
struct EngineRun {
    EngineRun(TestDb& db, int projectId);
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;

    const EngineInput input;
    EngineContext context;
};

// The same sums, counts and years over the ledger booked in memory so far, own-funds rows included
// (they stay there until the run ends).
double ledgerSum(const EngineResult& result, const QString& column, const QString& bezeichnung,
                 int jahr = -1000, const QString& bearer = QString());
int ledgerCount(const EngineResult& result, const QString& bezeichnung, int jahr = -1000);
QList<int> ledgerYears(const EngineResult& result, const QString& bezeichnung);

// Replaces (or adds) evaluation type typ in the master copy with the given shares of the five cost
// bearers Gemeinde, Abwasserverband, Wasserverband, Energieversorger, Land, and reopens the databases.
void setTypeShares(TestDb& db, const QString& typ, const QVariantList& shares);

// Sets column Jahr<jahr> of a per-municipality master table for pg (inserting the row if needed);
// call db.reopen() afterwards.
void setMunicipalityValue(TestDb& db, const QString& table, int pg, int jahr, double value);

// Relative comparison with tolerance 1e-6 (absolute 1e-9 around 0).
bool near(double actual, double expected);

} // namespace EngineFixture

} // namespace tavo
