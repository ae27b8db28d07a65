#pragma once

#include <map>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/engine/EngineInput.h"
#include "core/engine/EngineResult.h"

namespace tavo {

// Everything a calculation run shares between its steps: the project's inputs and reference data
// (an EngineInput, read before the run) and the results booked so far, all in memory. A context
// never touches a database; what a run produced is written by ResultWriter.
class EngineContext {
public:
    // A run over inputs read before; the input must outlive the context.
    explicit EngineContext(const EngineInput& input);
    EngineContext(const EngineContext&) = delete;
    EngineContext& operator=(const EngineContext&) = delete;

    const EngineInput& input() const { return *m_input; }

    // The project's key, passed by every step as the first argument of bookAmount.
    int ProjectId = 0;

    // One input of the project record as a float; NULL and empty read 0. An unknown name and a
    // value that is no finite number raise TavoError naming the field.
    double projectField(const QString& name) const;

    // An optional input that the project record of an older file may lack: absent reads 0.
    double optionalProjectField(const QString& name) const;

    // The same input read as an integer, truncated toward zero.
    int projectFieldInt(const QString& name) const;

    // Books amount for the year under evaluation type typ, split over the type's cost bearers, with
    // an "Eigenmittel" counter-row of ownSharePercent per booked part. ownShareField names the input the
    // percentage comes from, for the message when a part or its own-funds row is no finite number.
    void bookAmount(int projectId, int year, const QString& typ, const QString& bezeichnung, bool isRevenue,
                    double amount, double ownSharePercent, const QString& ownShareField = QString());

    // Revenue minus expenditure of all rows booked so far in this run under evaluation type typ with
    // a year up to `year`, own-funds rows included: the balance the interest step charges. Revenue
    // and expenditure are each added up in the order a query over the ledger visits the rows (by
    // year, within a year in booking order), as the sum depends on the order in its last bits.
    double balance(const QString& typ, int year);

    // The project's Bebauung and Besiedelung rows in ascending ID order.
    const std::vector<BuildingRow>& buildingRows() const { return m_input->buildings; }
    const std::vector<SettlementRow>& settlementRows() const { return m_input->settlements; }

    // Every Typ of Auswertung_Typen in the table's row order.
    QStringList evaluationTypes() const;

    // The value of column "Jahr<year>" of the municipality's row in a per-municipality year table of
    // the reference data; 0 when the municipality has no row there or the value is empty.
    double municipalityYearValue(const QString& table, int year) const;

    // The results: the population step fills dwelling units and inhabitants, every booking adds to
    // the ledger.
    EngineResult& result() { return m_result; }
    const EngineResult& result() const { return m_result; }

    // Inhabitants of the project in the year, all ages or those listed, added up by ascending age.
    double inhabitants(int year) const;
    double inhabitants(int year, const std::vector<int>& ages) const;

    // The results with the own-funds rows removed, as a finished run leaves them.
    EngineResult takeResult();

private:
    struct TypeRows {
        std::vector<int> byYear; // ledger positions, ordered by year, then booking order
    };

    const EngineInput* m_input = nullptr;
    EngineResult m_result;
    std::map<QString, TypeRows> m_typeRows;
};

} // namespace tavo
