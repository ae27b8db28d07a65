// Writing an imported master: the tables of the template master are created as they are declared
// there, the tables that do not depend on the municipality (value lists, sources, presets, evaluation
// types, inhabitants per dwelling) copied, and the municipality tables filled from the import.

#include <cmath>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "core/data/FileChecks.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/master/MasterImportParts.h"

namespace tavo::MasterImportParts {

namespace {

QString yearColumns() {
    QStringList names;
    for (int year = 1; year <= Forecast::Years; ++year)
        names << QStringLiteral("Jahr%1").arg(year);
    return Sql::quotedList(names);
}

QString placeholders(int count) {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

bool filledByImport(const QString& table) {
    return table == QLatin1String("PG") || table == QLatin1String("BvB") ||
           FileChecks::municipalityTables().contains(table);
}

// Creates every table of the template in db and copies the rows of those the import does not fill.
void copyTemplate(const QSqlDatabase& db, const QString& templateMaster) {
    Sql::exec(db, QStringLiteral("ATTACH DATABASE ? AS vorlage"), {templateMaster});
    QSqlQuery tables = Sql::exec(
        db,
        QStringLiteral("SELECT \"type\", \"name\", \"sql\" FROM vorlage.sqlite_master "
                       "WHERE \"sql\" IS NOT NULL AND \"name\" NOT LIKE 'sqlite_%' ORDER BY \"type\" DESC"));
    QList<QStringList> statements;
    while (tables.next())
        statements << QStringList{tables.value(0).toString(), tables.value(1).toString(),
                                  tables.value(2).toString()};
    tables.finish();
    if (statements.isEmpty())
        throw TavoError(
            QStringLiteral("Die Stammdatenbank „%1“ enthält keine Tabellen.").arg(templateMaster));
    {
        Transaction transaction(db);
        for (const QStringList& statement : statements) {
            Sql::exec(db, statement[2]);
            if (statement[0] == QLatin1String("table") && !filledByImport(statement[1]))
                Sql::exec(db, QStringLiteral("INSERT INTO main.%1 SELECT * FROM vorlage.%1")
                                  .arg(Sql::quoted(statement[1])));
        }
        transaction.commit();
    }
    Sql::exec(db, QStringLiteral("DETACH DATABASE vorlage"));
}

void insertYearRow(QSqlQuery& query, const QVariantList& key, const double* values) {
    for (const QVariant& value : key)
        query.addBindValue(value);
    for (int year = 0; year < Forecast::Years; ++year)
        query.addBindValue(values[year]);
    Sql::execPrepared(query);
}

void writeRows(QSqlDatabase& db, const std::vector<MunicipalityRow>& rows, const MasterProvenance& provenance,
               const Progress& progress, const Cancelled& cancelled) {
    Transaction transaction(db);
    QSqlQuery pg(db);
    Sql::prepare(pg, QStringLiteral("INSERT INTO \"PG\" (\"ID\", \"PG_Name\", \"Bezirk\", \"Einwohner\") "
                                    "VALUES (?, ?, ?, ?)"));
    QSqlQuery bvb(db);
    Sql::prepare(bvb, QStringLiteral("INSERT INTO \"BvB\" (\"PG\", \"Alter\", %1) VALUES (?, ?, %2)")
                          .arg(yearColumns(), placeholders(Forecast::Years)));
    std::vector<QSqlQuery> fiscal;
    fiscal.reserve(FiscalTemplate::ItemCount);
    for (const FiscalTemplate::Item& item : FiscalTemplate::items()) {
        fiscal.emplace_back(db);
        Sql::prepare(fiscal.back(), QStringLiteral("INSERT INTO %1 (\"PG\", %2) VALUES (?, %3)")
                                        .arg(Sql::quoted(QString::fromUtf8(item.table)), yearColumns(),
                                             placeholders(Forecast::Years)));
    }
    const qint64 total = static_cast<qint64>(rows.size());
    for (qint64 i = 0; i < total; ++i) {
        const MunicipalityRow& row = rows[static_cast<std::size_t>(i)];
        if (i % 100 == 0) {
            if (cancelled && cancelled())
                throw TavoError(QStringLiteral("Import abgebrochen."));
            if (progress)
                progress(i, total, QStringLiteral("Schreibe die Stammdaten"));
        }
        pg.addBindValue(row.code);
        pg.addBindValue(row.name);
        pg.addBindValue(QString::number(row.code / 100));
        pg.addBindValue(static_cast<qlonglong>(std::llround(row.inhabitants)));
        Sql::execPrepared(pg);
        for (int age = 0; age <= Forecast::TopAge; ++age) {
            double values[Forecast::Years];
            for (int year = 0; year < Forecast::Years; ++year)
                values[year] =
                    std::round(row.forecast[static_cast<std::size_t>(year)][age] * 1000.0) / 1000.0;
            insertYearRow(bvb, {row.code, age}, values);
        }
        if (!row.hasFiscal)
            continue;
        for (int item = 0; item < FiscalTemplate::ItemCount; ++item)
            insertYearRow(fiscal[static_cast<std::size_t>(item)], {row.code}, row.fiscal[item].data());
    }
    MasterProvenance::write(db, provenance);
    transaction.commit();
}

} // namespace

void writeMaster(const QString& path, const QString& templateMaster, const std::vector<MunicipalityRow>& rows,
                 const MasterProvenance& provenance, const Progress& progress, const Cancelled& cancelled) {
    const QString connection =
        QStringLiteral("tavo-import-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = Sql::errorMessage(db.lastError(), QStringLiteral("Die neue Stammdatenbank"));
        } else {
            try {
                copyTemplate(db, templateMaster);
                writeRows(db, rows, provenance, progress, cancelled);
            } catch (const TavoError& e) {
                failure = e.message();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw TavoError(failure);
}

} // namespace tavo::MasterImportParts
