#include <tuple>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "core/data/MasterData.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/projects/CalculationState.h"
#include "core/projects/DetailRows.h"
#include "core/projects/ProjectRecords.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

int rowsOf(const QSqlDatabase& db, const QString& table, int project) {
    return Sql::scalar(db, QStringLiteral("SELECT count(*) FROM %1 WHERE TAVO = ?").arg(table), {project})
        .toInt();
}

// The rows of a detail table as the database holds them: "ID|value|value...", NULL as "-".
QStringList storedRows(const QSqlDatabase& db, const QString& table, const QString& columns, int project) {
    QStringList rows;
    QSqlQuery q =
        Sql::exec(db, QStringLiteral("SELECT ID, %1 FROM %2 WHERE TAVO = ? ORDER BY ID").arg(columns, table),
                  {project});
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TableOwnersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deleteProjectTakesEverythingOfThatProjectOnly();
    void projectRowsByKey();
    void detailRowsWriteOnlyNamedColumns_data();
    void detailRowsWriteOnlyNamedColumns();
    void detailRowsRefuseForeignNames();
    void detailRowsByYearPutRowsWithoutYearFirst();
    void valueListsInListOrderWithDefault();
    void municipalitySearchTakesWildcardsLiterally();
    void fieldSourcesMatchWholeKeysOnly();
};

void TableOwnersTest::deleteProjectTakesEverythingOfThatProjectOnly() {
    TestDb db;
    const int gone = db.insertProject({{"Beschreibung", "weg"}});
    const int kept = db.insertProject({{"Beschreibung", "bleibt"}});
    for (const int id : {gone, kept}) {
        db.insertRow("Bebauung", {{"TAVO", id}, {"bbTyp", "EFHg"}, {"bbAnteil", 40}});
        db.insertRow("Besiedelung", {{"TAVO", id}, {"Jahr", 1}, {"EFHg", 10.0}});
        db.insertRow("Besiedelung", {{"TAVO", id}, {"Jahr", 2}, {"EFHg", 20.0}});
        db.insertRow("Sonderausgaben", {{"TAVO", id}, {"Jahr", 3}, {"Ausgabe", 500.0}});
        db.insertRow("Szenarien",
                     {{"TAVO", id}, {"Szenario", "optimistisch"}, {"Parameter", "Zinsen"}, {"Wert", 1.0}});
        db.insertRow("bWvB", {{"TAVO", id}, {"Jahr", 1}, {"EFHg", 2.0}});
        db.insertRow("bBvB", {{"TAVO", id}, {"Alter", 4}, {"Jahr", 1}, {"Bewohner", 3.0}});
        db.book(id, 1, "Kanal", "Errichtung", "Gemeinde", 100.0, 0.0);
        CalculationState::store(db.user(), id);
    }
    // Rows per project: table -> count, as inserted above.
    const QList<std::pair<QString, int>> expected = {
        {"Bebauung", 1}, {"Besiedelung", 2}, {"Sonderausgaben", 1}, {"Szenarien", 1},
        {"bWvB", 1},     {"bBvB", 1},        {"Auswertung", 1},     {"Berechnungsstand", 1}};

    deleteProject(db.user(), gone);

    QVERIFY(!projectExists(db.user(), gone));
    QVERIFY(projectExists(db.user(), kept));
    QCOMPARE(projectIds(db.user()), QList<int>{kept});
    for (const auto& [table, rows] : expected) {
        QCOMPARE(rowsOf(db.user(), table, gone), 0);
        QCOMPARE(rowsOf(db.user(), table, kept), rows);
    }
    // A key no project has deletes nothing.
    deleteProject(db.user(), gone + kept + 10);
    QCOMPARE(projectIds(db.user()), QList<int>{kept});
    QCOMPARE(rowsOf(db.user(), "Besiedelung", kept), 2);
}

void TableOwnersTest::projectRowsByKey() {
    TestDb db;
    const int first = db.insertProject({{"PG", 70101}, {"PG_Name", "Absam"}, {"Beschreibung", "a"}});
    const int second = db.insertProject({{"PG", 70102}, {"PG_Name", "Ampass"}, {"Beschreibung", "b"}});
    QCOMPARE(projectIds(db.user()), (QList<int>{first, second}));
    QCOMPARE(projectValue(db.user(), second, "PG_Name").toString(), QStringLiteral("Ampass"));
    QVERIFY(projectValue(db.user(), second + 1, "PG_Name").isNull());
    QVERIFY_THROWS_EXCEPTION(TavoError, projectValue(db.user(), first, "PG_Name FROM TAVO --"));

    const std::optional<QSqlRecord> row = readProjectRow(db.user(), first);
    QVERIFY(row.has_value());
    QCOMPARE(row->value("Beschreibung").toString(), QStringLiteral("a"));
    QVERIFY(!readProjectRow(db.user(), second + 1).has_value());

    QSqlQuery list = projectList(db.user(), {"PG_Name", "ID"});
    QStringList seen;
    while (list.next())
        seen << QStringLiteral("%1:%2").arg(list.value(0).toString()).arg(list.value(1).toInt());
    QCOMPARE(seen,
             (QStringList{QStringLiteral("Absam:%1").arg(first), QStringLiteral("Ampass:%1").arg(second)}));
    QVERIFY_THROWS_EXCEPTION(TavoError, projectList(db.user(), {"ID", "Nachname"}));
}

void TableOwnersTest::detailRowsWriteOnlyNamedColumns_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns"); // the columns written, not in stored order
    QTest::addColumn<QVariantList>("inserted");
    QTest::addColumn<QVariantList>("updated");
    QTest::addColumn<QStringList>("afterInsert"); // every column in stored order, without the key
    QTest::addColumn<QStringList>("afterUpdate");
    QTest::newRow("Bebauung") << "Bebauung" << QStringList{"bbAnteil", "bbTyp"} << QVariantList{30, "RHk"}
                              << QVariantList{45, QVariant()} << QStringList{"RHk", "-", "30"}
                              << QStringList{"-", "-", "45"};
    QTest::newRow("Besiedelung") << "Besiedelung" << QStringList{"GWB", "Jahr", "RHg"}
                                 << QVariantList{12.5, 4, 7.25} << QVariantList{0.5, 5, QVariant()}
                                 << QStringList{"4", "-", "-", "7.25", "-", "12.5"}
                                 << QStringList{"5", "-", "-", "-", "-", "0.5"};
    QTest::newRow("Sonderausgaben") << "Sonderausgaben"
                                    << QStringList{"Kostenträger", "Ausgabe", "Bezeichnung"}
                                    << QVariantList{"Gemeinde", 1500.75, "Brücke"}
                                    << QVariantList{"Land", -20.0, "Steg"}
                                    << QStringList{"-", "-", "Brücke", "Gemeinde", "1500.75"}
                                    << QStringList{"-", "-", "Steg", "Land", "-20"};
}

void TableOwnersTest::detailRowsWriteOnlyNamedColumns() {
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QVariantList, inserted);
    QFETCH(QVariantList, updated);
    QFETCH(QStringList, afterInsert);
    QFETCH(QStringList, afterUpdate);
    TestDb db;
    const int other = db.insertProject({{"Beschreibung", "andere"}});
    const int project = db.insertProject({{"Beschreibung", "diese"}});
    const QString stored = DetailRows::columns(table).join(QStringLiteral(", "));

    DetailRows::insert(db.user(), table, project, columns, inserted);
    const QStringList rows = storedRows(db.user(), table, stored, project);
    QCOMPARE(rows.size(), 1);
    const QString id = rows.first().section(QLatin1Char('|'), 0, 0);
    const QVariant key = id.toInt();
    QCOMPARE(rows.first(), id + QLatin1Char('|') + afterInsert.join(QLatin1Char('|')));
    QCOMPARE(rowsOf(db.user(), table, other), 0);

    // The reading side gives the key first, then every input column in stored order.
    QSqlQuery read = DetailRows::select(db.user(), table, project);
    QVERIFY(read.next());
    QCOMPARE(read.record().fieldName(0), QStringLiteral("ID"));
    QCOMPARE(read.value(0).toString(), id);
    for (int i = 0; i < DetailRows::columns(table).size(); ++i)
        QCOMPARE(read.record().fieldName(i + 1), DetailRows::columns(table).at(i));
    read.finish();

    DetailRows::update(db.user(), table, key, columns, updated);
    QCOMPARE(storedRows(db.user(), table, stored, project),
             QStringList{id + QLatin1Char('|') + afterUpdate.join(QLatin1Char('|'))});
    QCOMPARE(DetailRows::records(db.user(), table, project).size(), 1);

    DetailRows::remove(db.user(), table, key);
    QCOMPARE(rowsOf(db.user(), table, project), 0);
}

void TableOwnersTest::detailRowsRefuseForeignNames() {
    TestDb db;
    const int project = db.insertProject({{"Beschreibung", "x"}});
    QVERIFY_THROWS_EXCEPTION(TavoError, DetailRows::columns("Auswertung"));
    QVERIFY_THROWS_EXCEPTION(TavoError, DetailRows::select(db.user(), "TAVO", project));
    // The project key and the row key are no input columns, nor a name that smuggles in SQL.
    QVERIFY_THROWS_EXCEPTION(TavoError, DetailRows::insert(db.user(), "Bebauung", project, {"TAVO"}, {1}));
    QVERIFY_THROWS_EXCEPTION(TavoError, DetailRows::insert(db.user(), "Besiedelung", project, {"ID"}, {7}));
    QVERIFY_THROWS_EXCEPTION(TavoError,
                             DetailRows::update(db.user(), "Bebauung", 1, {"bbTyp = 'x' --"}, {QString()}));
    // A column of another detail table.
    QVERIFY_THROWS_EXCEPTION(TavoError, DetailRows::insert(db.user(), "Bebauung", project, {"Jahr"}, {1}));
    // Values and columns must pair up.
    QVERIFY_THROWS_EXCEPTION(TavoError,
                             DetailRows::insert(db.user(), "Besiedelung", project, {"Jahr", "EFHg"}, {1}));
    for (const QString& table : DetailRows::tables())
        QCOMPARE(rowsOf(db.user(), table, project), 0);
}

void TableOwnersTest::detailRowsByYearPutRowsWithoutYearFirst() {
    TestDb db;
    const int project = db.insertProject({{"Beschreibung", "x"}});
    // Entered in this order: key 1 year 3, key 2 no year, key 3 year 1, key 4 year 3.
    for (const QVariant& year : {QVariant(3), QVariant(), QVariant(1), QVariant(3)})
        DetailRows::insert(db.user(), "Sonderausgaben", project, {"Jahr"}, {year});
    const auto order = [&](DetailRows::Order how) {
        QList<int> keys;
        QSqlQuery q = DetailRows::select(db.user(), "Sonderausgaben", project, how);
        while (q.next())
            keys << q.value(0).toInt();
        return keys;
    };
    const QList<int> entry = order(DetailRows::Order::Entry);
    QCOMPARE(entry.size(), 4);
    QCOMPARE(order(DetailRows::Order::YearOfEntry), (QList<int>{entry[1], entry[2], entry[0], entry[3]}));
}

void TableOwnersTest::valueListsInListOrderWithDefault() {
    TestDb db;
    QSqlDatabase master = db.writableMaster();
    // Entered against their list order: the list follows Nummer.
    const QList<std::tuple<int, QString, QString, int>> entries = {
        {3, "drei", "3.5", 0}, {1, "eins", "1", 0}, {2, "zwei", "2", 1}};
    for (const auto& [nummer, text, wert, standard] : entries)
        Sql::exec(master,
                  "INSERT INTO FeldWerte (Tabelle, Feld, Nummer, Beschreibung, Wert, \"Default\") "
                  "VALUES ('Probe', 'Feld1', ?, ?, ?, ?)",
                  {nummer, text, wert, standard});
    db.reopen();

    MasterData::ValueLists lists(db.master());
    const QList<MasterData::ValueListEntry> list = lists.entries("Probe", "Feld1");
    QStringList seen;
    for (const MasterData::ValueListEntry& e : list)
        seen << QStringLiteral("%1=%2%3").arg(e.description, e.value,
                                              e.isDefault ? QStringLiteral("*") : QString());
    QCOMPARE(seen, (QStringList{"eins=1", "zwei=2*", "drei=3.5"}));
    // The same prepared statement serves the next list; an unknown field has an empty one.
    QVERIFY(lists.entries("Probe", "Feld2").isEmpty());
    QCOMPARE(lists.entries("Probe", "Feld1").size(), 3);
    QCOMPARE(MasterData::valueListDefaults(db.master(), "Probe"), (QHash<QString, QString>{{"Feld1", "2"}}));
}

void TableOwnersTest::municipalitySearchTakesWildcardsLiterally() {
    TestDb db;
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, "DELETE FROM PG");
    const QStringList names = {"Zz_b", "Zz%a", "Zzxa", "Zz\\c", "Ab"};
    for (int i = 0; i < names.size(); ++i)
        Sql::exec(master, "INSERT INTO PG (ID, PG_Name) VALUES (?, ?)", {90001 + i, names[i]});
    db.reopen();
    const auto found = [&](const QString& prefix) {
        QStringList result;
        QSqlQuery q = MasterData::municipalities(db.master(), prefix);
        while (q.next())
            result << q.value("PG_Name").toString();
        return result;
    };
    QCOMPARE(found(""), (QStringList{"Ab", "Zz%a", "Zz\\c", "Zz_b", "Zzxa"}));
    QCOMPARE(found("Zz%"), QStringList{"Zz%a"});
    QCOMPARE(found("Zz_"), QStringList{"Zz_b"});
    QCOMPARE(found("Zz\\"), QStringList{"Zz\\c"});
}

void TableOwnersTest::fieldSourcesMatchWholeKeysOnly() {
    TestDb db;
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, "DELETE FROM FeldQuellen");
    Sql::exec(master, "DELETE FROM Quellen");
    for (const QString& id : {"Q1", "Q13", "Q3"})
        Sql::exec(
            master,
            "INSERT INTO Quellen (ID, Titel, Herausgeber, Jahr, Fundstelle) VALUES (?, ?, 'Amt', '2020', '')",
            {id, "Titel " + id});
    Sql::exec(master, "INSERT INTO FeldQuellen (Tabelle, Feld, Vorgabe, Quellen, Herleitung) VALUES "
                      "('TAVO', 'b', '1', 'Q3;Q1', 'h'), ('TAVO', 'a', '1', 'Q1', 'h'), "
                      "('TAVO', 'c', '1', 'Q13', 'h'), ('X', 'd', '1', 'Q3', 'h')");
    db.reopen();
    QStringList seen;
    for (const MasterData::FieldSource& s : MasterData::fieldSources(db.master(), "TAVO"))
        seen << QStringLiteral("%1:%2:%3").arg(s.sourceId, s.field, s.details.join(QLatin1Char('/')));
    // "Q13" holds "Q1" and "Q3" as text but names neither; the sources of table X are not asked for.
    QCOMPARE(seen, (QStringList{"Q1:a:Titel Q1/Amt/2020/", "Q1:b:Titel Q1/Amt/2020/",
                                "Q13:c:Titel Q13/Amt/2020/", "Q3:b:Titel Q3/Amt/2020/"}));
}

QTEST_GUILESS_MAIN(TableOwnersTest)
#include "test_table_owners.moc"
