#include "core/data/UserSchema.h"

#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace UserSchema {
namespace {

// Inhabitants per project year: kindergarten children are ages 3 to 6, primary-school pupils ages 7
// to 10, Bewohner all ages. The three factors scale the three columns; the three key parameters all
// receive the same value.
// On PostgreSQL each sum names the order in which SQLite adds the rows up (its index on key, year and
// age), so the figures agree to the last bit.
QString populationSelect(const QString& source, const QString& where, bool scaled, bool postgres) {
    const QString key = source == QLatin1String("gBvB") ? QStringLiteral("PG") : QStringLiteral("TAVO");
    const QString order = postgres ? QStringLiteral(" ORDER BY %1, \"Alter\", rowid").arg(key) : QString();
    const QString sum = postgres ? QStringLiteral("total") : QStringLiteral("Total");
    const QString f1 = scaled ? QStringLiteral(" * :Faktor1") : QString();
    const QString f2 = scaled ? QStringLiteral(" * :Faktor2") : QString();
    const QString f3 = scaled ? QStringLiteral(" * :Faktor3") : QString();
    return QStringLiteral(
               "SELECT Jahr,\n"
               "  %6(CASE WHEN \"Alter\" BETWEEN 3 AND 6 THEN Bewohner ELSE 0 END%7)%1 AS "
               "Kindergartenkinder,\n"
               "  %6(CASE WHEN \"Alter\" BETWEEN 7 AND 10 THEN Bewohner ELSE 0 END%7)%2 AS Volksschüler,\n"
               "  %6(Bewohner%7)%3 AS Bewohner\n"
               "FROM %4\n"
               "WHERE %5\n"
               "GROUP BY Jahr\n"
               "ORDER BY Jahr")
        .arg(f1, f2, f3, source, where, sum, order);
}

// The program's own population queries, each in the form SQLite reads (for a server without its names
// quoted yet).
QString builtInPopulationQuery(const QString& name, bool postgres) {
    if (name.compare(QLatin1String("Bewohner_bBvB"), Qt::CaseInsensitive) == 0)
        return populationSelect(QStringLiteral("bBvB"), QStringLiteral("TAVO IN (:TAVO1, :TAVO2, :TAVO3)"),
                                true, postgres);
    if (name.compare(QLatin1String("Bewohner_bBvB_Projekt"), Qt::CaseInsensitive) == 0)
        return populationSelect(QStringLiteral("bBvB"),
                                QStringLiteral("TAVO IN (SELECT ID FROM TAVO WHERE Coalesce(Projekt, '') "
                                               "IN (:Projekt1, :Projekt2, :Projekt3))"),
                                true, postgres);
    if (name.compare(QLatin1String("Bewohner_gBvB"), Qt::CaseInsensitive) == 0)
        return populationSelect(QStringLiteral("gBvB"), QStringLiteral("PG IN (:PG1, :PG2, :PG3)"), false,
                                postgres);
    return QString();
}

// The stored copies of the population queries: the program never runs them, but older versions of it
// read them from the file, so a new database still holds them.
void createStoredQueries(const QSqlDatabase& db) {
    for (const QString& name : storedQueryNames())
        Sql::exec(db, QStringLiteral("INSERT INTO TAVO_Abfragen (Name, SQL) VALUES (?, ?)"),
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
    const bool postgres = SqlDialect::isPostgres(db);
    const QString sql = builtInPopulationQuery(name, postgres);
    if (sql.isEmpty())
        throw TavoError(QStringLiteral("Unbekannte Bevölkerungsabfrage: %1").arg(name));
    return postgres ? SqlDialect::forPostgres(sql) : sql;
}

QStringList divergingStoredQueries(const QSqlDatabase& db) {
    QStringList names;
    QSqlQuery query(db);
    // A file from before the stored queries, or a role that may not read them: nothing to compare.
    if (!query.exec(
            SqlDialect::forDatabase(db, QStringLiteral("SELECT Name, SQL FROM TAVO_Abfragen ORDER BY Name"))))
        return names;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (builtInPopulationQuery(name, false).isEmpty())
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

QStringList identifiers() {
    return Schema::identifiers();
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
