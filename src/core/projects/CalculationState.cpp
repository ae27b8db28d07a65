#include "core/projects/CalculationState.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Sql.h"
#include "core/data/UserSchema.h"

namespace tavo {

namespace CalculationState {
namespace {

// Adds every row of the query, field by field with type and value, to the hash.
void addRows(QCryptographicHash& hash, QSqlQuery& query, const QString& skipField) {
    while (query.next()) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            if (record.fieldName(i) == skipField)
                continue;
            const QVariant v = record.value(i);
            // Optional inputs added later count only once they are set, so that adding the empty
            // columns to a file leaves its results current.
            if (v.isNull() && UserSchema::capacityAndLandColumns().contains(record.fieldName(i)))
                continue;
            hash.addData(record.fieldName(i).toUtf8());
            hash.addData(v.isNull() ? QByteArrayLiteral("\x01NULL") : v.toString().toUtf8());
            hash.addData(QByteArrayLiteral("\x1f"));
        }
        hash.addData(QByteArrayLiteral("\x1e"));
    }
    hash.addData(QByteArrayLiteral("\x1d"));
}

} // namespace

QByteArray fingerprint(const QSqlDatabase& userDb, int projectId) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QList<std::pair<QString, QString>> sources = {
        // The version counts saves, not inputs: a save that changes no value keeps the results current.
        {QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), QStringLiteral("Version")},
        {QStringLiteral("SELECT * FROM \"Bebauung\" WHERE \"TAVO\" = ? ORDER BY \"ID\""),
         QStringLiteral("ID")},
        {QStringLiteral("SELECT * FROM \"Besiedelung\" WHERE \"TAVO\" = ? ORDER BY \"Jahr\", \"ID\""),
         QStringLiteral("ID")},
        {QStringLiteral("SELECT * FROM \"Sonderausgaben\" WHERE \"TAVO\" = ? ORDER BY \"ID\""),
         QStringLiteral("ID")},
    };
    for (const auto& [sql, skip] : sources) {
        QSqlQuery query = Sql::exec(userDb, sql, {projectId});
        addRows(hash, query, skip);
    }
    return hash.result().toHex();
}

void store(const QSqlDatabase& userDb, int projectId) {
    Sql::exec(userDb, QStringLiteral("DELETE FROM \"Berechnungsstand\" WHERE \"TAVO\" = ?"), {projectId});
    Sql::exec(userDb,
              QStringLiteral("INSERT INTO \"Berechnungsstand\" (\"TAVO\", \"Fingerabdruck\") VALUES (?, ?)"),
              {projectId, QString::fromLatin1(fingerprint(userDb, projectId))});
}

bool hasResults(const QSqlDatabase& userDb, int projectId) {
    return Sql::scalar(userDb,
                       QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM \"Auswertung\" WHERE \"TAVO\" = ? "
                                      "LIMIT 1) AS \"Ergebnis\""),
                       {projectId})
               .toInt() > 0;
}

State of(const QSqlDatabase& userDb, int projectId) {
    if (!hasResults(userDb, projectId))
        return State::NotCalculated;
    const QVariant stored = Sql::scalar(
        userDb, QStringLiteral("SELECT \"Fingerabdruck\" FROM \"Berechnungsstand\" WHERE \"TAVO\" = ?"),
        {projectId});
    if (stored.isNull() || stored.toString().toLatin1() != fingerprint(userDb, projectId))
        return State::Changed;
    return State::Current;
}

QString text(State state) {
    switch (state) {
    case State::NotCalculated:
        return QStringLiteral("nicht berechnet");
    case State::Changed:
        return QStringLiteral("geändert seit der Berechnung");
    case State::Current:
        break;
    }
    return QStringLiteral("aktuell");
}

} // namespace CalculationState

} // namespace tavo
