#include "core/data/UserSchema.h"

#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace UserSchema {
namespace {

// Inhabitants per project year: kindergarten children are ages 3 to 6, primary-school pupils ages 7
// to 10, Bewohner all ages. The three factors scale the three columns; the three key parameters all
// receive the same value. The names are written as the driver writes them in a table definition: a
// file stores the text SQLite's files have always held, a server its names quoted.
// On PostgreSQL each sum names the order in which SQLite adds the rows up (its index on key, year and
// age), so the figures agree to the last bit.
QString populationSelect(const SchemaDriver& driver, const QString& source, const QString& where,
                         bool scaled) {
    const auto q = [&driver](const char* name) { return driver.quote(QString::fromUtf8(name)); };
    const QString key = source == QLatin1String("gBvB") ? q("PG") : q("TAVO");
    const QString order = QStringLiteral("%1, %2, %3").arg(key, q("Alter"), q("rowid"));
    const auto sum = [&](const QString& expression, const QString& factor) {
        return driver.orderedTotal(expression, order) +
               (scaled ? QStringLiteral(" * :") + factor : QString());
    };
    const auto ages = [&](int from, int to) {
        return QStringLiteral("CASE WHEN %1 BETWEEN %2 AND %3 THEN %4 ELSE 0 END")
            .arg(q("Alter"))
            .arg(from)
            .arg(to)
            .arg(q("Bewohner"));
    };
    return QStringLiteral("SELECT %1,\n"
                          "  %2 AS %3,\n"
                          "  %4 AS %5,\n"
                          "  %6 AS %7\n"
                          "FROM %8\n"
                          "WHERE %9\n")
               .arg(q("Jahr"), sum(ages(3, 6), QStringLiteral("Faktor1")), q("Kindergartenkinder"),
                    sum(ages(7, 10), QStringLiteral("Faktor2")), q("Volksschüler"),
                    sum(q("Bewohner"), QStringLiteral("Faktor3")), q("Bewohner"), driver.quote(source),
                    where) +
           QStringLiteral("GROUP BY %1\nORDER BY %1").arg(q("Jahr"));
}

// The program's own population queries in the form the driver's database stores them.
QString builtInPopulationQuery(const QString& name, const SchemaDriver& driver) {
    const auto q = [&driver](const char* column) { return driver.quote(QString::fromUtf8(column)); };
    if (name.compare(QLatin1String("Bewohner_bBvB"), Qt::CaseInsensitive) == 0)
        return populationSelect(driver, QStringLiteral("bBvB"),
                                QStringLiteral("%1 IN (:TAVO1, :TAVO2, :TAVO3)").arg(q("TAVO")), true);
    if (name.compare(QLatin1String("Bewohner_bBvB_Projekt"), Qt::CaseInsensitive) == 0)
        return populationSelect(driver, QStringLiteral("bBvB"),
                                QStringLiteral("%1 IN (SELECT %2 FROM %1 WHERE Coalesce(%3, '') "
                                               "IN (:Projekt1, :Projekt2, :Projekt3))")
                                    .arg(q("TAVO"), q("ID"), q("Projekt")),
                                true);
    if (name.compare(QLatin1String("Bewohner_gBvB"), Qt::CaseInsensitive) == 0)
        return populationSelect(driver, QStringLiteral("gBvB"),
                                QStringLiteral("%1 IN (:PG1, :PG2, :PG3)").arg(q("PG")), false);
    return QString();
}

// The stored copies of the population queries: the program never runs them, but older versions of it
// read them from the file, so a new database still holds them.
void createStoredQueries(const QSqlDatabase& db) {
    for (const QString& name : storedQueryNames())
        Sql::exec(db, QStringLiteral("INSERT INTO \"TAVO_Abfragen\" (\"Name\", \"SQL\") VALUES (?, ?)"),
                  {name, populationQuery(db, name)});
}

} // namespace

void createStoredQueriesTable(const QSqlDatabase& db) {
    const Schema::Table& table = Schema::table(QStringLiteral("TAVO_Abfragen"));
    const SchemaDriver& driver = SchemaDriver::forDatabase(db);
    Sql::exec(db, Schema::createTableSql(table, driver));
    for (const QString& statement : Schema::createIndexSql(table, driver))
        Sql::exec(db, statement);
    createStoredQueries(db);
}

const std::vector<Column>& projectColumns() {
    return Schema::projectColumns();
}

QString populationQuery(const QSqlDatabase& db, const QString& name) {
    return populationQuery(SchemaDriver::forDatabase(db), name);
}

QString populationQuery(const SchemaDriver& driver, const QString& name) {
    const QString sql = builtInPopulationQuery(name, driver);
    if (sql.isEmpty())
        throw TavoError(QStringLiteral("Unbekannte Bevölkerungsabfrage: %1").arg(name));
    return sql;
}

QStringList divergingStoredQueries(const QSqlDatabase& db) {
    QStringList names;
    QSqlQuery query(db);
    // A file from before the stored queries, or a role that may not read them: nothing to compare.
    if (!query.exec(QStringLiteral("SELECT \"Name\", \"SQL\" FROM \"TAVO_Abfragen\" ORDER BY \"Name\"")))
        return names;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (builtInPopulationQuery(name, SchemaDriver::sqlite()).isEmpty())
            continue;
        if (query.value(1).toString().trimmed() != populationQuery(db, name))
            names << name;
    }
    return names;
}

QStringList numericProjectColumns() {
    QStringList names;
    for (const Column& c : Schema::projectColumns())
        if (c.type == ColumnType::Integer || c.type == ColumnType::Float)
            names << QString::fromUtf8(c.name);
    return names;
}

QStringList tableNames() {
    QStringList names;
    for (const Schema::Table& table : Schema::tables())
        names << table.name;
    return names;
}

void create(const QSqlDatabase& db) {
    const SchemaDriver& driver = SchemaDriver::forDatabase(db);
    Transaction tx(db);
    // On a server the aggregate Total that SQLite has built in: a sum that reads no rows as 0.
    if (driver.isPostgres())
        Sql::exec(db, QStringLiteral("CREATE OR REPLACE AGGREGATE total(double precision) "
                                     "(SFUNC = float8pl, STYPE = double precision, INITCOND = '0')"));
    for (const QString& statement : Schema::generateCreateSql(driver))
        Sql::exec(db, statement);
    createStoredQueries(db);
    Sql::exec(db, QStringLiteral("INSERT INTO \"Schemaversion\" (\"Version\") VALUES (?)"),
              {currentVersion()});
    tx.commit();
}

const QList<RequiredTable>& requiredTables() {
    static const QList<RequiredTable> tables = {
        {QStringLiteral("TAVO"), {QStringLiteral("ID"), QStringLiteral("PG")}},
        {QStringLiteral("Bebauung"), {QStringLiteral("ID"), QStringLiteral("TAVO")}},
        {QStringLiteral("Besiedelung"),
         {QStringLiteral("ID"), QStringLiteral("TAVO"), QStringLiteral("Jahr")}},
        {QStringLiteral("Sonderausgaben"), {QStringLiteral("TAVO"), QStringLiteral("Jahr")}},
        {QStringLiteral("Auswertung"), {QStringLiteral("TAVO"), QStringLiteral("Jahr")}},
        {QStringLiteral("bWvB"), {QStringLiteral("TAVO"), QStringLiteral("Jahr")}},
        {QStringLiteral("bBvB"), {QStringLiteral("TAVO"), QStringLiteral("Alter"), QStringLiteral("Jahr")}},
        {QStringLiteral("gBvB"), {QStringLiteral("PG"), QStringLiteral("Alter"), QStringLiteral("Jahr")}},
    };
    return tables;
}

} // namespace UserSchema

} // namespace tavo
