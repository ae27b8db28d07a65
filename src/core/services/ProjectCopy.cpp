#include "core/services/ProjectCopy.h"

#include <cmath>

#include <QSet>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/UserSchema.h"
#include "core/data/SqlDialect.h"
#include "core/services/CalculationRun.h"
#include "core/data/TavoError.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecords.h"

namespace tavo {

namespace ProjectCopy {
namespace {

const QString kProjectTable = QStringLiteral("TAVO");
const QString kProjectKey = QStringLiteral("TAVO");
const QString kId = QStringLiteral("ID");

// The tables of one project besides its row, in the order they are copied, each with the order its
// rows are read in. Detail rows get their new keys in the order of the old ones; result rows keep
// their stored order, which the interest balance and the grids follow (on PostgreSQL the result
// tables carry an identity column named rowid for this).
struct ProjectTable {
    const char* name;
    const char* order;
};
const ProjectTable kProjectTables[] = {
    {"Bebauung", "\"ID\""},       {"Besiedelung", "\"ID\""},
    {"Sonderausgaben", "\"ID\""}, {"Szenarien", "\"Szenario\", \"Parameter\""},
    {"Auswertung", "\"rowid\""},  {"bWvB", "\"rowid\""},
    {"bBvB", "\"rowid\""},
};

// Columns each database fills itself: the row keys and the project's edit counter, which starts anew.
bool filledByTarget(const QString& column) {
    for (const char* own : {"rowid", "ID", "Version"})
        if (column.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The column names of a table as a query returns them, on every driver alike.
QStringList columnsOf(const QSqlDatabase& db, const QString& table) {
    QSqlQuery probe = Sql::exec(db, QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(Sql::quoted(table)));
    const QSqlRecord record = probe.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

// The columns copied from a table: those both databases have (a newer target may have more), by name
// regardless of case, pairwise in the spelling of each side; without the key column and the columns
// the target fills itself.
struct SharedColumns {
    QStringList source;
    QStringList target;
    QList<QMetaType> targetTypes; // what a server's column takes; a file takes any value
};

SharedColumns sharedColumns(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table,
                            const QString& keyColumn) {
    const QStringList sourceColumns = columnsOf(source, table);
    SharedColumns shared;
    const QSqlRecord targetRecord =
        Sql::exec(target, QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(Sql::quoted(table))).record();
    for (const QString& column : columnsOf(target, table)) {
        if (filledByTarget(column) || column.compare(keyColumn, Qt::CaseInsensitive) == 0)
            continue;
        for (const QString& candidate : sourceColumns) {
            if (candidate.compare(column, Qt::CaseInsensitive) == 0) {
                shared.source << candidate;
                shared.target << column;
                shared.targetTypes << (SqlDialect::isPostgres(target) ? targetRecord.field(column).metaType()
                                                                       : QMetaType());
                break;
            }
        }
    }
    return shared;
}

// A value of an older file as a server's typed column takes it: a number kept as text becomes the
// number, blank text is empty. A value such a column cannot hold unchanged (text that is no number, a
// fraction in a whole-number column, which the calculation reads as it is but the server would round)
// stops the copy with a message naming the place, so that no copy calculates differently.
QVariant valueForTarget(const QVariant& value, QMetaType type, const QString& table, const QString& column,
                        const QVariant& project) {
    const bool whole = type.id() == QMetaType::Int || type.id() == QMetaType::LongLong;
    const bool number = whole || type.id() == QMetaType::Double;
    if (!number || value.isNull() || !value.isValid())
        return value;
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
        return QVariant();
    bool ok = false;
    const double read = NumberFormat::storedNumber(value, &ok);
    if (!ok || !std::isfinite(read))
        throw TavoError(QStringLiteral("Der Wert „%1“ in %2.%3 (Projekt %4) ist keine Zahl; die Zieldatenbank "
                                       "nimmt dort nur Zahlen an.")
                            .arg(value.toString(), table, column, project.toString()));
    if (!whole)
        return read;
    if (read != std::trunc(read) || std::fabs(read) > 9.2e18)
        throw TavoError(QStringLiteral("Der Wert „%1“ in %2.%3 (Projekt %4) ist keine ganze Zahl; die "
                                       "Zieldatenbank nimmt dort nur ganze Zahlen an. Bitte den Wert im "
                                       "Projekt korrigieren.")
                            .arg(value.toString(), table, column, project.toString()));
    return static_cast<qlonglong>(read);
}

// "INSERT INTO table (key, columns) VALUES (?, ...)".
QString insertStatement(const QString& table, const QString& keyColumn, const QStringList& columns) {
    const QStringList all = QStringList{keyColumn} + columns;
    QStringList marks;
    for (qsizetype i = 0; i < all.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Sql::quoted(table), Sql::quotedList(all), marks.join(QStringLiteral(", ")));
}

// Copies the rows of table whose keyColumn holds key into the target under newKey, read in order.
void copyRows(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table,
              const QString& keyColumn, const QVariant& key, const QVariant& newKey, const QString& order) {
    const SharedColumns columns = sharedColumns(source, target, table, keyColumn);
    // The key leads the selection, so that it is never empty.
    QSqlQuery rows = Sql::exec(source,
                               QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %4")
                                   .arg(Sql::quotedList(QStringList{keyColumn} + columns.source),
                                        Sql::quoted(table), Sql::quoted(keyColumn), order),
                               {key});
    QSqlQuery insert(target);
    Sql::prepare(insert, insertStatement(table, keyColumn, columns.target));
    while (rows.next()) {
        insert.bindValue(0, newKey);
        for (int i = 0; i < columns.target.size(); ++i)
            insert.bindValue(i + 1, valueForTarget(rows.value(i + 1), columns.targetTypes.at(i), table,
                                                   columns.target.at(i), key));
        Sql::execPrepared(insert);
    }
}

QString unknownProjectMessage(int id) {
    return QStringLiteral("Das Projekt mit der ID %1 gibt es nicht.").arg(id);
}

// Copies the project row. It keeps its ID when that is free in the target, else the target's identity
// gives it one. Returns the project's ID in the target.
int copyProjectRow(const QSqlDatabase& source, const QSqlDatabase& target, int id) {
    const SharedColumns columns = sharedColumns(source, target, kProjectTable, kId);
    QSqlQuery row = Sql::exec(source,
                              QStringLiteral("SELECT %1 FROM \"TAVO\" WHERE \"ID\" = ?")
                                  .arg(Sql::quotedList(QStringList{kId} + columns.source)),
                              {id});
    if (!row.next())
        throw TavoError(unknownProjectMessage(id));
    const bool keepId = !projectExists(target, id);
    QStringList insertColumns = columns.target;
    QVariantList values;
    for (int i = 0; i < columns.target.size(); ++i)
        values << valueForTarget(row.value(i + 1), columns.targetTypes.at(i), kProjectTable, columns.target.at(i), id);
    if (keepId) {
        insertColumns.prepend(kId);
        values.prepend(id);
    }
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert(target);
    Sql::prepare(insert, QStringLiteral("INSERT INTO \"TAVO\" (%1) VALUES (%2)")
                             .arg(Sql::quotedList(insertColumns), marks.join(QStringLiteral(", "))));
    for (int i = 0; i < values.size(); ++i)
        insert.bindValue(i, values[i]);
    Sql::execPrepared(insert);
    if (keepId) {
        continueIdentity(target, kProjectTable, kId);
        return id;
    }
    const QVariant newId = insert.lastInsertId();
    if (!newId.isValid())
        throw TavoError(QStringLiteral("Datenbankfehler: Das kopierte Projekt hat keine ID erhalten."));
    return newId.toInt();
}

// The municipality's population forecast rows replace those of the target; the target keeps its own
// when the source has none (a project not calculated yet).
void copyMunicipalityRows(const QSqlDatabase& source, const QSqlDatabase& target, const QVariant& pg) {
    const QString pgColumn = QStringLiteral("PG");
    if (pg.isNull() ||
        Sql::scalar(source, QStringLiteral("SELECT count(*) FROM \"gBvB\" WHERE \"PG\" = ?"), {pg}).toInt() ==
            0)
        return;
    lockMunicipalityRows(target, pg.toInt());
    Sql::exec(target, QStringLiteral("DELETE FROM \"gBvB\" WHERE \"PG\" = ?"), {pg});
    copyRows(source, target, QStringLiteral("gBvB"), pgColumn, pg, pg, QStringLiteral("rowid"));
}

// One project with everything that belongs to it; municipalities lists the gBvB rows already copied.
Copied copyProject(const QSqlDatabase& source, const QSqlDatabase& target, int id,
                   QSet<qlonglong>& municipalities) {
    const bool upToDate = CalculationState::of(source, id) == CalculationState::State::Current;
    Copied copied;
    copied.sourceId = id;
    copied.targetId = copyProjectRow(source, target, id);
    copied.beschreibung =
        Sql::scalar(target, QStringLiteral("SELECT \"Beschreibung\" FROM \"TAVO\" WHERE \"ID\" = ?"),
                    {copied.targetId})
            .toString();
    // Rows left behind by a project of that ID deleted long ago (older files did not cascade) would
    // otherwise become part of the copy.
    for (const ProjectTable& table : kProjectTables)
        Sql::exec(target,
                  QStringLiteral("DELETE FROM %1 WHERE \"TAVO\" = ?")
                      .arg(Sql::quoted(QString::fromLatin1(table.name))),
                  {copied.targetId});
    Sql::exec(target, QStringLiteral("DELETE FROM \"Berechnungsstand\" WHERE \"TAVO\" = ?"),
              {copied.targetId});
    for (const ProjectTable& table : kProjectTables)
        copyRows(source, target, QString::fromLatin1(table.name), kProjectKey, id, copied.targetId,
                 QString::fromLatin1(table.order));
    UserSchema::respellProjectDesignations(target, copied.targetId);
    const QVariant pg =
        Sql::scalar(source, QStringLiteral("SELECT \"PG\" FROM \"TAVO\" WHERE \"ID\" = ?"), {id});
    if (!pg.isNull() && !municipalities.contains(pg.toLongLong())) {
        municipalities.insert(pg.toLongLong());
        copyMunicipalityRows(source, target, pg);
    }
    // The fingerprint covers the project's key, so the target's is computed anew over the copied rows.
    if (upToDate)
        CalculationState::store(target, copied.targetId);
    return copied;
}

QList<int> allProjects(const QSqlDatabase& db) {
    QList<int> ids;
    QSqlQuery query = Sql::exec(db, QStringLiteral("SELECT \"ID\" FROM \"TAVO\" ORDER BY \"ID\""));
    while (query.next())
        ids << query.value(0).toInt();
    return ids;
}

// A read transaction on the source while it is copied, so that a calculation finishing meanwhile
// cannot mix old and new rows into the copy. It changes nothing and is rolled back at the end.
class ReadSnapshot {
public:
    explicit ReadSnapshot(QSqlDatabase db) : m_db(std::move(db)) {
        m_open = m_db.transaction();
        if (m_open && m_db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
            QSqlQuery(m_db).exec(
                QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    }
    ~ReadSnapshot() {
        if (m_open)
            m_db.rollback();
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

} // namespace

QList<int> unknownProjects(const QSqlDatabase& source, const QList<int>& projectIds) {
    QList<int> unknown;
    for (int id : projectIds)
        if (!projectExists(source, id))
            unknown << id;
    return unknown;
}

QList<Copied> copyProjects(const QSqlDatabase& source, const QSqlDatabase& target,
                           const QList<int>& projectIds) {
    if (source.connectionName() == target.connectionName())
        throw TavoError(QStringLiteral("Quelle und Ziel sind dieselbe Datenbank."));
    const ReadSnapshot snapshot(source);
    QList<int> ids;
    for (int id : projectIds.isEmpty() ? allProjects(source) : projectIds)
        if (!ids.contains(id))
            ids << id;
    const QList<int> unknown = unknownProjects(source, ids);
    if (!unknown.isEmpty())
        throw TavoError(unknownProjectMessage(unknown.first()));

    QList<Copied> copies;
    QSet<qlonglong> municipalities;
    Transaction transaction(target);
    for (int id : ids) {
        try {
            copies << copyProject(source, target, id, municipalities);
        } catch (const TavoError& e) {
            throw TavoError(
                QStringLiteral("Das Projekt %1 konnte nicht kopiert werden: %2").arg(id).arg(e.message()));
        }
    }
    transaction.commit();
    return copies;
}

void continueIdentity(const QSqlDatabase& db, const QString& table, const QString& column) {
    if (db.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return;
    Sql::exec(db,
              QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), (SELECT max(%3) FROM %1))")
                  .arg(Sql::quoted(table), column, Sql::quoted(column)));
}

} // namespace ProjectCopy

} // namespace tavo
