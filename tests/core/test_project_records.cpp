#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/projects/ProjectRecords.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

int count(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    return Sql::scalar(db, sql, params).toInt();
}

// Settlement rows of a project as "Jahr:EFHg:EFHk:RHg:RHk:GWB" in Jahr order.
QStringList settlementRows(const QSqlDatabase& user, int project) {
    QStringList rows;
    QSqlQuery q = Sql::exec(user,
                            QStringLiteral("SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM Besiedelung "
                                           "WHERE TAVO = ? ORDER BY ID"),
                            {project});
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < 6; ++i)
            cells << QString::number(q.value(i).toDouble());
        rows << cells.join(QLatin1Char(':'));
    }
    return rows;
}

QStringList presetRows(const QSqlDatabase& master, const QString& table) {
    QStringList rows;
    QSqlQuery q = Sql::exec(
        master, QStringLiteral("SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM %1 ORDER BY Jahr").arg(table));
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < 6; ++i)
            cells << QString::number(q.value(i).toDouble());
        rows << cells.join(QLatin1Char(':'));
    }
    return rows;
}

void addBebauung(TestDb& db, int project, const QString& typ, const QVariant& klasse, int anteil) {
    db.insertRow(QStringLiteral("Bebauung"), {{QStringLiteral("TAVO"), project},
                                              {QStringLiteral("bbTyp"), typ},
                                              {QStringLiteral("bbBauklasse"), klasse},
                                              {QStringLiteral("bbAnteil"), anteil}});
}

} // namespace

class ProjectsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyDetailRowsUsesNewKeyAndKeepsNulls();
    void copyDetailRowsRejectsMissingColumn();
    void presetReplacesRowsInJahrOrder();
    void unknownOrBrokenPresetKeepsOldRows();
    void duplicateCopiesRowAndDetails();
    void duplicateOfEmptyDescription();
    void failedDuplicateLeavesNoCopy();
    void createProjectAndDelete();
    void lookupMunicipalityName();
};

void ProjectsTest::copyDetailRowsUsesNewKeyAndKeepsNulls() {
    TestDb db;
    const int a = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("A")}});
    const int b = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("B")}});
    addBebauung(db, a, QStringLiteral("EFHg"), QStringLiteral("II"), 60);
    addBebauung(db, a, QStringLiteral("GWB"), QVariant(), 40);

    QSqlQuery source =
        Sql::exec(db.user(), QStringLiteral("SELECT * FROM Bebauung WHERE TAVO = ? ORDER BY ID"), {a});
    copyDetailRows(source, db.user(), QStringLiteral("Bebauung"), b, QStringLiteral("TAVO"));

    QSqlQuery copies = Sql::exec(
        db.user(),
        QStringLiteral("SELECT ID, bbTyp, bbBauklasse, bbAnteil FROM Bebauung WHERE TAVO = ? ORDER BY ID"),
        {b});
    QVERIFY(copies.next());
    QVERIFY(copies.value(0).toInt() > 2);
    QCOMPARE(copies.value(1).toString(), QStringLiteral("EFHg"));
    QCOMPARE(copies.value(2).toString(), QStringLiteral("II"));
    QCOMPARE(copies.value(3).toInt(), 60);
    QVERIFY(copies.next());
    QCOMPARE(copies.value(1).toString(), QStringLiteral("GWB"));
    QVERIFY(copies.value(2).isNull());
    QVERIFY(!copies.next());
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {a}), 2);

    // An empty source appends nothing.
    QSqlQuery empty = Sql::exec(db.user(), QStringLiteral("SELECT * FROM Bebauung WHERE TAVO = -1"));
    copyDetailRows(empty, db.user(), QStringLiteral("Bebauung"), b, QStringLiteral("TAVO"));
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung")), 4);
}

void ProjectsTest::copyDetailRowsRejectsMissingColumn() {
    TestDb db;
    const int a = db.insertProject({});
    addBebauung(db, a, QStringLiteral("EFHg"), QStringLiteral("I"), 100);
    QSqlQuery source = Sql::exec(db.user(), QStringLiteral("SELECT TAVO, bbTyp, bbAnteil FROM Bebauung"));
    try {
        copyDetailRows(source, db.user(), QStringLiteral("Bebauung"), a, QStringLiteral("TAVO"));
        QFAIL("missing column accepted");
    } catch (const TavoError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("bbBauklasse")), qPrintable(e.message()));
    }
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung")), 1);
}

void ProjectsTest::presetReplacesRowsInJahrOrder() {
    TestDb db;
    // Store the preset without key in descending order, so that only sorting yields ascending years.
    QSqlQuery w(db.writableMaster());
    QVERIFY(w.exec(QStringLiteral("CREATE TABLE tmp AS SELECT * FROM Besiedelung_ohne_Mobilisierung")));
    QVERIFY(w.exec(QStringLiteral("DROP TABLE Besiedelung_ohne_Mobilisierung")));
    QVERIFY(w.exec(QStringLiteral("CREATE TABLE Besiedelung_ohne_Mobilisierung (Jahr INTEGER, EFHg DOUBLE, "
                                  "EFHk DOUBLE, RHg DOUBLE, RHk DOUBLE, GWB DOUBLE)")));
    QVERIFY(w.exec(
        QStringLiteral("INSERT INTO Besiedelung_ohne_Mobilisierung SELECT * FROM tmp ORDER BY Jahr DESC")));
    QVERIFY(w.exec(QStringLiteral("DROP TABLE tmp")));
    db.reopen();

    const int p = db.insertProject({});
    const int other = db.insertProject({});
    applySettlementPreset(db.dbs(), other, QStringLiteral("leer"));
    applySettlementPreset(db.dbs(), p, QStringLiteral("mit_Mobilisierung"));
    applySettlementPreset(db.dbs(), p, QStringLiteral("ohne_Mobilisierung"));

    const QStringList expected = presetRows(db.master(), QStringLiteral("Besiedelung_ohne_Mobilisierung"));
    QCOMPARE(expected.size(), 20);
    QVERIFY(expected.first().startsWith(QStringLiteral("1:")));
    QCOMPARE(settlementRows(db.user(), p), expected);
    QVERIFY(expected != presetRows(db.master(), QStringLiteral("Besiedelung_mit_Mobilisierung")));
    // The other project's rows are untouched.
    QCOMPARE(settlementRows(db.user(), other), presetRows(db.master(), QStringLiteral("Besiedelung_leer")));
}

void ProjectsTest::unknownOrBrokenPresetKeepsOldRows() {
    TestDb db;
    const int p = db.insertProject({});
    applySettlementPreset(db.dbs(), p, QStringLiteral("mit_Mobilisierung"));
    const QStringList before = settlementRows(db.user(), p);
    QCOMPARE(before.size(), 20);

    QVERIFY_THROWS_EXCEPTION(TavoError,
                             applySettlementPreset(db.dbs(), p, QStringLiteral("Mit_Mobilisierung")));
    QVERIFY_THROWS_EXCEPTION(TavoError,
                             applySettlementPreset(db.dbs(), p, QStringLiteral("leer; DROP TABLE PG")));
    QCOMPARE(settlementRows(db.user(), p), before);

    // A known preset whose table is missing in the master also leaves the rows in place.
    QSqlQuery w(db.writableMaster());
    QVERIFY(w.exec(QStringLiteral("DROP TABLE Besiedelung_leer")));
    db.reopen();
    QVERIFY_THROWS_EXCEPTION(TavoError, applySettlementPreset(db.dbs(), p, QStringLiteral("leer")));
    QCOMPARE(settlementRows(db.user(), p), before);
}

void ProjectsTest::duplicateCopiesRowAndDetails() {
    TestDb db;
    const int p = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("Ortsrand Süd")},
                                    {QStringLiteral("Projekt"), QStringLiteral("P-7")},
                                    {QStringLiteral("PG"), 301},
                                    {QStringLiteral("PG_Name"), QStringLiteral("Talheim")},
                                    {QStringLiteral("Bezugsjahr"), 2025},
                                    {QStringLiteral("bgFlBaulandBrutto"), 12345.5},
                                    {QStringLiteral("ifLfmWasserleitung"), 310}});
    addBebauung(db, p, QStringLiteral("EFHg"), QStringLiteral("II"), 70);
    addBebauung(db, p, QStringLiteral("RHk"), QStringLiteral("III"), 30);
    applySettlementPreset(db.dbs(), p, QStringLiteral("mit_Mobilisierung"));
    db.insertRow(
        QStringLiteral("Sonderausgaben"),
        {{QStringLiteral("TAVO"), p}, {QStringLiteral("Jahr"), 3}, {QStringLiteral("Ausgabe"), 1000.0}});
    db.insertRow(QStringLiteral("Szenarien"), {{QStringLiteral("TAVO"), p},
                                               {QStringLiteral("Szenario"), QStringLiteral("optimistisch")},
                                               {QStringLiteral("Parameter"), QStringLiteral("Zinssatz")},
                                               {QStringLiteral("Wert"), 2.5}});
    db.insertRow(QStringLiteral("Auswertung"), {{QStringLiteral("TAVO"), p}, {QStringLiteral("Jahr"), 1}});

    const int copy = duplicateProject(db.dbs(), p);
    QVERIFY(copy != p);

    QSqlQuery orig = Sql::exec(db.user(), QStringLiteral("SELECT * FROM TAVO WHERE ID = ?"), {p});
    QSqlQuery dup = Sql::exec(db.user(), QStringLiteral("SELECT * FROM TAVO WHERE ID = ?"), {copy});
    QVERIFY(orig.next() && dup.next());
    const QSqlRecord rec = orig.record();
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = rec.fieldName(i);
        if (name == QLatin1String("ID"))
            continue;
        if (name == QLatin1String("Beschreibung"))
            QCOMPARE(dup.value(i).toString(), QStringLiteral("Kopie von Ortsrand Süd"));
        else
            QVERIFY2(dup.value(i) == orig.value(i) && dup.value(i).isNull() == orig.value(i).isNull(),
                     qPrintable(name));
    }
    QCOMPARE(dup.value(QStringLiteral("bgFlBaulandBrutto")).toDouble(), 12345.5);

    QSqlQuery beb = Sql::exec(db.user(),
                              QStringLiteral("SELECT bbTyp, bbBauklasse, bbAnteil, ID FROM Bebauung "
                                             "WHERE TAVO = ? ORDER BY ID"),
                              {copy});
    QStringList bebRows;
    while (beb.next()) {
        bebRows << QStringLiteral("%1/%2/%3")
                       .arg(beb.value(0).toString(), beb.value(1).toString(), beb.value(2).toString());
        QVERIFY(beb.value(3).toInt() > 2);
    }
    QCOMPARE(bebRows, QStringList({QStringLiteral("EFHg/II/70"), QStringLiteral("RHk/III/30")}));
    QCOMPARE(settlementRows(db.user(), copy), settlementRows(db.user(), p));
    // A full copy: special expenditures and scenario sets too, results not.
    QCOMPARE(Sql::scalar(db.user(),
                         QStringLiteral("SELECT Ausgabe FROM Sonderausgaben WHERE TAVO = ? AND Jahr = 3"),
                         {copy})
                 .toDouble(),
             1000.0);
    QCOMPARE(
        Sql::scalar(db.user(),
                    QStringLiteral("SELECT Wert FROM Szenarien WHERE TAVO = ? AND Szenario = 'optimistisch' "
                                   "AND Parameter = 'Zinssatz'"),
                    {copy})
            .toDouble(),
        2.5);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Szenarien WHERE TAVO = ?"), {p}), 1);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Auswertung WHERE TAVO = ?"), {copy}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {p}), 2);

    QVERIFY_THROWS_EXCEPTION(TavoError, duplicateProject(db.dbs(), 9999));
}

void ProjectsTest::duplicateOfEmptyDescription() {
    TestDb db;
    const int withNull = db.insertProject({{QStringLiteral("PG"), 302}});
    const int withEmpty = db.insertProject({{QStringLiteral("Beschreibung"), QString(QLatin1String(""))}});
    const int a = duplicateProject(db.dbs(), withNull);
    const int b = duplicateProject(db.dbs(), withEmpty);
    const QString sql = QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = ?");
    QCOMPARE(Sql::scalar(db.user(), sql, {a}).toString(), QStringLiteral("Kopie von "));
    QCOMPARE(Sql::scalar(db.user(), sql, {b}).toString(), QStringLiteral("Kopie von "));
    QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT PG FROM TAVO WHERE ID = ?"), {a}).toInt(), 302);
}

void ProjectsTest::failedDuplicateLeavesNoCopy() {
    TestDb db;
    const int p = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("Quelle")}});
    addBebauung(db, p, QStringLiteral("EFHg"), QStringLiteral("I"), 100);
    applySettlementPreset(db.dbs(), p, QStringLiteral("mit_Mobilisierung"));
    // The last detail table refuses further rows, after the project row and Bebauung were written.
    QSqlQuery(db.user()).exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Besiedelung "
                                             "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    try {
        duplicateProject(db.dbs(), p);
        QFAIL("duplication succeeded despite the refusing trigger");
    } catch (const TavoError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("gesperrt")), qPrintable(e.message()));
    }
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 1);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung")), 1);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung")), 20);

    // The same refusal makes a new project fail as a whole.
    QVERIFY_THROWS_EXCEPTION(TavoError, createProject(db.dbs(), 301));
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 1);
}

void ProjectsTest::createProjectAndDelete() {
    TestDb db;
    const int p = createProject(db.dbs(), 301);
    QSqlQuery row =
        Sql::exec(db.user(), QStringLiteral("SELECT PG, PG_Name, Beschreibung FROM TAVO WHERE ID = ?"), {p});
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toInt(), 301);
    QCOMPARE(row.value(1).toString(), QStringLiteral("Talheim"));
    QVERIFY(!row.value(2).isNull());
    QCOMPARE(row.value(2).toString(), QString());
    QCOMPARE(settlementRows(db.user(), p),
             presetRows(db.master(), QStringLiteral("Besiedelung_mit_Mobilisierung")));

    // An unknown municipality still creates the project, with an empty name.
    const int q = createProject(db.dbs(), 999);
    QVERIFY(Sql::scalar(db.user(), QStringLiteral("SELECT PG_Name FROM TAVO WHERE ID = ?"), {q}).isNull());

    // Deleting the project removes its detail rows and results.
    addBebauung(db, p, QStringLiteral("EFHg"), QStringLiteral("I"), 100);
    db.insertRow(QStringLiteral("Auswertung"), {{QStringLiteral("TAVO"), p}, {QStringLiteral("Jahr"), 1}});
    Sql::exec(db.user(), QStringLiteral("DELETE FROM TAVO WHERE ID = ?"), {p});
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung WHERE TAVO = ?"), {p}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {p}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Auswertung WHERE TAVO = ?"), {p}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung WHERE TAVO = ?"), {q}), 20);
}

void ProjectsTest::lookupMunicipalityName() {
    TestDb db;
    QCOMPARE(tavo::lookupMunicipalityName(db.master(), QStringLiteral("301")).toString(),
             QStringLiteral("Talheim"));
    QCOMPARE(tavo::lookupMunicipalityName(db.master(), QStringLiteral(" 306 ")).toString(),
             QStringLiteral("Mühlbach"));
    QVERIFY(tavo::lookupMunicipalityName(db.master(), QStringLiteral("999")).isNull());
    QVERIFY(tavo::lookupMunicipalityName(db.master(), QString()).isNull());
    QVERIFY(tavo::lookupMunicipalityName(db.master(), QStringLiteral("30a")).isNull());
    QVERIFY(tavo::lookupMunicipalityName(db.master(), QStringLiteral("301 OR 1=1")).isNull());
    QVERIFY(tavo::lookupMunicipalityName(db.master(), QStringLiteral("301,5")).isNull());
}

QTEST_GUILESS_MAIN(ProjectsTest)
#include "test_project_records.moc"
