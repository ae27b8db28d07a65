#include "core/engine/EngineContext.h"

#include <algorithm>
#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"

namespace tavo {

EngineContext::EngineContext(const EngineInput& input) : ProjectId(input.projectId), m_input(&input) {
    m_result.projectId = input.projectId;
    m_result.pg = input.pg;
}

double EngineContext::projectField(const QString& name) const {
    return m_input->project.value(name);
}

double EngineContext::optionalProjectField(const QString& name) const {
    return m_input->project.indexOf(name) < 0 ? 0.0 : projectField(name);
}

int EngineContext::projectFieldInt(const QString& name) const {
    const double value = std::trunc(projectField(name));
    if (value > 2147483647.0 || value < -2147483648.0)
        throw TavoError(
            QStringLiteral("Ungültiger Wert im Feld %1: keine ganze Zahl im zulässigen Bereich.").arg(name));
    return static_cast<int>(value);
}

QStringList EngineContext::evaluationTypes() const {
    if (!m_input->types.error.isEmpty())
        throw TavoError(m_input->types.error);
    return m_input->types.order;
}

double EngineContext::balance(const QString& typ, int year) {
    const auto found = m_typeRows.find(typ);
    if (found == m_typeRows.end())
        return 0.0; // no row: the sum is empty and reads 0
    double revenue = 0.0;
    double expenditure = 0.0;
    for (int position : found->second.byYear) {
        const LedgerEntry& row = m_result.ledger[static_cast<std::size_t>(position)];
        if (row.jahr > year)
            break;
        revenue += row.einnahme;
        expenditure += row.ausgabe;
    }
    return revenue - expenditure;
}

void EngineContext::bookAmount(int projectId, int year, const QString& typ, const QString& bezeichnung,
                               bool isRevenue, double amount, double ownSharePercent,
                               const QString& ownShareField) {
    Q_UNUSED(projectId); // every row of a run belongs to its project
    const EvaluationTypeTable& types = m_input->types;
    if (!types.error.isEmpty())
        throw TavoError(types.error);
    const auto found = types.shares.find(typ);
    if (found == types.shares.end())
        throw TavoError(QStringLiteral("Unbekannter Typ ") + NumberFormat::excerpt(typ));
    // A value that is no finite number would corrupt every sum over the ledger; refuse it instead.
    if (!std::isfinite(amount) || !std::isfinite(ownSharePercent))
        throw TavoError(QStringLiteral("Ungültiger Betrag für „%1“ im Jahr %2: keine endliche Zahl.")
                            .arg(bezeichnung)
                            .arg(year));
    std::vector<int>* byYear = nullptr;
    for (const CostBearerShare& bearer : found->second) {
        if (!(bearer.share > 0))
            continue;
        const double part = bearer.share / 100 * amount;
        if (part == 0)
            continue;
        const double own = ownSharePercent > 0 ? ownSharePercent / 100 * part : 0.0;
        // Finite inputs can still multiply beyond the range of a double.
        if (!std::isfinite(part))
            throw TavoError(QStringLiteral("Ungültiger Betrag für „%1“ im Jahr %2: keine endliche Zahl.")
                                .arg(bezeichnung)
                                .arg(year));
        if (!std::isfinite(own))
            throw TavoError(
                QStringLiteral("Ungültiger Betrag der Eigenmittel für „%1“ im Jahr %2: keine "
                               "endliche Zahl (Feld %3).")
                    .arg(bezeichnung)
                    .arg(year)
                    .arg(ownShareField.isEmpty() ? QStringLiteral("Eigenmittelanteil") : ownShareField));
        if (!byYear) {
            byYear = &m_typeRows[typ].byYear;
            byYear->reserve(256);
        }
        // A new row goes behind every row of its year and before the later years.
        auto at = std::upper_bound(byYear->begin(), byYear->end(), year, [this](int y, int position) {
            return y < m_result.ledger[static_cast<std::size_t>(position)].jahr;
        });
        const int position = static_cast<int>(m_result.ledger.size());
        m_result.ledger.push_back(
            {year, typ, bezeichnung, bearer.bearer, isRevenue ? 0.0 : part, isRevenue ? part : 0.0, false});
        at = byYear->insert(at, position) + 1;
        if (ownSharePercent > 0) {
            m_result.ledger.push_back({year, typ, Engine::ownFundsLabel(), bearer.bearer,
                                       isRevenue ? own : 0.0, isRevenue ? 0.0 : own, true});
            byYear->insert(at, position + 1);
        }
    }
}

double EngineContext::municipalityYearValue(const QString& table, int year) const {
    if (!m_input->pgError.isEmpty())
        throw TavoError(m_input->pgError);
    const auto it = m_input->municipalityTables.find(table);
    if (it == m_input->municipalityTables.end())
        throw TavoError(QStringLiteral("Datenbankfehler: Tabelle %1 wurde nicht gelesen.").arg(table));
    const MunicipalityYearTable& values = it->second;
    if (year < 1 || year > Engine::PlanningYears || !values.hasColumn[year])
        throw TavoError(
            QStringLiteral("Datenbankfehler: Spalte Jahr%1 fehlt in Tabelle %2.").arg(year).arg(table));
    // A municipality of an imported master whose fiscal figures were not supplied: never a silent 0.
    if (!values.present)
        throw TavoError(
            QStringLiteral("Für die Gemeinde %1 fehlen in den Stammdaten die Finanzzahlen (Tabelle %2). "
                           "Sie kann erst berechnet werden, wenn ihre Finanzzahlen eingelesen sind "
                           "(tavo-cli stammdaten import --finanzen).")
                .arg(m_input->pg)
                .arg(table));
    if (!values.error[year].isEmpty())
        throw TavoError(values.error[year]);
    return values.values[year];
}

double EngineContext::inhabitants(int year) const {
    double sum = 0.0;
    for (int age = 0; age <= Engine::OldestAge; ++age)
        sum += m_result.inhabitants[age][year];
    return sum;
}

double EngineContext::inhabitants(int year, const std::vector<int>& ages) const {
    double sum = 0.0;
    for (int age : ages)
        sum += m_result.inhabitants[age][year];
    return sum;
}

EngineResult EngineContext::takeResult() {
    EngineResult result = std::move(m_result);
    result.ledger.erase(std::remove_if(result.ledger.begin(), result.ledger.end(),
                                       [](const LedgerEntry& row) { return row.ownFunds; }),
                        result.ledger.end());
    m_typeRows.clear();
    m_result = EngineResult();
    return result;
}

} // namespace tavo
