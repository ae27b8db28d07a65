#include "core/data/SchemaDefinition.h"

#include <QHash>

#include "core/data/TavoError.h"

namespace tavo {

namespace Schema {
namespace {

using T = ColumnType;

const std::vector<Column> kProjectColumns = {
    {"ID", T::Identity},
    {"Beschreibung", T::Text},
    {"Projekt", T::Text},
    {"PG", T::Integer},
    {"PG_Name", T::Text},
    {"Bezugsjahr", T::Integer},
    {"bgFlBaulandBrutto", T::Float},
    {"bgAntGrünflächen", T::Float},
    {"bgAntVerkehrsflächen", T::Float},
    {"bgFlGrünflächen", T::Float},
    {"bgFlVerkehrsflächen", T::Float},
    {"bgFlBaulandNetto", T::Float},
    {"bgNutzFl_EFHg", T::Float},
    {"bgNutzFl_EFHk", T::Float},
    {"bgNutzFl_RHg", T::Float},
    {"bgNutzFl_RHk", T::Float},
    {"bgNutzFl_GWB", T::Float},
    {"bgBebDichte_GWB", T::Float},
    {"bgGstFl_EFHg", T::Float},
    {"bgGstFl_EFHk", T::Float},
    {"bgGstFl_RHg", T::Float},
    {"bgGstFl_RHk", T::Float},
    {"bgGstFl_GWB", T::Float},
    {"bgWandstärke", T::Float},
    {"ifFaktorLeitungslängen", T::Float},
    {"ifLfmWasserleitung", T::Integer},
    {"ifLfmKanalTrennsystem", T::Integer},
    {"ifLfmKanalMischsystem", T::Integer},
    {"ifLfmKanalStrEntwässerung", T::Integer},
    {"ifLfmStraßenbeleuchtung", T::Integer},
    {"ifLfmStromleitung", T::Integer},
    {"ifLfmDatenleitung", T::Integer},
    {"ifLfmGasleitung", T::Integer},
    {"ifLfmNahwärme", T::Integer},
    {"ifLfmAnschlWasserleitung", T::Integer},
    {"ifLfmAnschlKanalTrennsystem", T::Integer},
    {"ifLfmAnschlKanalMischsystem", T::Integer},
    {"ifLfmAnschlKanalStrEntwässerung", T::Integer},
    {"ifLfmAnschlStraßenbeleuchtung", T::Integer},
    {"ifLfmAnschlStromleitung", T::Integer},
    {"ifLfmAnschlDatenleitung", T::Integer},
    {"ifLfmAnschlGasleitung", T::Integer},
    {"ifLfmAnschlNahwärme", T::Integer},
    {"ifFlAnschlStraße", T::Integer},
    {"ifOberflächeInJahr", T::Integer},
    {"ifAnschlOberflächeInJahr", T::Integer},
    {"ifKoErStraßeUnterbau", T::Float},
    {"ifKoErStraßeOberbau", T::Float},
    {"ifKoErGrünflächen", T::Float},
    {"ifKoErWasserleitung", T::Float},
    {"ifKoErKanalTrennsystem", T::Float},
    {"ifKoErKanalMischsystem", T::Float},
    {"ifKoErKanalStrEntwässerung", T::Float},
    {"ifKoErStraßenbeleuchtung", T::Float},
    {"ifKoErStromleitung", T::Float},
    {"ifKoErDatenleitung", T::Float},
    {"ifKoErGasleitung", T::Float},
    {"ifKoErNahwärme", T::Float},
    {"ifKoEhStraße", T::Float},
    {"ifKoEhGrünflächen", T::Float},
    {"ifKoEhWasserleitung", T::Float},
    {"ifKoEhKanalTrennsystem", T::Float},
    {"ifKoEhKanalMischsystem", T::Float},
    {"ifKoEhKanalStrEntwässerung", T::Float},
    {"ifKoEhStraßenbeleuchtung", T::Float},
    {"ifKoEhStromleitung", T::Float},
    {"ifKoEhDatenleitung", T::Float},
    {"ifKoEhGasleitung", T::Float},
    {"ifKoEhNahwärme", T::Float},
    {"auAnteilZuzug", T::Float},
    {"auHebesatzAufschl", T::Float},
    {"auAntGemFörderungAufschl", T::Float},
    {"auGemFörderungAufschl", T::Integer},
    {"auEinheitssatzWasser", T::Float},
    {"auEinheitssatzKanalSchmutz", T::Float},
    {"auEinheitssatzKanalMisch", T::Float},
    {"auAntGemFörderungWasser", T::Float},
    {"auAntGemFörderungKanalSchmutz", T::Float},
    {"auAntGemFörderungKanalMisch", T::Float},
    {"auGemFörderungWasser", T::Integer},
    {"auGemFörderungKanalSchmutz", T::Integer},
    {"auGemFörderungKanalMisch", T::Integer},
    {"gsGebWertEFHg", T::Float},
    {"gsGebWertEFHk", T::Float},
    {"gsGebWertRHg", T::Float},
    {"gsGebWertRHk", T::Float},
    {"gsGebWertGWB", T::Float},
    {"gsBodenwert", T::Float},
    {"gsSteuermesszahlEFHg", T::Float},
    {"gsSteuermesszahlEFHk", T::Float},
    {"gsSteuermesszahlRHg", T::Float},
    {"gsSteuermesszahlRHk", T::Float},
    {"gsSteuermesszahlGWB", T::Float},
    {"gsHebesatz", T::Float},
    {"siKoEhKindergarten", T::Float},
    {"siKoEhVolksschule", T::Float},
    {"siKoEhSonstige", T::Float},
    {"fiEigAntErKanal", T::Float},
    {"fiEigAntErWasserleitung", T::Float},
    {"fiEigAntErKindergarten", T::Float},
    {"fiEigAntErStromleitung", T::Float},
    {"fiEigAntErDatenleitung", T::Float},
    {"fiEigAntErGasleitung", T::Float},
    {"fiEigAntErNahwärme", T::Float},
    {"fiEigAntErÖffGut", T::Float},
    {"fiEigAntEhKanal", T::Float},
    {"fiEigAntEhWasserleitung", T::Float},
    {"fiEigAntEhKindergarten", T::Float},
    {"fiEigAntEhStromleitung", T::Float},
    {"fiEigAntEhDatenleitung", T::Float},
    {"fiEigAntEhGasleitung", T::Float},
    {"fiEigAntEhNahwärme", T::Float},
    {"fiEigAntEhÖffGut", T::Float},
    {"fiZinsenSoll", T::Float},
    {"fiZinsenHaben", T::Float},
};

// The version column follows the inputs: raised by every save of the project from a window.
const Column kVersionColumn = {"Version", T::Integer, NotNull, "0"};

const Column kProjectKey = {"TAVO", T::Integer, NotNull | ProjectRef};

std::vector<Column> projectTableColumns() {
    std::vector<Column> columns = kProjectColumns;
    columns.push_back(kVersionColumn);
    return columns;
}

// Every per-project query filters by project first; the indexes keep them fast with millions of rows.
QList<Table> describeTables() {
    return {
        {QStringLiteral("TAVO"),
         projectTableColumns(),
         {},
         {{QStringLiteral("TAVO_Projekt"), {"Projekt"}}},
         {"ID"}},
        {QStringLiteral("Bebauung"),
         {{"ID", T::Identity},
          kProjectKey,
          {"bbTyp", T::Text},
          {"bbBauklasse", T::Text},
          {"bbAnteil", T::Float}},
         {},
         {{QStringLiteral("Bebauung_TAVO"), {"TAVO", "ID"}}},
         {"TAVO", "ID"}},
        {QStringLiteral("Besiedelung"),
         {{"ID", T::Identity},
          kProjectKey,
          {"Jahr", T::Integer},
          {"EFHg", T::Float},
          {"EFHk", T::Float},
          {"RHg", T::Float},
          {"RHk", T::Float},
          {"GWB", T::Float}},
         {},
         {{QStringLiteral("Besiedelung_TAVO"), {"TAVO", "Jahr"}}},
         {"TAVO", "Jahr", "ID"}},
        {QStringLiteral("Sonderausgaben"),
         {{"ID", T::Identity},
          kProjectKey,
          {"Jahr", T::Integer},
          {"Typ", T::Text},
          {"Bezeichnung", T::Text},
          {"Kostenträger", T::Text},
          {"Ausgabe", T::Float}},
         {},
         {{QStringLiteral("Sonderausgaben_TAVO"), {"TAVO"}}},
         {"TAVO", "ID"}},
        {QStringLiteral("Auswertung"),
         {kProjectKey,
          {"Jahr", T::Integer},
          {"Typ", T::Text},
          {"Bezeichnung", T::Text},
          {"Kostenträger", T::Text},
          {"Ausgabe", T::Float, 0, "0"},
          {"Einnahme", T::Float, 0, "0"}},
         {},
         {{QStringLiteral("Auswertung_TAVO"), {"TAVO", "Typ", "Jahr"}}},
         {"TAVO", "Typ", "Jahr", "rowid"},
         true},
        {QStringLiteral("bWvB"),
         {kProjectKey,
          {"Jahr", T::Integer},
          {"EFHg", T::Float},
          {"EFHk", T::Float},
          {"RHg", T::Float},
          {"RHk", T::Float},
          {"GWB", T::Float}},
         {},
         {{QStringLiteral("bWvB_TAVO"), {"TAVO", "Jahr"}}},
         {"TAVO", "Jahr", "rowid"},
         true},
        {QStringLiteral("bBvB"),
         {kProjectKey, {"Alter", T::Integer}, {"Jahr", T::Integer}, {"Bewohner", T::Float, 0, "0"}},
         {},
         {{QStringLiteral("bBvB_TAVO"), {"TAVO", "Jahr", "Alter"}}},
         {"TAVO", "Jahr", "Alter", "rowid"},
         true},
        {QStringLiteral("gBvB"),
         {{"PG", T::Integer}, {"Alter", T::Integer}, {"Jahr", T::Integer}, {"Bewohner", T::Float}},
         {},
         {{QStringLiteral("gBvB_PG"), {"PG", "Jahr", "Alter"}}},
         {"PG", "Jahr", "Alter", "rowid"},
         true},
        {QStringLiteral("TAVO_Abfragen"),
         {{"Name", T::Text, CaseInsensitiveKey}, {"SQL", T::Text, NotNull}},
         {},
         {},
         {"Name"}},
        {QStringLiteral("Szenarien"),
         {kProjectKey, {"Szenario", T::Text, NotNull}, {"Parameter", T::Text, NotNull}, {"Wert", T::Float}},
         {"TAVO", "Szenario", "Parameter"},
         {},
         {"TAVO", "Szenario", "Parameter"}},
        // The fingerprints of the calculated inputs, one per project.
        {QStringLiteral("Berechnungsstand"),
         {{"TAVO", T::Integer, PrimaryKey | ProjectRef}, {"Fingerabdruck", T::Text, NotNull}},
         {},
         {},
         {"TAVO"}},
        // The plan a project's inputs were measured from (one per project): the file, the date of its
        // last change, the metric reference system, the assignment of layers to roles and the
        // measured figures (both JSON).
        {QStringLiteral("Plan"),
         {{"TAVO", T::Integer, PrimaryKey | ProjectRef},
          {"Datei", T::Text, NotNull},
          {"Stand", T::Text},
          {"Koordinatensystem", T::Text},
          {"Zuordnung", T::Text},
          {"Messwerte", T::Text}},
         {},
         {},
         {"TAVO"}},
        // Its features in metric coordinates, for drawing without reading the file again; Geometrie
        // holds the parts as "x y,x y;x y,...".
        {QStringLiteral("PlanObjekt"),
         {kProjectKey,
          {"Nr", T::Integer, NotNull},
          {"Rolle", T::Text},
          {"Ebene", T::Text},
          {"Objekt", T::Integer},
          {"Netz", T::Text},
          {"Typ", T::Text},
          {"Art", T::Integer},
          {"Geometrie", T::Text},
          {"Fläche", T::Float},
          {"Länge", T::Float}},
         {"TAVO", "Nr"},
         {},
         {"TAVO", "Nr"}},
        // The inputs taken from the plan, with where they came from.
        {QStringLiteral("PlanMarke"),
         {kProjectKey,
          {"Feld", T::Text, NotNull},
          {"Datei", T::Text},
          {"Ebene", T::Text},
          {"Stand", T::Text}},
         {"TAVO", "Feld"},
         {},
         {"TAVO", "Feld"}},
        // The layout the file or server database has; one row.
        {QStringLiteral("Schemaversion"), {{"Version", T::Integer, NotNull}}, {}, {}, {"Version"}},
    };
}

QStringList names(const QStringList& columns, const SchemaDriver& driver) {
    QStringList out;
    for (const QString& column : columns)
        out << driver.quote(column);
    return out;
}

// Every known name by its lower-case form.
const QHash<QString, QString>& namesByLowerCase() {
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> names;
        for (const QString& name : identifiers())
            names.insert(name.toLower(), name);
        names.insert(QStringLiteral("alter"), QStringLiteral("Alter"));
        return names;
    }();
    return map;
}

} // namespace

const QList<Table>& tables() {
    static const QList<Table> all = describeTables();
    return all;
}

const Table& table(const QString& name) {
    for (const Table& t : tables())
        if (t.name == name)
            return t;
    throw TavoError(QStringLiteral("Unbekannte Tabelle der Benutzerdatenbank: %1").arg(name));
}

const std::vector<Column>& projectColumns() {
    return kProjectColumns;
}

QString columnDefinition(const Column& column, const SchemaDriver& driver) {
    const QString name = driver.quote(QString::fromUtf8(column.name));
    if (column.flags & CaseInsensitiveKey)
        return driver.caseInsensitiveKey(QString::fromUtf8(column.name));
    QString text = name + QLatin1Char(' ') + driver.typeName(column.type);
    if (column.flags & PrimaryKey)
        text += QStringLiteral(" PRIMARY KEY");
    if (column.flags & NotNull)
        text += QStringLiteral(" NOT NULL");
    if (column.defaultValue)
        text += QStringLiteral(" DEFAULT ") + QString::fromLatin1(column.defaultValue);
    if (column.flags & ProjectRef)
        text += QStringLiteral(" REFERENCES %1(%2) ON DELETE CASCADE")
                    .arg(driver.quote(QStringLiteral("TAVO")), driver.quote(QStringLiteral("ID")));
    return text;
}

QString createTableSql(const Table& table, const SchemaDriver& driver) {
    QStringList parts;
    for (const Column& column : table.columns)
        parts << columnDefinition(column, driver);
    if (table.resultRows && !driver.rowNumberColumn().isEmpty())
        parts << driver.rowNumberColumn();
    if (!table.primaryKey.isEmpty())
        parts << QStringLiteral("PRIMARY KEY (%1)")
                     .arg(names(table.primaryKey, driver).join(QStringLiteral(", ")));
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(driver.quote(table.name), parts.join(QStringLiteral(", ")));
}

QStringList createIndexSql(const Table& table, const SchemaDriver& driver) {
    QStringList statements;
    for (const Column& column : table.columns)
        if (column.flags & CaseInsensitiveKey)
            statements << driver.caseInsensitiveKeyIndex(table.name, QString::fromUtf8(column.name));
    for (const Index& index : table.indexes)
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                          .arg(driver.quote(index.name), driver.quote(table.name),
                               names(index.columns, driver).join(QStringLiteral(", ")));
    return statements;
}

QStringList generateCreateSql(const SchemaDriver& driver) {
    QStringList statements;
    for (const Table& t : tables())
        statements << createTableSql(t, driver);
    for (const Table& t : tables())
        statements << createIndexSql(t, driver);
    return statements;
}

QStringList queryAliases() {
    return {QStringLiteral("Ausgaben"),
            QStringLiteral("Einnahmen"),
            QStringLiteral("Saldo"),
            QStringLiteral("Wohneinheiten"),
            QStringLiteral("Kindergartenkinder"),
            QStringLiteral("Volksschüler")};
}

QStringList identifiers() {
    QStringList names;
    for (const Table& t : tables()) {
        names << t.name;
        for (const Column& column : t.columns)
            names << QString::fromUtf8(column.name);
    }
    names << QStringLiteral("rowid") << queryAliases();
    names.removeAll(QStringLiteral("Alter"));
    names.removeDuplicates();
    return names;
}

QString quoted(const QString& name) {
    const auto known = namesByLowerCase().constFind(name.toLower());
    if (known == namesByLowerCase().constEnd())
        throw TavoError(QStringLiteral("Unbekannter Name der Benutzerdatenbank: %1").arg(name));
    return SchemaDriver::postgres().quote(known.value());
}

} // namespace Schema

} // namespace tavo
