#include "core/projects/StoredInputs.h"

#include <QSqlQuery>

#include "core/data/Sql.h"

namespace {

QList<QSqlRecord> detailRows(const QSqlDatabase& user, const QString& table, const QString& columns, int id) {
    QSqlQuery query = Sql::exec(
        user, QStringLiteral("SELECT %1 FROM %2 WHERE TAVO = ? ORDER BY ID").arg(columns, table), {id});
    QList<QSqlRecord> rows;
    while (query.next())
        rows << query.record();
    return rows;
}

} // namespace

StoredInputs StoredInputs::read(const QSqlDatabase& user, int projectId) {
    StoredInputs inputs;
    inputs.projectId = projectId;
    QSqlQuery project = Sql::exec(user, QStringLiteral("SELECT * FROM TAVO WHERE ID = ?"), {projectId});
    inputs.found = project.next();
    if (!inputs.found)
        return inputs;
    inputs.project = project.record();
    inputs.buildings = detailRows(user, QStringLiteral("Bebauung"),
                                  QStringLiteral("bbTyp, bbBauklasse, bbAnteil"), projectId);
    inputs.settlements = detailRows(user, QStringLiteral("Besiedelung"),
                                    QStringLiteral("Jahr, EFHg, EFHk, RHg, RHk, GWB"), projectId);
    inputs.specials = detailRows(user, QStringLiteral("Sonderausgaben"),
                                 QStringLiteral("Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe"), projectId);
    return inputs;
}
