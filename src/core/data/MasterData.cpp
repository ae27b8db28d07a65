#include "core/data/MasterData.h"

#include <QVariant>

#include "core/data/Sql.h"

namespace tavo {

namespace MasterData {

ValueLists::ValueLists(const QSqlDatabase& master) : m_query(master) {
    Sql::prepare(m_query, QStringLiteral("SELECT \"Beschreibung\", \"Wert\", \"Default\" FROM \"FeldWerte\" "
                                         "WHERE \"Tabelle\" = ? AND \"Feld\" = ? ORDER BY \"Nummer\""));
}

QList<ValueListEntry> ValueLists::entries(const QString& table, const QString& field) {
    m_query.finish();
    m_query.bindValue(0, table);
    m_query.bindValue(1, field);
    Sql::execPrepared(m_query);
    QList<ValueListEntry> list;
    while (m_query.next())
        list << ValueListEntry{m_query.value(0).toString(), m_query.value(1).toString(),
                               m_query.value(2).toBool()};
    m_query.finish();
    return list;
}

QHash<QString, QString> valueListDefaults(const QSqlDatabase& master, const QString& table) {
    QHash<QString, QString> defaults;
    QSqlQuery q = Sql::exec(master,
                            QStringLiteral("SELECT \"Feld\", \"Wert\" FROM \"FeldWerte\" "
                                           "WHERE \"Tabelle\" = ? AND \"Default\" <> 0"),
                            {table});
    while (q.next())
        defaults.insert(q.value(0).toString(), q.value(1).toString());
    return defaults;
}

QSqlQuery municipalities(const QSqlDatabase& master, const QString& namePrefix) {
    QSqlQuery query(master);
    if (namePrefix.isEmpty()) {
        Sql::prepare(query, QStringLiteral("SELECT * FROM \"PG\" ORDER BY \"PG_Name\""));
    } else {
        Sql::prepare(
            query,
            QStringLiteral("SELECT * FROM \"PG\" WHERE \"PG_Name\" LIKE ? ESCAPE '\\' ORDER BY \"PG_Name\""));
        QString escaped = namePrefix;
        escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
        escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
        query.addBindValue(escaped + QLatin1Char('%'));
    }
    Sql::execPrepared(query);
    return query;
}

QString municipalityName(const QSqlDatabase& master, int pg) {
    QSqlQuery query =
        Sql::exec(master, QStringLiteral("SELECT \"PG_Name\" FROM \"PG\" WHERE \"ID\" = ?"), {pg});
    return query.next() ? query.value(0).toString() : QString();
}

QList<FieldSource> fieldSources(const QSqlDatabase& master, const QString& table) {
    QSqlQuery q = Sql::exec(
        master,
        QStringLiteral(
            "SELECT f.\"Feld\", q.\"ID\", q.\"Titel\", q.\"Herausgeber\", q.\"Jahr\", q.\"Fundstelle\" "
            "FROM \"FeldQuellen\" f JOIN \"Quellen\" q "
            "ON ';' || f.\"Quellen\" || ';' LIKE '%;' || q.\"ID\" || ';%' "
            "WHERE f.\"Tabelle\" = ? ORDER BY q.\"ID\", f.\"Feld\""),
        {table});
    QList<FieldSource> sources;
    while (q.next()) {
        FieldSource source{q.value(0).toString(), q.value(1).toString(), {}};
        for (int c = 2; c <= 5; ++c)
            source.details << q.value(c).toString();
        sources << source;
    }
    return sources;
}

} // namespace MasterData

} // namespace tavo
