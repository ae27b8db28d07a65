#include "core/data/UserSchema.h"

#include <algorithm>

#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace UserSchema {
namespace {

using T = ColumnType;

const std::vector<Column> kProjectColumns = {
    {"ID", T::Identity},
    {"Beschreibung", T::Text},
    {"Projekt", T::Text},
    {"PG", T::Integer},
    {"PG_Name", T::Text},
    {"Bezugsjahr", T::Integer},
    {"bgFlBaulandBrutto", T::Float},
    {"bgAntGrünflächen", T::Float},
    {"bgAntVerkehrsflächen", T::Float},
    {"bgFlGrünflächen", T::Float},
    {"bgFlVerkehrsflächen", T::Float},
    {"bgFlBaulandNetto", T::Float},
    {"bgNutzFl_EFHg", T::Float},
    {"bgNutzFl_EFHk", T::Float},
    {"bgNutzFl_RHg", T::Float},
    {"bgNutzFl_RHk", T::Float},
    {"bgNutzFl_GWB", T::Float},
    {"bgBebDichte_GWB", T::Float},
    {"bgGstFl_EFHg", T::Float},
    {"bgGstFl_EFHk", T::Float},
    {"bgGstFl_RHg", T::Float},
    {"bgGstFl_RHk", T::Float},
    {"bgGstFl_GWB", T::Float},
    {"bgWandstärke", T::Float},
    {"ifFaktorLeitungslängen", T::Float},
    {"ifLfmWasserleitung", T::Integer},
    {"ifLfmKanalTrennsystem", T::Integer},
    {"ifLfmKanalMischsystem", T::Integer},
    {"ifLfmKanalStrEntwässerung", T::Integer},
    {"ifLfmStraßenbeleuchtung", T::Integer},
    {"ifLfmStromleitung", T::Integer},
    {"ifLfmDatenleitung", T::Integer},
    {"ifLfmGasleitung", T::Integer},
    {"ifLfmNahwärme", T::Integer},
    {"ifLfmAnschlWasserleitung", T::Integer},
    {"ifLfmAnschlKanalTrennsystem", T::Integer},
    {"ifLfmAnschlKanalMischsystem", T::Integer},
    {"ifLfmAnschlKanalStrEntwässerung", T::Integer},
    {"ifLfmAnschlStraßenbeleuchtung", T::Integer},
    {"ifLfmAnschlStromleitung", T::Integer},
    {"ifLfmAnschlDatenleitung", T::Integer},
    {"ifLfmAnschlGasleitung", T::Integer},
    {"ifLfmAnschlNahwärme", T::Integer},
    {"ifFlAnschlStraße", T::Integer},
    {"ifOberflächeInJahr", T::Integer},
    {"ifAnschlOberflächeInJahr", T::Integer},
    {"ifKoErStraßeUnterbau", T::Float},
    {"ifKoErStraßeOberbau", T::Float},
    {"ifKoErGrünflächen", T::Float},
    {"ifKoErWasserleitung", T::Float},
    {"ifKoErKanalTrennsystem", T::Float},
    {"ifKoErKanalMischsystem", T::Float},
    {"ifKoErKanalStrEntwässerung", T::Float},
    {"ifKoErStraßenbeleuchtung", T::Float},
    {"ifKoErStromleitung", T::Float},
    {"ifKoErDatenleitung", T::Float},
    {"ifKoErGasleitung", T::Float},
    {"ifKoErNahwärme", T::Float},
    {"ifKoEhStraße", T::Float},
    {"ifKoEhGrünflächen", T::Float},
    {"ifKoEhWasserleitung", T::Float},
    {"ifKoEhKanalTrennsystem", T::Float},
    {"ifKoEhKanalMischsystem", T::Float},
    {"ifKoEhKanalStrEntwässerung", T::Float},
    {"ifKoEhStraßenbeleuchtung", T::Float},
    {"ifKoEhStromleitung", T::Float},
    {"ifKoEhDatenleitung", T::Float},
    {"ifKoEhGasleitung", T::Float},
    {"ifKoEhNahwärme", T::Float},
    {"auAnteilZuzug", T::Float},
    {"auHebesatzAufschl", T::Float},
    {"auAntGemFörderungAufschl", T::Float},
    {"auGemFörderungAufschl", T::Integer},
    {"auEinheitssatzWasser", T::Float},
    {"auEinheitssatzKanalSchmutz", T::Float},
    {"auEinheitssatzKanalMisch", T::Float},
    {"auAntGemFörderungWasser", T::Float},
    {"auAntGemFörderungKanalSchmutz", T::Float},
    {"auAntGemFörderungKanalMisch", T::Float},
    {"auGemFörderungWasser", T::Integer},
    {"auGemFörderungKanalSchmutz", T::Integer},
    {"auGemFörderungKanalMisch", T::Integer},
    {"gsGebWertEFHg", T::Float},
    {"gsGebWertEFHk", T::Float},
    {"gsGebWertRHg", T::Float},
    {"gsGebWertRHk", T::Float},
    {"gsGebWertGWB", T::Float},
    {"gsBodenwert", T::Float},
    {"gsSteuermesszahlEFHg", T::Float},
    {"gsSteuermesszahlEFHk", T::Float},
    {"gsSteuermesszahlRHg", T::Float},
    {"gsSteuermesszahlRHk", T::Float},
    {"gsSteuermesszahlGWB", T::Float},
    {"gsHebesatz", T::Float},
    {"siKoEhKindergarten", T::Float},
    {"siKoEhVolksschule", T::Float},
    {"siKoEhSonstige", T::Float},
    {"fiEigAntErKanal", T::Float},
    {"fiEigAntErWasserleitung", T::Float},
    {"fiEigAntErKindergarten", T::Float},
    {"fiEigAntErStromleitung", T::Float},
    {"fiEigAntErDatenleitung", T::Float},
    {"fiEigAntErGasleitung", T::Float},
    {"fiEigAntErNahwärme", T::Float},
    {"fiEigAntErÖffGut", T::Float},
    {"fiEigAntEhKanal", T::Float},
    {"fiEigAntEhWasserleitung", T::Float},
    {"fiEigAntEhKindergarten", T::Float},
    {"fiEigAntEhStromleitung", T::Float},
    {"fiEigAntEhDatenleitung", T::Float},
    {"fiEigAntEhGasleitung", T::Float},
    {"fiEigAntEhNahwärme", T::Float},
    {"fiEigAntEhÖffGut", T::Float},
    {"fiZinsenSoll", T::Float},
    {"fiZinsenHaben", T::Float},
};

QString sqlType(ColumnType type) {
    switch (type) {
    case T::Identity:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case T::Integer:
        return QStringLiteral("INTEGER");
    case T::Float:
        return QStringLiteral("DOUBLE");
    case T::Text:
        return QStringLiteral("TEXT");
    }
    return QString();
}

// The last column of TAVO, after the inputs: the project's version (see addVersionColumn).
const char* const kVersionColumn = "Version INTEGER NOT NULL DEFAULT 0";

// Detail and result tables refer to their project; deleting a project removes its rows.
const char* const kProjectRef = "INTEGER NOT NULL REFERENCES TAVO(ID) ON DELETE CASCADE";

// The project's optimistic and pessimistic scenario parameters, one row per parameter.
QString scenarioTable() {
    return QStringLiteral("CREATE TABLE Szenarien (TAVO %1, Szenario TEXT NOT NULL, Parameter TEXT NOT NULL, "
                          "Wert DOUBLE, PRIMARY KEY (TAVO, Szenario, Parameter))")
        .arg(QString::fromLatin1(kProjectRef));
}

// The fingerprints of the inputs each project's results were calculated from (CalculationState);
// created with the user database and added to older files.
QString calculationStateTable() {
    return QStringLiteral("CREATE TABLE IF NOT EXISTS Berechnungsstand (TAVO INTEGER PRIMARY KEY "
                          "REFERENCES TAVO(ID) ON DELETE CASCADE, Fingerabdruck TEXT NOT NULL)");
}

QStringList otherTables() {
    const QString ref = QString::fromLatin1(kProjectRef);
    return {
        QStringLiteral("CREATE TABLE Bebauung (ID INTEGER PRIMARY KEY AUTOINCREMENT, TAVO %1, "
                       "bbTyp TEXT, bbBauklasse TEXT, bbAnteil INTEGER)").arg(ref),
        QStringLiteral("CREATE TABLE Besiedelung (ID INTEGER PRIMARY KEY AUTOINCREMENT, TAVO %1, "
                       "Jahr INTEGER, EFHg DOUBLE, EFHk DOUBLE, RHg DOUBLE, RHk DOUBLE, GWB DOUBLE)").arg(ref),
        QStringLiteral("CREATE TABLE Sonderausgaben (ID INTEGER PRIMARY KEY AUTOINCREMENT, TAVO %1, "
                       "Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, Kostenträger TEXT, Ausgabe DOUBLE)").arg(ref),
        QStringLiteral("CREATE TABLE Auswertung (TAVO %1, Jahr INTEGER, Typ TEXT, Bezeichnung TEXT, "
                       "Kostenträger TEXT, Ausgabe DOUBLE DEFAULT 0, Einnahme DOUBLE DEFAULT 0)").arg(ref),
        QStringLiteral("CREATE TABLE bWvB (TAVO %1, Jahr INTEGER, EFHg DOUBLE, EFHk DOUBLE, RHg DOUBLE, "
                       "RHk DOUBLE, GWB DOUBLE)").arg(ref),
        QStringLiteral("CREATE TABLE bBvB (TAVO %1, \"Alter\" INTEGER, Jahr INTEGER, Bewohner DOUBLE DEFAULT 0)")
            .arg(ref),
        QStringLiteral("CREATE TABLE gBvB (PG INTEGER, \"Alter\" INTEGER, Jahr INTEGER, Bewohner DOUBLE)"),
        QStringLiteral("CREATE TABLE TAVO_Abfragen (Name TEXT PRIMARY KEY COLLATE NOCASE, SQL TEXT NOT NULL)"),
        scenarioTable(),
        // Every per-project query filters by project first; these keep them fast with millions of rows.
        QStringLiteral("CREATE INDEX Bebauung_TAVO ON Bebauung (TAVO, ID)"),
        QStringLiteral("CREATE INDEX Besiedelung_TAVO ON Besiedelung (TAVO, Jahr)"),
        QStringLiteral("CREATE INDEX Sonderausgaben_TAVO ON Sonderausgaben (TAVO)"),
        QStringLiteral("CREATE INDEX Auswertung_TAVO ON Auswertung (TAVO, Typ, Jahr)"),
        QStringLiteral("CREATE INDEX bWvB_TAVO ON bWvB (TAVO, Jahr)"),
        QStringLiteral("CREATE INDEX bBvB_TAVO ON bBvB (TAVO, Jahr, \"Alter\")"),
        QStringLiteral("CREATE INDEX gBvB_PG ON gBvB (PG, Jahr, \"Alter\")"),
        QStringLiteral("CREATE INDEX TAVO_Projekt ON TAVO (Projekt)"),
    };
}

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
               "  %6(CASE WHEN \"Alter\" BETWEEN 3 AND 6 THEN Bewohner ELSE 0 END%7)%1 AS Kindergartenkinder,\n"
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

// The tables that hold what a run writes. On PostgreSQL each gets a column rowid numbering its rows in
// the order they were written, which SQLite keeps by itself; sums and listings follow that order.
const QStringList& resultTables() {
    static const QStringList tables = {QStringLiteral("Auswertung"), QStringLiteral("bWvB"),
                                       QStringLiteral("bBvB"), QStringLiteral("gBvB")};
    return tables;
}

// The schema on a PostgreSQL server: the same tables with PostgreSQL's types, the row numbers of the
// result tables, and the aggregate Total that SQLite has built in (a sum that reads no rows as 0).
void createOnPostgres(const QSqlDatabase& db, const QString& projectTable) {
    Sql::exec(db, QStringLiteral("CREATE OR REPLACE AGGREGATE total(double precision) "
                                 "(SFUNC = float8pl, STYPE = double precision, INITCOND = '0')"));
    Sql::exec(db, SqlDialect::definitionForPostgres(projectTable));
    for (const QString& statement : otherTables()) {
        if (statement.contains(QLatin1String("COLLATE NOCASE"))) {
            Sql::exec(db, QStringLiteral("CREATE TABLE TAVO_Abfragen (Name TEXT COLLATE \"C\" PRIMARY KEY, "
                                         "SQL TEXT NOT NULL)"));
            Sql::exec(db, QStringLiteral("CREATE UNIQUE INDEX TAVO_Abfragen_Name ON TAVO_Abfragen (lower(Name))"));
            continue;
        }
        Sql::exec(db, SqlDialect::definitionForPostgres(statement));
    }
    for (const QString& table : resultTables())
        Sql::exec(db, QStringLiteral("ALTER TABLE %1 ADD rowid BIGINT GENERATED BY DEFAULT AS IDENTITY").arg(table));
    Sql::exec(db, SqlDialect::definitionForPostgres(calculationStateTable()));
}

// A table definition or change in the form of the database at hand.
QString definition(const QSqlDatabase& db, const QString& ddl) {
    return SqlDialect::isPostgres(db) ? SqlDialect::definitionForPostgres(ddl) : ddl;
}

// Whether the server's database has the table in the schema the program works in.
bool hasServerTable(const QSqlDatabase& db, const QString& table) {
    return Sql::scalar(db,
                       QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = "
                                      "current_schema() AND table_name = ?"),
                       {table})
               .toInt() > 0;
}

// Probes a column with a statement that returns no row; a failing probe means the column is missing.
bool probeSucceeds(const QSqlDatabase& db, const QString& probe) {
    QSqlQuery query(db);
    return query.exec(SqlDialect::forDatabase(db, probe));
}

} // namespace

const std::vector<Column>& projectColumns() { return kProjectColumns; }

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
    for (const Column& c : kProjectColumns)
        if (c.type == T::Integer || c.type == T::Float)
            names << QString::fromUtf8(c.name);
    return names;
}

QStringList tableNames() {
    return {QStringLiteral("TAVO"), QStringLiteral("Bebauung"), QStringLiteral("Besiedelung"),
            QStringLiteral("Sonderausgaben"), QStringLiteral("Auswertung"), QStringLiteral("bWvB"),
            QStringLiteral("bBvB"), QStringLiteral("gBvB"), QStringLiteral("TAVO_Abfragen"),
            QStringLiteral("Szenarien"), QStringLiteral("Berechnungsstand")};
}

// "Alter" is missing on purpose: it is a keyword of both databases, so the program always writes the
// column quoted, and the bare word is the statement ALTER.
QStringList identifiers() {
    QStringList names = tableNames();
    names << // detail and result columns
        QStringList{QStringLiteral("bbTyp"), QStringLiteral("bbBauklasse"), QStringLiteral("bbAnteil"),
                         QStringLiteral("Jahr"), QStringLiteral("EFHg"), QStringLiteral("EFHk"),
                         QStringLiteral("RHg"), QStringLiteral("RHk"), QStringLiteral("GWB"), QStringLiteral("Typ"),
                         QStringLiteral("Bezeichnung"), QStringLiteral("Kostenträger"), QStringLiteral("Ausgabe"),
                         QStringLiteral("Einnahme"), QStringLiteral("Bewohner"),
                         QStringLiteral("Name"), QStringLiteral("SQL"), QStringLiteral("Szenario"),
                         QStringLiteral("Parameter"), QStringLiteral("Wert"), QStringLiteral("Fingerabdruck"),
                         QStringLiteral("Version"), QStringLiteral("rowid"),
                         // aliases of the result views
                         QStringLiteral("Ausgaben"), QStringLiteral("Einnahmen"), QStringLiteral("Saldo"),
                         QStringLiteral("Wohneinheiten"), QStringLiteral("Kindergartenkinder"),
                         QStringLiteral("Volksschüler")};
    for (const Column& c : kProjectColumns)
        names << QString::fromUtf8(c.name);
    names.removeDuplicates();
    return names;
}

void create(const QSqlDatabase& db) {
    Transaction tx(db);
    QStringList defs;
    for (const Column& c : kProjectColumns)
        defs << QString::fromUtf8(c.name) + QLatin1Char(' ') + sqlType(c.type);
    defs << QString::fromLatin1(kVersionColumn);
    const QString projectTable = QStringLiteral("CREATE TABLE TAVO (%1)").arg(defs.join(QStringLiteral(", ")));
    if (SqlDialect::isPostgres(db)) {
        createOnPostgres(db, projectTable);
    } else {
        Sql::exec(db, projectTable);
        for (const QString& statement : otherTables())
            Sql::exec(db, statement);
        Sql::exec(db, calculationStateTable());
    }
    createStoredQueries(db);
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

bool needsUpgrade(const QSqlDatabase& db) {
    const bool postgres = SqlDialect::isPostgres(db);
    const auto hasTable = [&](const QString& table) {
        return postgres ? hasServerTable(db, table) : db.tables().contains(table, Qt::CaseInsensitive);
    };
    const QStringList project = Sql::columnNames(db, QStringLiteral("TAVO"));
    for (const char* column : {"Bezugsjahr", "ifKoEhNahwärme", "Version"})
        if (!project.contains(QString::fromUtf8(column), Qt::CaseInsensitive))
            return true;
    if (!hasTable(QStringLiteral("Berechnungsstand")))
        return true;
    return !postgres && (!hasTable(QStringLiteral("Szenarien")) ||
                         !Sql::columnNames(db, QStringLiteral("Sonderausgaben"))
                              .contains(QStringLiteral("ID"), Qt::CaseInsensitive));
}

void checkFieldBezugsjahr(const QSqlDatabase& db) {
    if (probeSucceeds(db, QStringLiteral("Select Bezugsjahr from TAVO where 1=2")))
        return;
    Sql::exec(db, definition(db, QStringLiteral("ALTER TABLE TAVO add Bezugsjahr INTEGER")));
}

void checkFieldNahwaerme(const QSqlDatabase& db) {
    if (probeSucceeds(db, QStringLiteral("Select ifKoEhNahwärme from TAVO where 1=2")))
        return;
    const QStringList statements = {
        QStringLiteral("ALTER TABLE TAVO add ifKoEhNahwärme DOUBLE"),
        QStringLiteral("ALTER TABLE TAVO add ifKoErNahwärme DOUBLE"),
        QStringLiteral("ALTER TABLE TAVO add ifLfmNahwärme INTEGER"),
        QStringLiteral("ALTER TABLE TAVO add ifLfmAnschlNahwärme INTEGER"),
        QStringLiteral("ALTER TABLE TAVO add fiEigAntEhNahwärme DOUBLE"),
        QStringLiteral("ALTER TABLE TAVO add fiEigAntErNahwärme DOUBLE"),
    };
    for (const QString& statement : statements)
        Sql::exec(db, definition(db, statement));
}

void addVersionColumn(const QSqlDatabase& db) {
    if (probeSucceeds(db, QStringLiteral("Select Version from TAVO where 1=2")))
        return;
    Sql::exec(db, definition(db, QStringLiteral("ALTER TABLE TAVO ADD %1").arg(QString::fromLatin1(kVersionColumn))));
}

void addSonderausgabenKey(const QSqlDatabase& db) {
    const QStringList old = Sql::columnNames(db, QStringLiteral("Sonderausgaben"));
    if (old.isEmpty() || old.contains(QStringLiteral("ID"), Qt::CaseInsensitive))
        return;
    // The table is built anew with the key, its rows copied in their stored order, which the key then
    // keeps. Columns of its own that an old table carries are kept with their declared types. Rows of
    // projects deleted long ago stay as they are, so the references are not enforced while copying;
    // foreign-key enforcement can only be switched outside a transaction. An old row without project
    // is kept too, so the project column here allows NULL.
    QStringList definitions{QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"),
                            QStringLiteral("TAVO INTEGER REFERENCES TAVO(ID) ON DELETE CASCADE")};
    const QStringList known = {QStringLiteral("Jahr INTEGER"), QStringLiteral("Typ TEXT"),
                               QStringLiteral("Bezeichnung TEXT"), QStringLiteral("Kostenträger TEXT"),
                               QStringLiteral("Ausgabe DOUBLE")};
    for (const QString& definition : known)
        definitions << definition;
    QStringList copied;
    QSqlQuery info =
        Sql::exec(db, QStringLiteral("SELECT name, type FROM pragma_table_info('Sonderausgaben')"));
    while (info.next()) {
        const QString name = info.value(0).toString();
        copied << Sql::quoted(name);
        const bool isKnown =
            name.compare(QStringLiteral("TAVO"), Qt::CaseInsensitive) == 0 ||
            std::any_of(known.begin(), known.end(), [&name](const QString& d) {
                return d.section(QLatin1Char(' '), 0, 0).compare(name, Qt::CaseInsensitive) == 0;
            });
        if (!isKnown)
            definitions << Sql::quoted(name) + QLatin1Char(' ') + info.value(1).toString();
    }
    info.finish();
    Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = OFF"));
    try {
        Transaction tx(db);
        Sql::exec(db, QStringLiteral("CREATE TABLE Sonderausgaben_mit_ID (%1)")
                          .arg(definitions.join(QStringLiteral(", "))));
        Sql::exec(db, QStringLiteral("INSERT INTO Sonderausgaben_mit_ID (%1) SELECT %1 FROM Sonderausgaben "
                                     "ORDER BY rowid")
                          .arg(copied.join(QStringLiteral(", "))));
        Sql::exec(db, QStringLiteral("DROP TABLE Sonderausgaben"));
        Sql::exec(db, QStringLiteral("ALTER TABLE Sonderausgaben_mit_ID RENAME TO Sonderausgaben"));
        Sql::exec(db,
                  QStringLiteral("CREATE INDEX IF NOT EXISTS Sonderausgaben_TAVO ON Sonderausgaben (TAVO)"));
        tx.commit();
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        throw;
    }
    Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

namespace {

// Booking designations that earlier versions wrote misspelt, each with its correct spelling.
const QList<std::pair<QString, QString>>& respelledDesignations() {
    static const QList<std::pair<QString, QString>> pairs = {
        {QStringLiteral("Errichtung Anschlssstromleitung"),
         QStringLiteral("Errichtung Anschlussstromleitung")},
        {QStringLiteral("Umnlage Jugendwohlfahrt"), QStringLiteral("Umlage Jugendwohlfahrt")},
    };
    return pairs;
}

} // namespace

bool hasOldDesignations(const QSqlDatabase& db) {
    return !Sql::scalar(db, QStringLiteral("SELECT 1 FROM Auswertung WHERE Bezeichnung IN (?, ?) LIMIT 1"),
                        {respelledDesignations().at(0).first, respelledDesignations().at(1).first})
                .isNull();
}

void respellDesignations(const QSqlDatabase& db) {
    // Only a file that holds them is written to, so that an ordinary open takes no write lock.
    if (!hasOldDesignations(db))
        return;
    Transaction tx(db);
    for (const auto& [old, corrected] : respelledDesignations())
        Sql::exec(db, QStringLiteral("UPDATE Auswertung SET Bezeichnung = ? WHERE Bezeichnung = ?"),
                  {corrected, old});
    tx.commit();
}

void upgrade(const QSqlDatabase& db) {
    // The fingerprints of the calculated inputs; older files get the table empty, so their results
    // count as changed until the next run. On a server the table is only made when it is missing: a
    // planner's own role there may read and write the tables without the right to create any, and
    // PostgreSQL refuses such a role even a CREATE TABLE IF NOT EXISTS of a table that exists.
    if (!SqlDialect::isPostgres(db) || !hasServerTable(db, QStringLiteral("Berechnungsstand")))
        Sql::exec(db, definition(db, calculationStateTable()));
    checkFieldBezugsjahr(db);
    checkFieldNahwaerme(db);
    addVersionColumn(db);
    // Results of earlier versions carry two designations misspelt; the results count, not their
    // inputs, so the calculation state stays as it was.
    respellDesignations(db);
    // A database on a server was made with the keys, the stored queries, the scenarios and the
    // indexes; the rest brings old files up to date.
    if (SqlDialect::isPostgres(db))
        return;
    addSonderausgabenKey(db);
    // Files made before the population queries were kept in the database get them once.
    if (!db.tables().contains(QStringLiteral("TAVO_Abfragen"), Qt::CaseInsensitive)) {
        Transaction tx(db);
        Sql::exec(db, QStringLiteral("CREATE TABLE TAVO_Abfragen (Name TEXT PRIMARY KEY COLLATE NOCASE, "
                                     "SQL TEXT NOT NULL)"));
        createStoredQueries(db);
        tx.commit();
    }
    // Files made before scenarios were kept with the project get their table once.
    if (!db.tables().contains(QStringLiteral("Szenarien"), Qt::CaseInsensitive))
        Sql::exec(db, scenarioTable());
    // The interest balance sums the ledger in the order of this index; older files may lack it.
    if (db.tables().contains(QStringLiteral("Auswertung"), Qt::CaseInsensitive) &&
        Sql::scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                                       "name = 'Auswertung_TAVO'"))
                .toInt() == 0)
        Sql::exec(db, QStringLiteral("CREATE INDEX Auswertung_TAVO ON Auswertung (TAVO, Typ, Jahr)"));
}

} // namespace UserSchema
