#include "data/FileChecks.h"

#include <QFileInfo>
#include <QSqlQuery>

#include "data/TavoError.h"

namespace FileChecks {
namespace {

bool writable(const QFileInfo& info) {
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

QStringList columnsOf(const QSqlDatabase& db, const QString& table) {
    QStringList names;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)")))
        return names;
    query.addBindValue(table);
    if (!query.exec())
        return names;
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

QStringList requiredMasterTables() {
    return {QStringLiteral("FeldWerte"),
            QStringLiteral("Auswertung_Typen"),
            QStringLiteral("PG"),
            QStringLiteral("BvB"),
            QStringLiteral("BvB_Bebauungstypen"),
            QStringLiteral("FA_Ertragsanteile"),
            QStringLiteral("FA_Sekundäre_Transfers"),
            QStringLiteral("Umlage_Jugendwohlfahrt"),
            QStringLiteral("Umlage_Sozialhilfe"),
            QStringLiteral("Umlage_TLKAS"),
            QStringLiteral("FA_Ertragsanteile_Red"),
            QStringLiteral("FA_Ertragsanteile_Red_Max"),
            QStringLiteral("FA_Sekundäre_Transfers_Red"),
            QStringLiteral("FA_Sekundäre_Transfers_Red_Max")};
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
    const QStringList columns = columnsOf(db, QStringLiteral("TAVO"));
    return columns.contains(QStringLiteral("ID"), Qt::CaseInsensitive) &&
           columns.contains(QStringLiteral("PG"), Qt::CaseInsensitive);
}

void requireTavoUserDatabase(const QSqlDatabase& db, const QString& path) {
    if (!isTavoUserDatabase(db))
        throw TavoError(
            QStringLiteral("%1 ist keine TAVO-Benutzerdatenbank.").arg(QFileInfo(path).absoluteFilePath()));
}

} // namespace FileChecks
