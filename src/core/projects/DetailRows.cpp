#include "core/projects/DetailRows.h"

#include "core/data/Sql.h"
#include "core/data/SqlDialect.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace DetailRows {
namespace {

struct Table {
    QString name;
    QStringList columns;
};

const QList<Table>& detailTables() {
    static const QList<Table> tables = {
        {QStringLiteral("Bebauung"),
         {QStringLiteral("bbTyp"), QStringLiteral("bbBauklasse"), QStringLiteral("bbAnteil")}},
        {QStringLiteral("Besiedelung"),
         {QStringLiteral("Jahr"), QStringLiteral("EFHg"), QStringLiteral("EFHk"), QStringLiteral("RHg"),
          QStringLiteral("RHk"), QStringLiteral("GWB")}},
        {QStringLiteral("Sonderausgaben"),
         {QStringLiteral("Jahr"), QStringLiteral("Typ"), QStringLiteral("Bezeichnung"),
          QStringLiteral("Kostenträger"), QStringLiteral("Ausgabe")}},
    };
    return tables;
}

// Every name must be an input column of the table: names go into the statement's text, values never.
void requireColumns(const QString& table, const QStringList& names, const QVariantList& values) {
    const QStringList& known = columns(table);
    for (const QString& name : names)
        if (!known.contains(name))
            throw TavoError(QStringLiteral("Die Tabelle „%1“ hat keine Spalte „%2“.").arg(table, name));
    if (names.isEmpty() || names.size() != values.size())
        throw TavoError(QStringLiteral("Datenbankfehler: %1 Werte für %2 Spalten der Tabelle „%3“.")
                            .arg(values.size())
                            .arg(names.size())
                            .arg(table));
}

} // namespace

const QStringList& tables() {
    static const QStringList names = [] {
        QStringList list;
        for (const Table& table : detailTables())
            list << table.name;
        return list;
    }();
    return names;
}

const QStringList& columns(const QString& table) {
    for (const Table& t : detailTables())
        if (t.name == table)
            return t.columns;
    throw TavoError(QStringLiteral("Unbekannte Detailtabelle: %1").arg(table));
}

QSqlQuery select(const QSqlDatabase& db, const QString& table, int projectId, Order order) {
    const QString byKey = Sql::quoted(QStringLiteral("ID"));
    const QString sorted =
        order == Order::Entry ? byKey : SqlDialect::orderBy(db, {Sql::quoted(QStringLiteral("Jahr")), byKey});
    return Sql::exec(db,
                     QStringLiteral("SELECT %1, %2 FROM %3 WHERE \"TAVO\" = ? ORDER BY %4")
                         .arg(byKey, Sql::quotedList(columns(table)), Sql::quoted(table), sorted),
                     {projectId});
}

QList<QSqlRecord> records(const QSqlDatabase& db, const QString& table, int projectId) {
    QSqlQuery query = Sql::exec(db,
                                QStringLiteral("SELECT %1 FROM %2 WHERE \"TAVO\" = ? ORDER BY \"ID\"")
                                    .arg(Sql::quotedList(columns(table)), Sql::quoted(table)),
                                {projectId});
    QList<QSqlRecord> rows;
    while (query.next())
        rows << query.record();
    return rows;
}

void insert(const QSqlDatabase& db, const QString& table, int projectId, const QStringList& names,
            const QVariantList& values) {
    requireColumns(table, names, values);
    QStringList marks{QStringLiteral("?")};
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    QVariantList params{projectId};
    params << values;
    Sql::exec(db,
              QStringLiteral("INSERT INTO %1 (\"TAVO\", %2) VALUES (%3)")
                  .arg(Sql::quoted(table), Sql::quotedList(names), marks.join(QStringLiteral(", "))),
              params);
}

void update(const QSqlDatabase& db, const QString& table, const QVariant& id, const QStringList& names,
            const QVariantList& values) {
    requireColumns(table, names, values);
    QStringList assignments;
    for (const QString& name : names)
        assignments << Sql::quoted(name) + QStringLiteral(" = ?");
    QVariantList params = values;
    params << id;
    Sql::exec(db,
              QStringLiteral("UPDATE %1 SET %2 WHERE \"ID\" = ?")
                  .arg(Sql::quoted(table), assignments.join(QStringLiteral(", "))),
              params);
}

void remove(const QSqlDatabase& db, const QString& table, const QVariant& id) {
    columns(table);
    Sql::exec(db, QStringLiteral("DELETE FROM %1 WHERE \"ID\" = ?").arg(Sql::quoted(table)), {id});
}

} // namespace DetailRows

} // namespace tavo
