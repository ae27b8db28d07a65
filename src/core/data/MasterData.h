#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace tavo {

// Reading the master database: the value lists of the inputs (FeldWerte), the municipalities (PG)
// and the sources of the defaults (FeldQuellen, Quellen). Every statement on these tables is here.
namespace MasterData {

// One entry of a value list in its list order.
struct ValueListEntry {
    QString description; // Beschreibung, as the list shows it
    QString value;       // Wert, locale-neutral text
    bool isDefault = false;
};

// The value lists of one master database, through one statement prepared once for all the lists a
// window loads.
class ValueLists {
public:
    // Throws TavoError when the statement cannot be prepared.
    explicit ValueLists(const QSqlDatabase& master);

    // The entries of the list of one column of a table, ordered by Nummer. Throws TavoError.
    QList<ValueListEntry> entries(const QString& table, const QString& field);

private:
    QSqlQuery m_query;
};

// The default Wert of every value list of a table that has one: column -> Wert.
QHash<QString, QString> valueListDefaults(const QSqlDatabase& master, const QString& table);

// The municipalities whose name begins with namePrefix (every one when it is empty; % and _ in it
// match only themselves), every column of PG, ordered by name: an executed query for a list.
QSqlQuery municipalities(const QSqlDatabase& master, const QString& namePrefix);

// The name of the municipality with the key pg; a null string when the master has no such row.
QString municipalityName(const QSqlDatabase& master, int pg);

// One source behind the default of one column.
struct FieldSource {
    QString field;       // the column whose default rests on the source
    QString sourceId;    // the source's key
    QStringList details; // Titel, Herausgeber, Jahr and Fundstelle as text (empty where missing)
};

// The sources of the defaults of a table's columns, ordered by source key and column.
QList<FieldSource> fieldSources(const QSqlDatabase& master, const QString& table);

} // namespace MasterData

} // namespace tavo
