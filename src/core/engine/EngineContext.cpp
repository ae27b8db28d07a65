#include "core/engine/EngineContext.h"

#include <cmath>

#include <QSqlQuery>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/engine/RowWriter.h"

namespace {

const QString kSharePrefix = QStringLiteral("Anteil_");

const char* const kBuildingTypeCodes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

// An integer column of a detail row, truncated toward zero; a value that is no finite number or lies
// outside the integer range is rejected with a message naming the column.
int detailInt(const QVariant& value, const QString& table, const QString& column) {
    const double number = std::trunc(NumberFormat::toDouble(value));
    if (!std::isfinite(number) || number > 2147483647.0 || number < -2147483648.0)
        throw TavoError(
            QStringLiteral("Ungültiger Wert in %1, Spalte %2: %3").arg(table, column, value.toString()));
    return static_cast<int>(number);
}

} // namespace

EngineContext::EngineContext(const Databases& dbs, int projectId)
    : ProjectId(projectId), m_master(dbs.master()), m_user(dbs.user()) {
    loadProjectRecord();
    loadDetailRows();
}

EngineContext::~EngineContext() = default;

void EngineContext::loadProjectRecord() {
    QSqlQuery query = Sql::exec(m_user, QStringLiteral("SELECT * FROM TAVO WHERE ID = ?"), {ProjectId});
    if (!query.next())
        throw TavoError(QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(ProjectId));
    m_project = query.record();
    for (int i = 0; i < m_project.count(); ++i)
        m_fieldIndex.insert(m_project.fieldName(i), i);
}

void EngineContext::loadDetailRows() {
    QSqlQuery buildings = Sql::exec(
        m_user,
        QStringLiteral("SELECT bbTyp, bbBauklasse, bbAnteil FROM Bebauung WHERE TAVO = ? ORDER BY ID"),
        {ProjectId});
    while (buildings.next()) {
        m_buildings.push_back(
            {buildings.value(0).toString(), buildings.value(1).toString(),
             detailInt(buildings.value(2), QStringLiteral("Bebauung"), QStringLiteral("bbAnteil"))});
    }
    QSqlQuery settlements = Sql::exec(
        m_user,
        QStringLiteral("SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM Besiedelung WHERE TAVO = ? ORDER BY ID"),
        {ProjectId});
    while (settlements.next()) {
        SettlementRow row;
        row.jahr = detailInt(settlements.value(0), QStringLiteral("Besiedelung"), QStringLiteral("Jahr"));
        for (int i = 0; i < 5; ++i)
            row.percent.insert(QLatin1String(kBuildingTypeCodes[i]), settlements.value(i + 1));
        m_settlements.push_back(std::move(row));
    }
}

double EngineContext::projectField(const QString& name) const {
    auto it = m_fieldIndex.constFind(name);
    int index = it != m_fieldIndex.constEnd() ? it.value() : m_project.indexOf(name);
    if (index < 0)
        throw TavoError(QStringLiteral("Feld „%1“ nicht gefunden.").arg(name));
    const double value = NumberFormat::toDouble(m_project.value(index));
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiger Wert im Feld %1: keine endliche Zahl.").arg(name));
    return value;
}

int EngineContext::projectFieldInt(const QString& name) const {
    const double value = std::trunc(projectField(name));
    if (value > 2147483647.0 || value < -2147483648.0)
        throw TavoError(
            QStringLiteral("Ungültiger Wert im Feld %1: keine ganze Zahl im zulässigen Bereich.").arg(name));
    return static_cast<int>(value);
}

const EngineContext::EvaluationTypes& EngineContext::evaluationTypeTable() {
    if (m_types)
        return *m_types;
    auto types = std::make_unique<EvaluationTypes>();
    QSqlQuery query = Sql::exec(m_master, QStringLiteral("SELECT * FROM Auswertung_Typen"));
    while (query.next()) {
        const QSqlRecord record = query.record();
        const QString typ = record.value(QStringLiteral("Typ")).toString();
        std::vector<CostBearerShare> shares;
        // Column order of the table decides the order of the bearers; the prefix is case-sensitive.
        for (int i = 0; i < record.count(); ++i) {
            const QString column = record.fieldName(i);
            if (!column.startsWith(kSharePrefix, Qt::CaseSensitive))
                continue;
            shares.push_back(
                {column.mid(kSharePrefix.size()).left(255), NumberFormat::toDouble(record.value(i))});
        }
        if (types->shares.find(typ) == types->shares.end()) {
            types->order << typ;
            types->shares.emplace(typ, std::move(shares));
        }
    }
    m_types = std::move(types);
    return *m_types;
}

QStringList EngineContext::evaluationTypes() {
    return evaluationTypeTable().order;
}

void EngineContext::insertLedgerRow(int projectId, int year, const QString& typ, const QString& bezeichnung,
                                    const QString& bearer, double ausgabe, double einnahme) {
    if (!m_ledger) {
        m_ledger = std::make_unique<RowWriter>(
            m_user, QStringLiteral("Auswertung"),
            QStringList{QStringLiteral("TAVO"), QStringLiteral("Jahr"), QStringLiteral("Typ"),
                        QStringLiteral("Bezeichnung"), QStringLiteral("Kostenträger"),
                        QStringLiteral("Ausgabe"), QStringLiteral("Einnahme")});
    }
    m_ledger->add({projectId, year, typ, bezeichnung, bearer, ausgabe, einnahme});
}

double EngineContext::balance(const QString& typ, int year) {
    // The balance is the database's own sum over the ledger rows, so that it adds the same values in
    // the same order (and with the same summation) as a query over the ledger does; a sum kept while
    // booking adds them in booking order and can differ in the last bits.
    flushLedger();
    if (!m_balanceQuery) {
        m_balanceQuery = std::make_unique<QSqlQuery>(m_user);
        m_balanceQuery->setForwardOnly(true);
        Sql::prepare(*m_balanceQuery, QStringLiteral("SELECT sum(Einnahme) - Sum(Ausgabe) FROM Auswertung "
                                                     "WHERE TAVO = ? AND Typ = ? AND Jahr <= ?"));
    }
    m_balanceQuery->bindValue(0, ProjectId);
    m_balanceQuery->bindValue(1, typ);
    m_balanceQuery->bindValue(2, year);
    Sql::execPrepared(*m_balanceQuery);
    // A type without rows up to the year gives NULL, which reads 0.
    const double value = m_balanceQuery->next() ? NumberFormat::toDouble(m_balanceQuery->value(0)) : 0.0;
    m_balanceQuery->finish();
    return value;
}

void EngineContext::flushLedger() {
    if (m_ledger)
        m_ledger->flush();
}

void EngineContext::bookAmount(int projectId, int year, const QString& typ, const QString& bezeichnung,
                               bool isRevenue, double amount, double ownSharePercent) {
    const EvaluationTypes& types = evaluationTypeTable();
    const auto found = types.shares.find(typ);
    if (found == types.shares.end())
        throw TavoError(QStringLiteral("Unbekannter Typ ") + typ);
    // A value that is no finite number would corrupt every sum over the ledger; refuse it instead.
    if (!std::isfinite(amount) || !std::isfinite(ownSharePercent))
        throw TavoError(QStringLiteral("Ungültiger Betrag für „%1“ im Jahr %2: keine endliche Zahl.")
                            .arg(bezeichnung)
                            .arg(year));
    for (const CostBearerShare& bearer : found->second) {
        if (!(bearer.share > 0))
            continue;
        const double part = bearer.share / 100 * amount;
        if (part == 0)
            continue;
        insertLedgerRow(projectId, year, typ, bezeichnung, bearer.bearer, isRevenue ? 0.0 : part,
                        isRevenue ? part : 0.0);
        if (ownSharePercent > 0) {
            const double own = ownSharePercent / 100 * part;
            insertLedgerRow(projectId, year, typ, Engine::ownFundsLabel(), bearer.bearer,
                            isRevenue ? own : 0.0, isRevenue ? 0.0 : own);
        }
    }
}

double EngineContext::municipalityYearValue(const QString& table, int year) {
    auto it = m_yearTables.find(table);
    if (it == m_yearTables.end()) {
        YearRow row;
        QSqlQuery query =
            Sql::exec(m_master, QStringLiteral("SELECT * FROM %1 WHERE PG = ?").arg(Sql::quoted(table)),
                      {projectFieldInt(QStringLiteral("PG"))});
        row.present = query.next();
        row.record = query.record();
        it = m_yearTables.insert(table, row);
    }
    const QString column = QStringLiteral("Jahr%1").arg(year);
    const int index = it->record.indexOf(column);
    if (index < 0)
        throw TavoError(QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle %2.").arg(column, table));
    if (!it->present)
        return 0.0;
    const double value = NumberFormat::toDouble(it->record.value(index));
    if (!std::isfinite(value))
        throw TavoError(QStringLiteral("Ungültiger Wert in Tabelle %1, Spalte %2: keine endliche Zahl.")
                            .arg(table, column));
    return value;
}
