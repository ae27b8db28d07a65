#include "core/projects/ProjectRecords.h"

#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/projects/DetailRows.h"

namespace tavo {

namespace {

const QString kId = QStringLiteral("ID");

// Position of a field in a record by exact, case-sensitive name; -1 when there is none.
int exactFieldIndex(const QSqlRecord& record, const QString& name) {
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i) == name)
            return i;
    }
    return -1;
}

// The columns an INSERT into table writes: every column except the identity "ID".
QStringList insertColumns(const QSqlDatabase& db, const QString& table) {
    QStringList columns = Sql::columnNames(db, table);
    if (columns.isEmpty())
        throw TavoError(QStringLiteral("Die Tabelle „%1“ existiert nicht.").arg(table));
    columns.removeAll(kId);
    return columns;
}

QString insertStatement(const QString& table, const QStringList& columns) {
    QStringList quotedColumns;
    QStringList marks;
    for (const QString& column : columns) {
        quotedColumns << Sql::quoted(column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Sql::quoted(table), quotedColumns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

int lastInsertedId(const QSqlQuery& query) {
    const QVariant id = query.lastInsertId();
    if (!id.isValid())
        throw TavoError(QStringLiteral("Datenbankfehler: Der neue Datensatz hat keine ID erhalten."));
    return id.toInt();
}

// The preset rows as an executed query, so that a missing table fails before anything is changed.
QSqlQuery readPreset(const QSqlDatabase& master, const QString& presetName) {
    if (!settlementPresetNames().contains(presetName))
        throw TavoError(QStringLiteral("Unbekannte Besiedelungsvorgabe: %1").arg(presetName));
    QSqlQuery query(master);
    QStringList columns;
    for (const QString& column : DetailRows::columns(QStringLiteral("Besiedelung")))
        columns << Sql::quoted(column);
    Sql::prepare(query, QStringLiteral("SELECT %1 FROM %2 ORDER BY \"Jahr\"")
                            .arg(columns.join(QStringLiteral(", ")),
                                 Sql::quoted(QStringLiteral("Besiedelung_") + presetName)));
    Sql::execPrepared(query);
    return query;
}

// Delete and copy of a preset; the caller holds the transaction.
void replaceSettlementRows(const QSqlDatabase& user, int projectId, QSqlQuery& preset) {
    Sql::exec(user, QStringLiteral("Delete from \"Besiedelung\" where \"TAVO\" = ?"), {projectId});
    copyDetailRows(preset, user, QStringLiteral("Besiedelung"), projectId, QStringLiteral("TAVO"));
}

void copyDetailTable(const QSqlDatabase& user, const QString& table, int oldId, int newId,
                     const QString& order = QStringLiteral("\"ID\"")) {
    QSqlQuery source = Sql::exec(
        user,
        QStringLiteral("Select * from %1 where \"TAVO\" = ? order by %2").arg(Sql::quoted(table), order),
        {oldId});
    copyDetailRows(source, user, table, newId, QStringLiteral("TAVO"));
}

} // namespace

void copyDetailRows(QSqlQuery& source, const QSqlDatabase& target, const QString& targetTable, int newKey,
                    const QString& keyColumn) {
    const QStringList columns = insertColumns(target, targetTable);
    const QSqlRecord sourceRecord = source.record();
    QList<int> sourceIndex;
    for (const QString& column : columns) {
        const int index = column == keyColumn ? -1 : exactFieldIndex(sourceRecord, column);
        if (column != keyColumn && index < 0)
            throw TavoError(QStringLiteral("Feld nicht gefunden: %1").arg(column));
        sourceIndex << index;
    }

    QSqlQuery insert(target);
    Sql::prepare(insert, insertStatement(targetTable, columns));
    bool more = source.first();
    while (more) {
        for (int i = 0; i < columns.size(); ++i)
            insert.bindValue(i, sourceIndex[i] < 0 ? QVariant(newKey) : source.value(sourceIndex[i]));
        Sql::execPrepared(insert);
        more = source.next();
    }
}

const QStringList& settlementPresetNames() {
    static const QStringList names = {QStringLiteral("mit_Mobilisierung"),
                                      QStringLiteral("ohne_Mobilisierung"), QStringLiteral("leer")};
    return names;
}

void applySettlementPreset(const Databases& dbs, int projectId, const QString& presetName) {
    QSqlQuery preset = readPreset(dbs.master(), presetName);
    Transaction transaction(dbs.user());
    replaceSettlementRows(dbs.user(), projectId, preset);
    transaction.commit();
}

int duplicateProject(const Databases& dbs, int projectId) {
    const QSqlDatabase user = dbs.user();
    QSqlQuery old = Sql::exec(user, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId});
    if (!old.next())
        throw TavoError(QStringLiteral("Der Datensatz %1 existiert nicht.").arg(projectId));

    const QStringList columns = insertColumns(user, QStringLiteral("TAVO"));
    QVariantList values;
    for (const QString& column : columns) {
        const QVariant value = old.value(column);
        // The copy is a new record: its own description, and a version of its own from 0.
        if (column == QLatin1String("Beschreibung"))
            values << QVariant(QStringLiteral("Kopie von ") + value.toString());
        else if (column == QLatin1String("Version"))
            values << QVariant(0);
        else
            values << value;
    }
    old.finish();

    Transaction transaction(user);
    const int newId =
        lastInsertedId(Sql::exec(user, insertStatement(QStringLiteral("TAVO"), columns), values));
    copyDetailTable(user, QStringLiteral("Bebauung"), projectId, newId);
    copyDetailTable(user, QStringLiteral("Besiedelung"), projectId, newId);
    // Everything the calculation reads is copied, so that the copy calculates the same figures.
    copyDetailTable(user, QStringLiteral("Sonderausgaben"), projectId, newId);
    copyDetailTable(user, QStringLiteral("Szenarien"), projectId, newId,
                    QStringLiteral("\"Szenario\", \"Parameter\""));
    transaction.commit();
    return newId;
}

int createProject(const Databases& dbs, int pg) {
    const QSqlDatabase user = dbs.user();
    const QVariant name = lookupMunicipalityName(dbs.master(), QString::number(pg));
    QSqlQuery preset = readPreset(dbs.master(), QStringLiteral("mit_Mobilisierung"));

    Transaction transaction(user);
    const int newId = lastInsertedId(Sql::exec(
        user,
        QStringLiteral("INSERT INTO \"TAVO\" (\"PG\", \"PG_Name\", \"Beschreibung\") VALUES (?, ?, '')"),
        {pg, name}));
    replaceSettlementRows(user, newId, preset);
    transaction.commit();
    return newId;
}

QVariant lookupMunicipalityName(const QSqlDatabase& master, const QString& number) {
    const QString text = number.trimmed();
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok)
        value = NumberFormat::locale().toInt(text, &ok);
    if (!ok)
        return QVariant();
    QSqlQuery query = Sql::exec(master, QStringLiteral("SELECT PG_NAME from PG WHERE ID = ?"), {value});
    if (!query.next())
        return QVariant();
    return query.value(0).toString();
}

namespace {

// Column names go into the statement's text: only those of the project table are taken.
void requireProjectColumn(const QString& column) {
    for (const UserSchema::Column& known : UserSchema::projectColumns())
        if (column == QString::fromUtf8(known.name))
            return;
    throw TavoError(QStringLiteral("Die Projekttabelle hat keine Spalte „%1“.").arg(column));
}

} // namespace

bool projectExists(const QSqlDatabase& user, int projectId) {
    return Sql::scalar(user, QStringLiteral("SELECT count(*) FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId})
               .toInt() > 0;
}

QList<int> projectIds(const QSqlDatabase& user) {
    QSqlQuery query = Sql::exec(user, QStringLiteral("SELECT \"ID\" FROM \"TAVO\" ORDER BY \"ID\""));
    QList<int> ids;
    while (query.next())
        ids << query.value(0).toInt();
    return ids;
}

std::optional<QSqlRecord> readProjectRow(const QSqlDatabase& user, int projectId) {
    QSqlQuery query = Sql::exec(user, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId});
    if (!query.next())
        return std::nullopt;
    return query.record();
}

QVariant projectValue(const QSqlDatabase& user, int projectId, const QString& column) {
    requireProjectColumn(column);
    return Sql::scalar(user,
                       QStringLiteral("SELECT %1 FROM \"TAVO\" WHERE \"ID\" = ?").arg(Sql::quoted(column)),
                       {projectId});
}

QSqlQuery projectList(const QSqlDatabase& user, const QStringList& columns) {
    QStringList quoted;
    for (const QString& column : columns) {
        requireProjectColumn(column);
        quoted << Sql::quoted(column);
    }
    QSqlQuery query(user);
    Sql::prepare(
        query,
        QStringLiteral("SELECT %1 FROM \"TAVO\" ORDER BY \"ID\"").arg(quoted.join(QStringLiteral(", "))));
    Sql::execPrepared(query);
    return query;
}

void deleteProject(const QSqlDatabase& user, int projectId) {
    Transaction transaction(user);
    Sql::exec(user, QStringLiteral("DELETE FROM \"TAVO\" WHERE \"ID\" = ?"), {projectId});
    transaction.commit();
}

} // namespace tavo
