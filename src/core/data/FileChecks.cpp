#include "core/data/FileChecks.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"

namespace tavo {

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

// The columns of a table in the server's current schema, also when the role may not read the table;
// empty when there is no such table.
QStringList serverColumnsOf(const QSqlDatabase& db, const QString& table) {
    QStringList names;
    QSqlQuery query =
        Sql::exec(db,
                  QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = "
                                 "to_regclass(format('%I.%I', current_schema(), CAST(? AS text))) "
                                 "AND attnum > 0 AND NOT attisdropped"),
                  {table});
    while (query.next())
        names << query.value(0).toString();
    return names;
}

bool mayRead(const QSqlDatabase& db, const QString& table) {
    return Sql::scalar(
               db,
               QStringLiteral("SELECT has_table_privilege(to_regclass(format('%I.%I', current_schema(), "
                              "CAST(? AS text))), 'SELECT')"),
               {table})
        .toBool();
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

bool isWritable(const QString& path) {
    const QFileInfo file(path);
    return writable(file) && writable(QFileInfo(file.absolutePath()));
}

void requireWritable(const QString& path) {
    if (!isWritable(path))
        throw TavoError(readOnlyMessage(path));
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

QString readOnlyMessage(const QString& path) {
    return QStringLiteral("%1 ist schreibgeschützt.").arg(QFileInfo(path).absoluteFilePath());
}

void requireCompleteUserDatabase(const QSqlDatabase& db, const QString& location) {
    const bool server = SqlDialect::isPostgres(db);
    const QString name = server ? location : QFileInfo(location).absoluteFilePath();
    const QString role =
        server ? Sql::scalar(db, QStringLiteral("SELECT current_user")).toString() : QString();
    for (const UserSchema::RequiredTable& table : UserSchema::requiredTables()) {
        const QStringList columns =
            server ? serverColumnsOf(db, table.name) : columnsOf(db, table.name, location);
        const QString incomplete =
            QStringLiteral("%1 ist keine (vollständige) TAVO-Benutzerdatenbank: ").arg(name);
        if (columns.isEmpty())
            throw TavoError(incomplete + QStringLiteral("Tabelle %1 fehlt.").arg(table.name));
        for (const QString& column : table.keyColumns)
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw TavoError(incomplete +
                                QStringLiteral("Spalte %1 der Tabelle %2 fehlt.").arg(column, table.name));
        if (server && !mayRead(db, table.name))
            throw TavoError(
                QStringLiteral("Keine Berechtigung für Tabelle „%1“ (Rolle „%2“) in der Datenbank „%3“.")
                    .arg(table.name, role, location));
    }
}

} // namespace FileChecks

} // namespace tavo
