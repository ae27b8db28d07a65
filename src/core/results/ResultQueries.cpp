#include "core/results/ResultQueries.h"

#include <cmath>
#include <functional>

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/SchemaDriver.h"
#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

namespace tavo {

namespace ResultQueries {
namespace {

const QString kCostBearerPrefix = QStringLiteral("Anteil_");

// Throws unless position is an item of a list with count items.
void checkPosition(int position, int count, const QString& what) {
    if (position < 0 || position >= count)
        throw TavoError(QStringLiteral("Ungültige Auswahl im Filter %1: %2").arg(what).arg(position));
}

// The filter line of one column: the self-comparison for the last item (no restriction, and false for
// NULL, so rows without a value never show), otherwise a comparison with the bound item text.
QString filterLine(const QString& column, const QString& param, const QStringList& items, int position,
                   QVariantMap& params) {
    if (position == items.size() - 1)
        return QStringLiteral("AND %1 = %1").arg(Sql::quoted(column));
    params.insert(param, items.at(position));
    return QStringLiteral("AND %1 = :%2").arg(Sql::quoted(column), param);
}

// The names of a column list ("Jahr, Typ") quoted.
QStringList quotedNames(const QString& columns) {
    QStringList names;
    for (const QString& column : columns.split(QStringLiteral(", ")))
        names << Sql::quoted(column);
    return names;
}

// A ledger view's text for each database: the same statement with the driver's sums and ordering.
void setLedgerText(Query& q, const std::function<QString(const SchemaDriver&)>& text) {
    q.sql = text(SchemaDriver::sqlite());
    q.serverSql = text(SchemaDriver::postgres());
}

// The two filter lines shared by all three finance views.
QStringList filterLines(const FilterItems& items, const FinanceChoice& choice, QVariantMap& params) {
    checkPosition(choice.costBearer, items.costBearers.size(), QStringLiteral("Kostenträger"));
    const int type = choice.type < 0 ? items.types.size() - 1 : choice.type;
    checkPosition(type, items.types.size(), QStringLiteral("Typ"));
    return {filterLine(QStringLiteral("Kostenträger"), QStringLiteral("Kostentraeger"), items.costBearers,
                       choice.costBearer, params),
            filterLine(QStringLiteral("Typ"), QStringLiteral("Typ"), items.types, type, params)};
}

// Expenditure or revenue rows: every nonzero amount of the project, in the page's order. Rows equal in
// every sorted column follow in the order the run wrote them (SQLite reads them so from its index; a
// server returns them in the order they lie on its disk, which deleted rows' reused space changes).
Query buildLedgerQuery(const QString& amountColumn, const FilterItems& items, const FinanceChoice& choice,
                       int projectId) {
    Query q;
    q.params.insert(QStringLiteral("ID"), projectId);
    const QString amount = Sql::quoted(amountColumn);
    QStringList lines{
        QStringLiteral("SELECT \"Jahr\", \"Typ\", \"Bezeichnung\", \"Kostenträger\", %1").arg(amount),
        QStringLiteral("FROM \"Auswertung\""), QStringLiteral("WHERE"), QStringLiteral("\"TAVO\" = :ID"),
        QStringLiteral("AND %1 <> 0").arg(amount)};
    lines << filterLines(items, choice, q.params);
    setLedgerText(q, [&lines](const SchemaDriver& driver) {
        return (lines + QStringList{QStringLiteral("ORDER by ") +
                                    driver.orderBy(quotedNames(QStringLiteral("Jahr, Kostenträger, Typ, "
                                                                              "Bezeichnung, rowid")))})
            .join(QLatin1Char('\n'));
    });
    return q;
}

// One balance row per group, also for groups whose sums are both zero. The balance is the group's
// revenue minus its expenditure; the sums are repeated because a select list cannot use its own
// aliases. Total() reads a group of NULL amounts as 0 instead of leaving the balance empty. Within a
// year the rows follow the grouping columns, so the listing is the same on every run.
Query buildBalanceQuery(const FilterItems& items, const FinanceChoice& choice, int projectId) {
    const QStringList groupings = groupingItems();
    checkPosition(choice.grouping, groupings.size(), QStringLiteral("Gruppierung"));
    const QString group = groupings.at(choice.grouping);
    Query q;
    q.params.insert(QStringLiteral("ID"), projectId);
    const QStringList filters = filterLines(items, choice, q.params);
    const QStringList grouped = quotedNames(group);
    setLedgerText(q, [&](const SchemaDriver& driver) {
        const QString spent = driver.ledgerTotal(QStringLiteral("\"Ausgabe\""));
        const QString earned = driver.ledgerTotal(QStringLiteral("\"Einnahme\""));
        QStringList lines{
            QStringLiteral("SELECT %1,%2 as \"Ausgaben\", %3 as \"Einnahmen\", %3-%2 as \"Saldo\"")
                .arg(grouped.join(QStringLiteral(", ")), spent, earned),
            QStringLiteral("FROM \"Auswertung\""), QStringLiteral("WHERE"), QStringLiteral("\"TAVO\" = :ID")};
        lines << filters;
        lines << QStringLiteral("GROUP BY ") + grouped.join(QStringLiteral(", "))
              << QStringLiteral("ORDER by ") + driver.orderBy(grouped);
        return lines.join(QLatin1Char('\n'));
    });
    return q;
}

// The population query of that name with its parameters of one kind and the three factors. The text
// is the program's own: a copy stored in the database is never run, since it would run with the rights
// of whoever opens the project, whoever wrote it.
Query storedPopulationQuery(const QSqlDatabase& userDb, const QString& name, const QString& keyName,
                            const QVariant& key, const QVariant& factor) {
    Query q;
    q.sql = UserSchema::populationQuery(userDb, name);
    for (int i = 1; i <= 3; ++i) {
        q.params.insert(keyName + QString::number(i), key);
        if (factor.isValid())
            q.params.insert(QStringLiteral("Faktor%1").arg(i), factor);
    }
    return q;
}

// Rounds to at most `digits` significant digits without going below two decimals of precision.
double roundSignificant(double value, int digits) {
    if (value == 0.0)
        return 0.0;
    const int integerDigits = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    const int decimals = digits - integerDigits;
    if (decimals >= 2)
        return value;
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

} // namespace

QString noRestrictionItem() {
    return QStringLiteral("keine Einschränkung");
}

FilterItems loadFilterItems(const QSqlDatabase& master) {
    FilterItems items;
    QSqlQuery q = Sql::exec(master, QStringLiteral("SELECT * from AUSWERTUNG_TYPEN"));
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        if (name.startsWith(kCostBearerPrefix, Qt::CaseSensitive))
            items.costBearers << name.mid(kCostBearerPrefix.size(), 255);
    }
    const int typeColumn = record.indexOf(QStringLiteral("Typ"));
    while (q.next())
        items.types << q.value(typeColumn).toString();
    items.costBearers << noRestrictionItem();
    items.types << noRestrictionItem();
    return items;
}

QStringList groupingItems() {
    return {QStringLiteral("Jahr, Typ, Kostenträger"), QStringLiteral("Jahr, Kostenträger")};
}

FinanceChoice initialChoice(const FilterItems& items) {
    FinanceChoice choice;
    choice.costBearer = 0;
    choice.type = items.types.size() - 1;
    choice.grouping = 0;
    return choice;
}

std::array<Query, 3> buildResultQueries(const FilterItems& items, const FinanceChoice& choice,
                                        int projectId) {
    return {buildLedgerQuery(QStringLiteral("Ausgabe"), items, choice, projectId),
            buildLedgerQuery(QStringLiteral("Einnahme"), items, choice, projectId),
            buildBalanceQuery(items, choice, projectId)};
}

Query buildResultQuery(ResultKind kind, const FilterItems& items, const FinanceChoice& choice,
                       int projectId) {
    switch (kind) {
    case ResultKind::Expenditure:
        return buildLedgerQuery(QStringLiteral("Ausgabe"), items, choice, projectId);
    case ResultKind::Revenue:
        return buildLedgerQuery(QStringLiteral("Einnahme"), items, choice, projectId);
    case ResultKind::Balance:
        break;
    }
    return buildBalanceQuery(items, choice, projectId);
}

Query buildDwellingQuery(int projectId) {
    Query q;
    q.sql =
        QStringList{
            QStringLiteral("SELECT \"Jahr\", \"EFHg\"+\"EFHk\"+\"RHg\"+\"RHk\"+\"GWB\" as \"Wohneinheiten\""),
            QStringLiteral("FROM"),
            QStringLiteral("\"bWvB\""),
            QStringLiteral("WHERE"),
            QStringLiteral("\"TAVO\" =:ID"),
            QStringLiteral("ORDER BY \"Jahr\"")}
            .join(QLatin1Char('\n'));
    q.params.insert(QStringLiteral("ID"), projectId);
    return q;
}

QStringList areaItems() {
    return {QStringLiteral("Baugebiet Zuzug"), QStringLiteral("Baugebiet gesamt"),
            QStringLiteral("Projekt Zuzug"), QStringLiteral("Projekt gesamt"),
            QStringLiteral("Prognose ÖROK")};
}

QList<CalculatedProject> calculatedProjects(const QSqlDatabase& userDb, int pg) {
    // The ledger's row numbers only grow (SQLite rowid, an identity on the server): the project whose
    // rows carry the largest number was calculated last.
    QSqlQuery q = Sql::exec(
        userDb,
        QStringLiteral("SELECT t.\"ID\", t.\"Projekt\", t.\"Beschreibung\", t.\"PG_Name\", "
                       "t.\"Bezugsjahr\", (SELECT max(a.\"rowid\") FROM \"Auswertung\" a WHERE a.\"TAVO\" = "
                       "t.\"ID\") FROM \"TAVO\" t WHERE t.\"PG\" = ? AND EXISTS (SELECT 1 FROM "
                       "\"Auswertung\" b WHERE b.\"TAVO\" = t.\"ID\") ORDER BY t.\"ID\""),
        {pg});
    QList<CalculatedProject> projects;
    while (q.next()) {
        CalculatedProject p;
        p.id = q.value(0).toInt();
        p.projekt = q.value(1).toString();
        p.beschreibung = q.value(2).toString();
        p.pgName = q.value(3).toString();
        p.bezugsjahr = q.value(4).isNull() ? 0 : q.value(4).toInt();
        p.writeOrder = q.value(5).toLongLong();
        projects << p;
    }
    return projects;
}

QList<YearTypeBalance> balanceByYearAndType(const QSqlDatabase& userDb, int projectId,
                                            const QString& costBearer) {
    const bool all = costBearer.isEmpty();
    QVariantList parameters{projectId};
    if (!all)
        parameters << costBearer;
    QSqlQuery q =
        Sql::exec(userDb,
                  QStringLiteral("SELECT \"Jahr\", COALESCE(\"Typ\", ''), %1 - %2 FROM \"Auswertung\" "
                                 "WHERE \"TAVO\" = ? %3AND \"Jahr\" BETWEEN 1 AND 20 GROUP BY 1, 2")
                      .arg(SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Einnahme\"")),
                           SqlDialect::ledgerTotal(userDb, QStringLiteral("\"Ausgabe\"")),
                           all ? QString() : QStringLiteral("AND \"Kostenträger\" = ? ")),
                  parameters);
    QList<YearTypeBalance> balances;
    while (q.next())
        balances << YearTypeBalance{q.value(0).toInt(), q.value(1).toString(), q.value(2).toDouble()};
    return balances;
}

PopulationSource readPopulationSource(const QSqlDatabase& userDb, int projectId) {
    QSqlQuery q =
        Sql::exec(userDb,
                  QStringLiteral(
                      "SELECT \"ID\", \"Projekt\", \"PG\", \"auAnteilZuzug\" FROM \"TAVO\" WHERE \"ID\" = ?"),
                  {projectId});
    if (!q.next())
        throw TavoError(QStringLiteral("Unbekanntes Projekt: %1").arg(projectId));
    PopulationSource source;
    source.id = q.value(0).toInt();
    source.projekt = q.value(1).isNull() ? QString(QLatin1String("")) : q.value(1).toString();
    const QString owner = QStringLiteral("Projekt %1").arg(projectId);
    const double pg = std::trunc(NumberFormat::storedNumberOrThrow(q.value(2), QStringLiteral("PG"), owner));
    source.anteilZuzug =
        NumberFormat::storedNumberOrThrow(q.value(3), QStringLiteral("auAnteilZuzug"), owner);
    // The share scales every inhabitant of the view; a value beyond a double would show as "inf".
    if (!std::isfinite(source.anteilZuzug))
        throw TavoError(
            QStringLiteral("Ungültiger Wert im Feld auAnteilZuzug (%1): keine endliche Zahl.").arg(owner));
    if (!(std::fabs(pg) <= 2147483647.0))
        throw TavoError(
            QStringLiteral("Ungültiger Wert im Feld PG (%1): keine ganze Zahl im zulässigen Bereich.")
                .arg(owner));
    source.pg = static_cast<int>(pg);
    return source;
}

Query buildPopulationQueries(const QSqlDatabase& userDb, int area, const PopulationSource& source) {
    const double zuzug = source.anteilZuzug / 100.0;
    switch (area) {
    case 0:
        return storedPopulationQuery(userDb, QStringLiteral("Bewohner_bBvB"), QStringLiteral("TAVO"),
                                     source.id, zuzug);
    case 1:
        return storedPopulationQuery(userDb, QStringLiteral("Bewohner_bBvB"), QStringLiteral("TAVO"),
                                     source.id, 1.0);
    case 2:
        return storedPopulationQuery(userDb, QStringLiteral("Bewohner_bBvB_Projekt"),
                                     QStringLiteral("Projekt"), source.projekt, zuzug);
    case 3:
        return storedPopulationQuery(userDb, QStringLiteral("Bewohner_bBvB_Projekt"),
                                     QStringLiteral("Projekt"), source.projekt, 1.0);
    case 4:
        return storedPopulationQuery(userDb, QStringLiteral("Bewohner_gBvB"), QStringLiteral("PG"), source.pg,
                                     QVariant());
    default:
        throw TavoError(QStringLiteral("ungültiges Gebiet!"));
    }
}

QString sqlFor(const QSqlDatabase& db, const Query& query) {
    return SqlDialect::isPostgres(db) && !query.serverSql.isEmpty() ? query.serverSql : query.sql;
}

QSqlQuery execute(const QSqlDatabase& db, const Query& query) {
    QSqlQuery q(db);
    Sql::prepare(q, sqlFor(db, query));
    for (auto it = query.params.constBegin(); it != query.params.constEnd(); ++it) {
        const QRegularExpression used(QStringLiteral(":%1\\b").arg(QRegularExpression::escape(it.key())));
        if (query.sql.contains(used))
            q.bindValue(QLatin1Char(':') + it.key(), it.value());
    }
    Sql::execPrepared(q);
    return q;
}

double columnTotal(const QSqlDatabase& db, const Query& query, const QString& fieldName) {
    Query total = query;
    total.sql = QStringLiteral("SELECT Total(%1) FROM (\n%2\n) AS \"Ansicht\"")
                    .arg(Sql::quoted(fieldName), sqlFor(db, query));
    total.serverSql.clear();
    QSqlQuery q = execute(db, total);
    return q.next() ? q.value(0).toDouble() : 0.0;
}

QString formatTotal(double total) {
    if (std::fabs(total) >= 1e10)
        return NumberFormat::locale().toString(total, 'e', 9);
    return NumberFormat::fixed(roundSignificant(total, 10), 2);
}

QString sumColumnText(const QSqlDatabase& db, const Query& query, const QString& fieldName) {
    return formatTotal(columnTotal(db, query, fieldName));
}

} // namespace ResultQueries

} // namespace tavo
