// The numbered versions of the user database's layout and the step that brings a database from each
// version to the next.
#include <algorithm>

#include <QRegularExpression>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

namespace tavo {

namespace UserSchema {
namespace {

const QString kVersionTable = QStringLiteral("Schemaversion");

bool hasTable(const QSqlDatabase& db, const QString& table) {
    if (!SqlDialect::isPostgres(db))
        return db.tables().contains(table, Qt::CaseInsensitive);
    return Sql::scalar(db,
                       QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = "
                                      "current_schema() AND table_name = ?"),
                       {table})
               .toInt() > 0;
}

bool hasColumn(const QSqlDatabase& db, const QString& table, const QString& column) {
    return Sql::columnNames(db, table).contains(column, Qt::CaseInsensitive);
}

const Schema::Column& describedColumn(const QString& table, const QString& name) {
    const auto& columns = Schema::table(table).columns;
    const auto it = std::find_if(columns.begin(), columns.end(), [&name](const Schema::Column& c) {
        return QString::fromUtf8(c.name) == name;
    });
    if (it == columns.end())
        throw TavoError(QStringLiteral("Unbekannte Spalte %1.%2").arg(table, name));
    return *it;
}

// Adds the project columns the table lacks, in the given order, at its end.
void addProjectColumns(const QSqlDatabase& db, const QStringList& names) {
    const SchemaDriver& driver = SchemaDriver::forDatabase(db);
    const QStringList present = Sql::columnNames(db, QStringLiteral("TAVO"));
    for (const QString& name : names)
        if (!present.contains(name, Qt::CaseInsensitive))
            Sql::exec(db, QStringLiteral("ALTER TABLE %1 ADD %2")
                              .arg(driver.quote(QStringLiteral("TAVO")),
                                   Schema::columnDefinition(describedColumn(QStringLiteral("TAVO"), name),
                                                            driver)));
}

void createTable(const QSqlDatabase& db, const QString& name) {
    const SchemaDriver& driver = SchemaDriver::forDatabase(db);
    Sql::exec(db, Schema::createTableSql(Schema::table(name), driver));
    for (const QString& statement : Schema::createIndexSql(Schema::table(name), driver))
        Sql::exec(db, statement);
}

const QStringList& districtHeatingColumns() {
    static const QStringList names = {
        QStringLiteral("ifKoEhNahwärme"),     QStringLiteral("ifKoErNahwärme"),
        QStringLiteral("ifLfmNahwärme"),      QStringLiteral("ifLfmAnschlNahwärme"),
        QStringLiteral("fiEigAntEhNahwärme"), QStringLiteral("fiEigAntErNahwärme")};
    return names;
}

bool hasSonderausgabenKey(const QSqlDatabase& db) {
    const QStringList columns = Sql::columnNames(db, QStringLiteral("Sonderausgaben"));
    return columns.isEmpty() || columns.contains(QStringLiteral("ID"), Qt::CaseInsensitive);
}

// Gives an older Sonderausgaben table without the key ID its key, numbering the rows in their stored
// order. The table is built anew with the key, its rows copied in their stored order, which the key
// then keeps. Columns of its own that an old table carries are kept with their declared types. Rows of
// projects deleted long ago stay as they are (the caller switched reference checks off); an old row
// without project is kept too, so the project column here allows NULL.
void addSonderausgabenKey(const QSqlDatabase& db) {
    QStringList definitions{QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"),
                            QStringLiteral("TAVO INTEGER REFERENCES TAVO(ID) ON DELETE CASCADE")};
    const QStringList known = {QStringLiteral("Jahr INTEGER"), QStringLiteral("Typ TEXT"),
                               QStringLiteral("Bezeichnung TEXT"), QStringLiteral("Kostenträger TEXT"),
                               QStringLiteral("Ausgabe DOUBLE")};
    definitions << known;
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
    Sql::exec(db, QStringLiteral("CREATE TABLE Sonderausgaben_mit_ID (%1)")
                      .arg(definitions.join(QStringLiteral(", "))));
    Sql::exec(db, QStringLiteral(
                      "INSERT INTO Sonderausgaben_mit_ID (%1) SELECT %1 FROM Sonderausgaben ORDER BY rowid")
                      .arg(copied.join(QStringLiteral(", "))));
    Sql::exec(db, QStringLiteral("DROP TABLE Sonderausgaben"));
    Sql::exec(db, QStringLiteral("ALTER TABLE Sonderausgaben_mit_ID RENAME TO Sonderausgaben"));
    Sql::exec(db, QStringLiteral("CREATE INDEX IF NOT EXISTS Sonderausgaben_TAVO ON Sonderausgaben (TAVO)"));
}

bool hasLedgerIndex(const QSqlDatabase& db) {
    return !hasTable(db, QStringLiteral("Auswertung")) ||
           Sql::scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                                          "name = 'Auswertung_TAVO'"))
                   .toInt() > 0;
}

// Whether the building-mix share holds decimals (or the table has no such column to change).
bool hasDecimalShare(const QSqlDatabase& db) {
    const QString type =
        SqlDialect::isPostgres(db)
            ? Sql::scalar(
                  db, QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_schema "
                                     "= current_schema() AND table_name = 'Bebauung' AND "
                                     "column_name = 'bbAnteil'"))
                  .toString()
            : Sql::scalar(db, QStringLiteral(
                                  "SELECT type FROM pragma_table_info('Bebauung') WHERE name = 'bbAnteil'"))
                  .toString();
    if (type.isEmpty() && !hasColumn(db, QStringLiteral("Bebauung"), QStringLiteral("bbAnteil")))
        return true;
    static const QRegularExpression floating(QStringLiteral("REAL|FLOA|DOUB"),
                                             QRegularExpression::CaseInsensitiveOption);
    return floating.match(type).hasMatch();
}

// SQLite cannot change a column's type: the table is built anew from its own definition with the share
// as DOUBLE, its rows copied with their IDs, its indexes and the counter of its keys kept.
void makeShareDecimal(const QSqlDatabase& db) {
    if (SqlDialect::isPostgres(db)) {
        Sql::exec(db,
                  QStringLiteral("ALTER TABLE \"Bebauung\" ALTER COLUMN \"bbAnteil\" TYPE DOUBLE PRECISION"));
        return;
    }
    const QString ddl =
        Sql::scalar(
            db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'Bebauung'"))
            .toString();
    QString newDdl = ddl;
    newDdl.replace(QRegularExpression(QStringLiteral("(\\bbbAnteil\\b[\"`\\]]?\\s+)[A-Za-z]+"),
                                      QRegularExpression::CaseInsensitiveOption),
                   QStringLiteral("\\1DOUBLE"));
    newDdl.replace(
        QRegularExpression(QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(\"Bebauung\"|Bebauung|`Bebauung`|"
                                          "\\[Bebauung\\])"),
                           QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("CREATE TABLE Bebauung_dezimal"));
    QStringList indexes;
    QSqlQuery index = Sql::exec(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND "
                                                   "tbl_name = 'Bebauung' AND sql IS NOT NULL"));
    while (index.next())
        indexes << index.value(0).toString();
    index.finish();
    const QVariant counter =
        Sql::scalar(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'Bebauung'"));
    Sql::exec(db, newDdl);
    Sql::exec(db, QStringLiteral("INSERT INTO Bebauung_dezimal SELECT * FROM Bebauung ORDER BY rowid"));
    Sql::exec(db, QStringLiteral("DROP TABLE Bebauung"));
    Sql::exec(db, QStringLiteral("ALTER TABLE Bebauung_dezimal RENAME TO Bebauung"));
    for (const QString& statement : indexes)
        Sql::exec(db, statement);
    if (!counter.isNull())
        Sql::exec(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = 'Bebauung'"),
                  {counter});
}

// One step from a version to the next: whether the database already has what it adds (a file that
// lost a column stays readable), and the change. neededForReading: a file without it cannot be read.
struct Step {
    bool (*present)(const QSqlDatabase&);
    void (*apply)(const QSqlDatabase&);
    bool neededForReading;
};

bool onServer(const QSqlDatabase& db) {
    return SqlDialect::isPostgres(db);
}

// Step i brings version i + 1 to version i + 2. A database on a server was always made with the key of
// Sonderausgaben, the stored queries, the scenarios and the indexes.
const std::vector<Step>& steps() {
    static const std::vector<Step> all = {
        {[](const QSqlDatabase& db) {
             return hasColumn(db, QStringLiteral("TAVO"), QStringLiteral("Bezugsjahr"));
         },
         [](const QSqlDatabase& db) { addProjectColumns(db, {QStringLiteral("Bezugsjahr")}); }, true},
        {[](const QSqlDatabase& db) {
             return hasColumn(db, QStringLiteral("TAVO"), districtHeatingColumns().first());
         },
         [](const QSqlDatabase& db) { addProjectColumns(db, districtHeatingColumns()); }, true},
        {[](const QSqlDatabase& db) {
             return hasColumn(db, QStringLiteral("TAVO"), QStringLiteral("Version"));
         },
         [](const QSqlDatabase& db) { addProjectColumns(db, {QStringLiteral("Version")}); }, true},
        // The fingerprints of the calculated inputs; older files get the table empty, so their results
        // count as changed until the next run.
        {[](const QSqlDatabase& db) { return hasTable(db, QStringLiteral("Berechnungsstand")); },
         [](const QSqlDatabase& db) { createTable(db, QStringLiteral("Berechnungsstand")); }, true},
        {[](const QSqlDatabase& db) { return onServer(db) || hasSonderausgabenKey(db); },
         addSonderausgabenKey, true},
        // Files made before the population queries were kept in the database get them once.
        {[](const QSqlDatabase& db) { return onServer(db) || hasTable(db, QStringLiteral("TAVO_Abfragen")); },
         createStoredQueriesTable, false},
        // Files made before scenarios were kept with the project get their table once.
        {[](const QSqlDatabase& db) { return onServer(db) || hasTable(db, QStringLiteral("Szenarien")); },
         [](const QSqlDatabase& db) { createTable(db, QStringLiteral("Szenarien")); }, true},
        // The interest balance sums the ledger in the order of this index.
        {[](const QSqlDatabase& db) { return onServer(db) || hasLedgerIndex(db); },
         [](const QSqlDatabase& db) {
             Sql::exec(db, QStringLiteral("CREATE INDEX Auswertung_TAVO ON Auswertung (TAVO, Typ, Jahr)"));
         },
         false},
        // Results of earlier versions carry two designations misspelt; the results count, not their
        // inputs, so the calculation state stays as it was.
        {[](const QSqlDatabase& db) { return !hasOldDesignations(db); }, respellDesignationRows, false},
        {hasDecimalShare, makeShareDecimal, false},
        // The plan of a project with its features and the marks of the inputs taken from it.
        {[](const QSqlDatabase& db) { return hasTable(db, QStringLiteral("PlanMarke")); },
         [](const QSqlDatabase& db) {
             for (const char* table : {"Plan", "PlanObjekt", "PlanMarke"})
                 if (!hasTable(db, QString::fromUtf8(table)))
                     createTable(db, QString::fromUtf8(table));
         },
         false},
    };
    return all;
}

// The version of a database without the version table: the first step whose change it lacks.
int probedVersion(const QSqlDatabase& db) {
    for (size_t i = 0; i < steps().size(); ++i)
        if (!steps()[i].present(db))
            return int(i) + 1;
    return currentVersion();
}

// Whether every described table and column is there. A database changed by hand or restored in part
// since its version was stored may lack one; it is then classified anew by probing.
bool hasEveryDescribedColumn(const QSqlDatabase& db) {
    for (const Schema::Table& table : Schema::tables()) {
        const QStringList present = Sql::columnNames(db, table.name);
        for (const Schema::Column& column : table.columns)
            if (!present.contains(QString::fromUtf8(column.name), Qt::CaseInsensitive))
                return false;
    }
    return true;
}

// A planner's own role on a server may read and write the tables without the right to create any;
// a database that lacks only the version table stays readable and writable for it as it is.
bool mayCreateTables(const QSqlDatabase& db) {
    return !SqlDialect::isPostgres(db) ||
           Sql::scalar(db, QStringLiteral("SELECT has_schema_privilege(current_schema(), 'CREATE')"))
               .toBool();
}

void writeVersion(const QSqlDatabase& db) {
    if (!hasTable(db, kVersionTable))
        createTable(db, kVersionTable);
    Sql::exec(db, QStringLiteral("DELETE FROM \"Schemaversion\""));
    Sql::exec(db, QStringLiteral("INSERT INTO \"Schemaversion\" (\"Version\") VALUES (?)"),
              {currentVersion()});
}

QString newerVersionMessage(const QString& location, int found) {
    return QStringLiteral(
               "Die Benutzerdatenbank %1 stammt von einer neueren Version von TAVO (Schemaversion %2; "
               "diese Version kennt nur bis %3). Sie wird nicht verändert; bitte öffnen Sie sie mit "
               "der neueren Version von TAVO.")
        .arg(location)
        .arg(found)
        .arg(currentVersion());
}

// Runs the steps from the given version on and stores the version, in one transaction. SQLite checks
// no references meanwhile: rebuilt tables keep rows of projects deleted long ago, and the check can
// only be switched outside a transaction.
void runSteps(const QSqlDatabase& db, int from) {
    const bool file = !SqlDialect::isPostgres(db);
    if (file)
        Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = OFF"));
    try {
        Transaction tx(db);
        for (int v = from; v < currentVersion(); ++v) {
            const Step& step = steps()[size_t(v - 1)];
            if (!step.present(db))
                step.apply(db);
        }
        writeVersion(db);
        tx.commit();
    } catch (...) {
        if (file)
            QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        throw;
    }
    if (file)
        Sql::exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

} // namespace

int currentVersion() {
    return int(steps().size()) + 1;
}

int version(const QSqlDatabase& db) {
    if (hasTable(db, kVersionTable)) {
        const int stored =
            Sql::scalar(db, QStringLiteral("SELECT max(\"Version\") FROM \"Schemaversion\"")).toInt();
        if (stored > currentVersion() || hasEveryDescribedColumn(db))
            return stored;
    }
    return probedVersion(db);
}

void requireKnownVersion(const QSqlDatabase& db, const QString& location) {
    if (!hasTable(db, kVersionTable))
        return;
    const int stored =
        Sql::scalar(db, QStringLiteral("SELECT max(\"Version\") FROM \"Schemaversion\"")).toInt();
    if (stored > currentVersion())
        throw TavoError(newerVersionMessage(location, stored));
}

bool needsUpgrade(const QSqlDatabase& db) {
    if (hasTable(db, kVersionTable))
        return version(db) < currentVersion();
    return std::any_of(steps().begin(), steps().end(),
                       [&db](const Step& step) { return step.neededForReading && !step.present(db); });
}

void upgrade(const QSqlDatabase& db) {
    const int from = version(db);
    if (from > currentVersion())
        throw TavoError(newerVersionMessage(db.databaseName(), from));
    if (from < currentVersion() || (!hasTable(db, kVersionTable) && mayCreateTables(db)))
        runSteps(db, from);
}

} // namespace UserSchema

namespace UserSchema {
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

void respellDesignationRows(const QSqlDatabase& db) {
    for (const auto& [old, corrected] : respelledDesignations())
        Sql::exec(db, QStringLiteral("UPDATE Auswertung SET Bezeichnung = ? WHERE Bezeichnung = ?"),
                  {corrected, old});
}

void respellProjectDesignations(const QSqlDatabase& db, int projectId) {
    for (const auto& [old, corrected] : respelledDesignations())
        Sql::exec(db,
                  QStringLiteral("UPDATE Auswertung SET Bezeichnung = ? WHERE TAVO = ? AND Bezeichnung = ?"),
                  {corrected, projectId, old});
}


} // namespace UserSchema

} // namespace tavo
