#include "core/data/FileChecks.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace FileChecks {
namespace {

bool writable(const QFileInfo& info) {
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

// The column names of a table; empty when the table is missing or the file is no SQLite database
// (SQLite's result code 26). Any other failure, a disk error say, is thrown as it is.
QStringList columnsOf(const QSqlDatabase& db, const QString& table, const QString& path) {
    QStringList names;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool done = query.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)")) &&
                      (query.addBindValue(table), query.exec());
    if (!done) {
        if ((query.lastError().nativeErrorCode().toInt() & 0xff) == 26)
            return names;
        throw TavoError(
            Sql::errorMessage(query.lastError(), QStringLiteral("Die Datei „%1“ kann nicht gelesen werden")
                                                     .arg(QFileInfo(path).absoluteFilePath())));
    }
    while (query.next())
        names << query.value(0).toString();
    return names;
}

bool hasTable(const QSqlDatabase& db, const QString& table) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN ('table', 'view') AND "
                                 "name = ? COLLATE NOCASE"));
    query.addBindValue(table);
    return query.exec() && query.next() && query.value(0).toInt() > 0;
}

} // namespace

const QStringList& municipalityTables() {
    static const QStringList names = {
        QStringLiteral("FA_Ertragsanteile"),
        QStringLiteral("FA_Sekundäre_Transfers"),
        QStringLiteral("Umlage_Jugendwohlfahrt"),
        QStringLiteral("Umlage_Sozialhilfe"),
        QStringLiteral("Umlage_TLKAS"),
        QStringLiteral("FA_Ertragsanteile_Red"),
        QStringLiteral("FA_Ertragsanteile_Red_Max"),
        QStringLiteral("FA_Sekundäre_Transfers_Red"),
        QStringLiteral("FA_Sekundäre_Transfers_Red_Max"),
    };
    return names;
}

QStringList requiredMasterTables() {
    return QStringList{QStringLiteral("FeldWerte"), QStringLiteral("Auswertung_Typen"), QStringLiteral("PG"),
                       QStringLiteral("BvB"), QStringLiteral("BvB_Bebauungstypen")} +
           municipalityTables();
}

void requireMasterTables(const QSqlDatabase& master, const QString& path) {
    for (const QString& table : requiredMasterTables()) {
        if (!hasTable(master, table))
            throw TavoError(QStringLiteral("Die Stammdatenbank „%1“ enthält die Tabelle „%2“ nicht.")
                                .arg(QFileInfo(path).absoluteFilePath(), table));
    }
}

void requireWritable(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!writable(file) || !writable(folder))
        throw TavoError(QStringLiteral("%1 ist schreibgeschützt.").arg(file.absoluteFilePath()));
}

bool isTavoUserDatabase(const QSqlDatabase& db) {
    if (SqlDialect::isPostgres(db))
        return Sql::scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema = "
                                              "current_schema() AND table_name = 'TAVO' AND column_name IN ('ID', 'PG')"))
                   .toInt() == 2;
    const QStringList columns = columnsOf(db, QStringLiteral("TAVO"), db.databaseName());
    return columns.contains(QStringLiteral("ID"), Qt::CaseInsensitive) &&
           columns.contains(QStringLiteral("PG"), Qt::CaseInsensitive);
}

void requireTavoUserDatabase(const QSqlDatabase& db, const QString& path) {
    if (!isTavoUserDatabase(db))
        throw TavoError(
            QStringLiteral("%1 ist keine TAVO-Benutzerdatenbank.").arg(QFileInfo(path).absoluteFilePath()));
}

} // namespace FileChecks
