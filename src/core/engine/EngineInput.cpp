#include "core/engine/EngineInput.h"

#include <cmath>
#include <set>

#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/FileChecks.h"
#include "core/data/MasterData.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

using Engine::PlanningYears;

const QString kSharePrefix = QStringLiteral("Anteil_");

const char* const kBuildingTypeCodes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

// How a message names the project whose value it reports.
QString projectName(int projectId) {
    return QStringLiteral("Projekt %1").arg(projectId);
}

// How a message names a table of the reference data whose value it reports.
QString masterTable(const QString& table) {
    return QStringLiteral("Stammdatenbank, Tabelle %1").arg(table);
}

QString yearColumn(int year) {
    return QStringLiteral("Jahr%1").arg(year);
}

// The message of a value of the reference data in column Jahr<year> that is no finite number, or
// empty when it is one (the usual case, which builds no text: a run checks about 12,000 values).
QString masterValueError(const QVariant& raw, double value, bool isNumber, int year, const QString& table) {
    if (isNumber && std::isfinite(value))
        return QString();
    const QString column = yearColumn(year);
    if (!isNumber) {
        try {
            NumberFormat::throwNotANumber(raw, column, masterTable(table));
        } catch (const TavoError& e) {
            return e.message();
        }
    }
    if (!std::isfinite(value))
        return QStringLiteral("Ungültiger Wert in Tabelle %1, Spalte %2: keine endliche Zahl.")
            .arg(table, column);
    return QString();
}

// A number column of a detail row; a value that is no finite number is rejected with a message naming
// the column.
double detailNumber(const QVariant& value, const QString& table, const QString& column, int projectId) {
    const double number =
        NumberFormat::storedNumberOrThrow(value, table + QLatin1Char('.') + column, projectName(projectId));
    if (!std::isfinite(number))
        throw TavoError(
            QStringLiteral("Ungültiger Wert in %1, Spalte %2: %3").arg(table, column, value.toString()));
    return number;
}

// An integer column of a detail row, truncated toward zero; a value that is no finite number or lies
// outside the integer range is rejected with a message naming the column.
int detailInt(const QVariant& value, const QString& table, const QString& column, int projectId) {
    const double number = std::trunc(
        NumberFormat::storedNumberOrThrow(value, table + QLatin1Char('.') + column, projectName(projectId)));
    if (!std::isfinite(number) || number > 2147483647.0 || number < -2147483648.0)
        throw TavoError(
            QStringLiteral("Ungültiger Wert in %1, Spalte %2: %3").arg(table, column, value.toString()));
    return static_cast<int>(number);
}

QList<QSqlRecord> detailRows(const QSqlDatabase& user, const QString& sql, int id) {
    QSqlQuery query = Sql::exec(user, sql, {id});
    QList<QSqlRecord> rows;
    while (query.next())
        rows << query.record();
    return rows;
}

void takeProject(const QSqlRecord& record, EngineInput& input) {
    for (int i = 0; i < record.count(); ++i)
        input.project.append(record.fieldName(i), record.value(i), input.projectId);
}

void takeDetailRows(const QList<QSqlRecord>& buildings, const QList<QSqlRecord>& settlements,
                    const QList<QSqlRecord>& specials, EngineInput& input) {
    const int id = input.projectId;
    for (const QSqlRecord& row : buildings) {
        input.buildings.push_back(
            {row.value(0).toString(), row.value(1).toString(),
             detailNumber(row.value(2), QStringLiteral("Bebauung"), QStringLiteral("bbAnteil"), id)});
    }
    for (const QSqlRecord& stored : settlements) {
        SettlementRow row;
        row.jahr = detailInt(stored.value(0), QStringLiteral("Besiedelung"), QStringLiteral("Jahr"), id);
        for (int i = 0; i < 5; ++i) {
            const QString code = QLatin1String(kBuildingTypeCodes[i]);
            // Checked here, so that every later reading of the percentage is a number.
            bool isNumber = false;
            NumberFormat::storedNumber(stored.value(i + 1), &isNumber);
            if (!isNumber)
                NumberFormat::throwNotANumber(stored.value(i + 1), QStringLiteral("Besiedelung.") + code,
                                              projectName(id));
            row.percent.insert(code, stored.value(i + 1));
        }
        input.settlements.push_back(std::move(row));
    }
    for (const QSqlRecord& row : specials)
        input.specialExpenditures.push_back(
            {row.value(0), row.value(1), row.value(2), row.value(3), row.value(4)});
}

void loadEvaluationTypes(const QSqlDatabase& master, EvaluationTypeTable& types) {
    QSqlQuery query = Sql::exec(master, QStringLiteral("SELECT * FROM Auswertung_Typen"));
    while (query.next()) {
        const QSqlRecord record = query.record();
        const QString typ = record.value(QStringLiteral("Typ")).toString();
        std::vector<CostBearerShare> shares;
        // Column order of the table decides the order of the bearers; the prefix is case-sensitive.
        for (int i = 0; i < record.count(); ++i) {
            const QString column = record.fieldName(i);
            if (!column.startsWith(kSharePrefix, Qt::CaseSensitive))
                continue;
            bool isNumber = false;
            const double share = NumberFormat::storedNumber(record.value(i), &isNumber);
            if (!isNumber && types.error.isEmpty()) {
                try {
                    NumberFormat::throwNotANumber(record.value(i), column,
                                                  masterTable(QStringLiteral("Auswertung_Typen")));
                } catch (const TavoError& e) {
                    types.error = e.message();
                }
            }
            shares.push_back({column.mid(kSharePrefix.size()).left(255), share});
        }
        if (types.shares.find(typ) == types.shares.end()) {
            types.order << typ;
            types.shares.emplace(typ, std::move(shares));
        }
    }
}

MunicipalityYearTable loadYearTable(const QSqlDatabase& master, const QString& table, int pg) {
    MunicipalityYearTable result;
    QSqlQuery query =
        Sql::exec(master, QStringLiteral("SELECT * FROM %1 WHERE PG = ?").arg(Sql::quoted(table)), {pg});
    result.present = query.next();
    const QSqlRecord record = query.record();
    for (int year = 1; year <= PlanningYears; ++year) {
        const int index = record.indexOf(yearColumn(year));
        result.hasColumn[year] = index >= 0;
        if (index < 0 || !result.present)
            continue;
        bool isNumber = false;
        const double value = NumberFormat::storedNumber(record.value(index), &isNumber);
        result.values[year] = value;
        result.error[year] = masterValueError(record.value(index), value, isNumber, year, table);
    }
    return result;
}

// The municipality's forecast by age; the first value that is no finite number (row by row, year by
// year) is kept as the error of the whole table.
void loadMunicipalityPopulation(const QSqlDatabase& master, EngineInput& input) {
    const QString table = QStringLiteral("BvB");
    QSqlQuery query =
        Sql::exec(master, QStringLiteral("SELECT * FROM BvB WHERE PG = ? ORDER BY \"Alter\""), {input.pg});
    const QSqlRecord columns = query.record();
    const int ageIndex = columns.indexOf(QStringLiteral("Alter"));
    std::array<int, PlanningYears + 1> index{};
    for (int year = 1; year <= PlanningYears; ++year)
        index[year] = columns.indexOf(yearColumn(year));
    while (query.next()) {
        MunicipalityAgeRow row;
        row.age = NumberFormat::toInt(query.value(ageIndex));
        for (int year = 1; year <= PlanningYears && input.municipalityPopulationError.isEmpty(); ++year) {
            if (index[year] < 0) {
                input.municipalityPopulationError =
                    QStringLiteral("Datenbankfehler: Spalte %1 fehlt in Tabelle %2.")
                        .arg(yearColumn(year), table);
                break;
            }
            bool isNumber = false;
            const QVariant raw = query.value(index[year]);
            row.values[year] = NumberFormat::storedNumber(raw, &isNumber);
            input.municipalityPopulationError =
                masterValueError(raw, row.values[year], isNumber, year, table);
        }
        if (!input.municipalityPopulationError.isEmpty())
            return;
        input.municipalityPopulation.push_back(row);
    }
}

PerUnitInhabitants loadPerUnit(const QSqlDatabase& master, const QString& buildingType) {
    const QString table = QStringLiteral("BvB_Bebauungstypen");
    QSqlQuery query =
        Sql::exec(master, QStringLiteral("SELECT * FROM BvB_Bebauungstypen WHERE Typ = ? ORDER BY \"Alter\""),
                  {buildingType});
    const QSqlRecord columns = query.record();
    const int ageIndex = columns.indexOf(QStringLiteral("Alter"));
    std::array<int, PlanningYears + 1> index{};
    PerUnitInhabitants entry;
    for (int year = 1; year <= PlanningYears; ++year) {
        index[year] = columns.indexOf(yearColumn(year));
        entry.hasYear[year] = index[year] >= 0;
    }
    while (query.next() && entry.error.isEmpty()) {
        PerUnitInhabitants::AgeRow row;
        row.age = NumberFormat::toInt(query.value(ageIndex));
        for (int year = 1; year <= PlanningYears && entry.error.isEmpty(); ++year) {
            if (index[year] < 0)
                continue;
            bool isNumber = false;
            const QVariant raw = query.value(index[year]);
            row.perYear[year] = NumberFormat::storedNumber(raw, &isNumber);
            entry.error = masterValueError(raw, row.perYear[year], isNumber, year, table);
        }
        entry.rows.push_back(row);
    }
    return entry;
}

void loadReferenceData(const QSqlDatabase& master, EngineInput& input) {
    loadEvaluationTypes(master, input.types);
    try {
        const double pg = std::trunc(input.project.value(QStringLiteral("PG")));
        if (pg > 2147483647.0 || pg < -2147483648.0)
            throw TavoError(
                QStringLiteral("Ungültiger Wert im Feld PG: keine ganze Zahl im zulässigen Bereich."));
        input.pg = static_cast<int>(pg);
    } catch (const TavoError& e) {
        // Without a municipality there is nothing to read for it; the first step reports the error.
        input.pgError = e.message();
        return;
    }
    if (MasterData::municipalityName(master, input.pg).isNull()) {
        // A project of another master (the shipped example, an import of another Land): nothing to
        // read for it, and no silent zeros.
        const QString name = input.project.raw(QStringLiteral("PG_Name")).toString();
        input.pgError =
            QStringLiteral("Die Gemeinde %1 des Projekts gibt es in den verwendeten Stammdaten „%2“ "
                           "nicht. Bitte im Projekt eine Gemeinde dieser Stammdaten wählen oder die "
                           "Stammdaten verwenden, zu denen das Projekt gehört (--master).")
                .arg(name.isEmpty() ? QString::number(input.pg)
                                    : QStringLiteral("%1 (%2)").arg(input.pg).arg(name),
                     QFileInfo(master.databaseName()).fileName());
        return;
    }
    for (const QString& table : EngineInput::municipalityTableNames())
        input.municipalityTables.emplace(table, loadYearTable(master, table, input.pg));
    loadMunicipalityPopulation(master, input);
    std::set<QString> types;
    for (const BuildingRow& row : input.buildings)
        types.insert(row.bbTyp);
    for (const QString& type : types)
        input.perUnit.emplace(type, loadPerUnit(master, type));
}

} // namespace

void ProjectInputs::append(const QString& name, const QVariant& raw, int projectId) {
    m_projectId = projectId;
    bool isNumber = false;
    const double value = NumberFormat::storedNumber(raw, &isNumber);
    m_index.insert(name, static_cast<int>(m_names.size()));
    m_names << name;
    m_raw.push_back(raw);
    m_number.push_back(value);
    // A stored floating-point value that is infinite (or NaN on a server) is a number, but no finite one.
    const bool infinite = NumberFormat::isFloatingNumber(raw) && !std::isfinite(raw.toDouble());
    m_state.push_back(infinite ? State::NotFinite : !isNumber ? State::NotANumber : State::Number);
}

int ProjectInputs::indexOf(const QString& name) const {
    const auto it = m_index.constFind(name);
    if (it != m_index.constEnd())
        return it.value();
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

double ProjectInputs::value(const QString& name) const {
    const int index = indexOf(name);
    if (index < 0)
        throw TavoError(QStringLiteral("Feld „%1“ nicht gefunden.").arg(name));
    switch (m_state[index]) {
    case State::Number:
        return m_number[index];
    case State::NotANumber:
        NumberFormat::throwNotANumber(m_raw[index], name, projectName(m_projectId));
    case State::NotFinite:
        break;
    }
    throw TavoError(QStringLiteral("Ungültiger Wert im Feld %1: keine endliche Zahl.").arg(name));
}

QVariant ProjectInputs::raw(const QString& name) const {
    const int index = indexOf(name);
    return index < 0 ? QVariant() : m_raw[static_cast<std::size_t>(index)];
}

void ProjectInputs::setValue(const QString& name, double value) {
    const int index = indexOf(name);
    if (index < 0)
        throw TavoError(QStringLiteral("Feld „%1“ nicht gefunden.").arg(name));
    m_number[index] = value;
    m_raw[index] = value;
    m_state[index] = std::isfinite(value) ? State::Number : State::NotFinite;
}

const QStringList& EngineInput::municipalityTableNames() {
    return FileChecks::municipalityTables();
}

EngineInput EngineInput::load(const Databases& dbs, int projectId) {
    const QSqlDatabase user = dbs.user();
    QSqlQuery project =
        Sql::exec(user, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId});
    if (!project.next())
        throw TavoError(QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(projectId));
    return fromRows(
        dbs.master(), projectId, project.record(),
        detailRows(user,
                   QStringLiteral("SELECT \"bbTyp\", \"bbBauklasse\", \"bbAnteil\" FROM \"Bebauung\" WHERE "
                                  "\"TAVO\" = ? ORDER BY \"ID\""),
                   projectId),
        detailRows(user,
                   QStringLiteral("SELECT \"Jahr\", \"EFHg\", \"EFHk\", \"RHg\", \"RHk\", \"GWB\" FROM "
                                  "\"Besiedelung\" WHERE \"TAVO\" = ? ORDER BY \"ID\""),
                   projectId),
        detailRows(user,
                   QStringLiteral("SELECT \"Jahr\", \"Typ\", \"Bezeichnung\", \"Kostenträger\", \"Ausgabe\" "
                                  "FROM \"Sonderausgaben\" WHERE "
                                  "\"TAVO\" = ? ORDER BY \"ID\""),
                   projectId));
}

EngineInput EngineInput::fromRows(const QSqlDatabase& master, int projectId, const QSqlRecord& project,
                                  const QList<QSqlRecord>& buildings, const QList<QSqlRecord>& settlements,
                                  const QList<QSqlRecord>& specials) {
    EngineInput input;
    input.projectId = projectId;
    takeProject(project, input);
    takeDetailRows(buildings, settlements, specials, input);
    loadReferenceData(master, input);
    return input;
}

} // namespace tavo
