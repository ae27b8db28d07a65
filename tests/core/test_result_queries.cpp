#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/results/DatasetText.h"
#include "core/results/ResultQueries.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace ResultQueries;

namespace {

struct Booking {
    int jahr;
    QVariant typ;
    QString bezeichnung;
    QVariant kostentraeger;
    double ausgabe;
    double einnahme;
};

// A small ledger of project `id`: expenditure and revenue of several types, cost bearers and years,
// a revenue-only row, a row of zeros and two rows without cost bearer or type.
void insertLedger(TestDb& db, int id) {
    const QVariant none;
    const QList<Booking> rows = {
        {1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"), QStringLiteral("Gemeinde"), 1000.5,
         0},
        {1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"), QStringLiteral("Abwasserverband"),
         800.4, 0},
        {1, QStringLiteral("Kanal"), QStringLiteral("Anschlussgebühr"), QStringLiteral("Gemeinde"), 0, 2500},
        {1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"), QStringLiteral("Gemeinde"),
         1234567.891, 0},
        {2, QStringLiteral("öffentliches Gut"), QStringLiteral("Erhaltung Straße"),
         QStringLiteral("Gemeinde"), 120.25, 0},
        {2, QStringLiteral("Finanzausgleich"), QStringLiteral("Ertragsanteile"), QStringLiteral("Gemeinde"),
         0, 3000.75},
        {2, QStringLiteral("Wasser"), QStringLiteral("Errichtung Wasser"), QStringLiteral("Land"), 50, 0},
        {2, QStringLiteral("Wasser"), QStringLiteral("Errichtung Wasser"), none, 77, 0},
        {3, none, QStringLiteral("ohne Typ"), QStringLiteral("Gemeinde"), 66, 5},
        {3, QStringLiteral("Sonstiges"), QStringLiteral("nichts"), QStringLiteral("Gemeinde"), 0, 0},
    };
    for (const Booking& b : rows)
        db.insertRow(QStringLiteral("Auswertung"), {{QStringLiteral("TAVO"), id},
                                                    {QStringLiteral("Jahr"), b.jahr},
                                                    {QStringLiteral("Typ"), b.typ},
                                                    {QStringLiteral("Bezeichnung"), b.bezeichnung},
                                                    {QStringLiteral("Kostenträger"), b.kostentraeger},
                                                    {QStringLiteral("Ausgabe"), b.ausgabe},
                                                    {QStringLiteral("Einnahme"), b.einnahme}});
}

void insertPopulation(TestDb& db, const QString& table, const QString& keyColumn, int key, double scale) {
    for (int jahr = 1; jahr <= 2; ++jahr)
        for (int alter : {4, 8, 30})
            db.insertRow(table, {{keyColumn, key},
                                 {QStringLiteral("Alter"), alter},
                                 {QStringLiteral("Jahr"), jahr},
                                 {QStringLiteral("Bewohner"), scale * (alter + jahr)}});
}

// Rows of an executed view as lists of values.
QList<QVariantList> rowsOf(const QSqlDatabase& db, const Query& query) {
    QSqlQuery q = execute(db, query);
    QList<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        rows << row;
    }
    return rows;
}

QStringList fieldNames(const QSqlDatabase& db, const Query& query) {
    QSqlQuery q = execute(db, query);
    QStringList names;
    for (int i = 0; i < q.record().count(); ++i)
        names << q.record().fieldName(i);
    return names;
}

QStringList column(const QList<QVariantList>& rows, int index) {
    QStringList values;
    for (const auto& row : rows)
        values << row.value(index).toString();
    return values;
}

struct ExportRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ExportRun runExport(const TestDb& db, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_AT.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("de_AT.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVO_TEST_CLI),
            QStringList{QStringLiteral("export"), QStringLiteral("--master"), db.masterPath(),
                        QStringLiteral("--user"), db.userPath()} +
                args);
    ExportRun run;
    if (!p.waitForFinished(60000))
        return run;
    run.exitCode = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QByteArray golden(const QString& name) {
    QFile f(QStringLiteral(TAVO_TEST_SOURCE_DIR "/tests/golden/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("missing golden file ") + name.toUtf8();
    return f.readAll();
}

} // namespace

class ResultsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void filterItemsComeFromEvaluationTypes() {
        TestDb db;
        const FilterItems items = loadFilterItems(db.master());
        QCOMPARE(items.costBearers,
                 (QStringList{QStringLiteral("Gemeinde"), QStringLiteral("Abwasserverband"),
                              QStringLiteral("Wasserverband"), QStringLiteral("Energieversorger"),
                              QStringLiteral("Land"), QStringLiteral("keine Einschränkung")}));
        QCOMPARE(items.types.size(), 9);
        QCOMPARE(items.types.first(), QStringLiteral("öffentliches Gut"));
        QCOMPARE(items.types.at(7), QStringLiteral("Sonstiges"));
        QCOMPARE(items.types.last(), QStringLiteral("keine Einschränkung"));
        const FinanceChoice initial = initialChoice(items);
        QCOMPARE(initial.costBearer, 0);
        QCOMPARE(initial.type, 8);
        QCOMPARE(initial.grouping, 0);
    }

    void noRestrictionListsEveryNonzeroRowWithBearerAndType() {
        TestDb db;
        const int id = db.insertProject({});
        const int other = db.insertProject({});
        insertLedger(db, id);
        insertLedger(db, other);
        const FilterItems items = loadFilterItems(db.master());
        FinanceChoice choice{items.costBearers.size() - 1, items.types.size() - 1, 0};
        const auto queries = buildResultQueries(items, choice, id);

        QCOMPARE(fieldNames(db.user(), queries[0]),
                 (QStringList{QStringLiteral("Jahr"), QStringLiteral("Typ"), QStringLiteral("Bezeichnung"),
                              QStringLiteral("Kostenträger"), QStringLiteral("Ausgabe")}));
        const auto spending = rowsOf(db.user(), queries[0]);
        // Ordered by year, cost bearer, type; the rows without bearer or type and the zero rows are absent.
        QCOMPARE(column(spending, 3), (QStringList{QStringLiteral("Abwasserverband"),
                                                   QStringLiteral("Gemeinde"), QStringLiteral("Gemeinde"),
                                                   QStringLiteral("Gemeinde"), QStringLiteral("Land")}));
        QCOMPARE(column(spending, 0),
                 (QStringList{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
                              QStringLiteral("2"), QStringLiteral("2")}));
        QCOMPARE(spending.at(1).at(4).toDouble(), 1000.5);
        QCOMPARE(spending.at(2).at(4).toDouble(), 1234567.891);

        const auto revenue = rowsOf(db.user(), queries[1]);
        QCOMPARE(column(revenue, 2),
                 (QStringList{QStringLiteral("Anschlussgebühr"), QStringLiteral("Ertragsanteile")}));

        // One balance row per group, also the all-zero group of "Sonstiges".
        const auto balance = rowsOf(db.user(), queries[2]);
        QCOMPARE(balance.size(), 6);
        QCOMPARE(balance.last().mid(0, 3),
                 (QVariantList{3, QStringLiteral("Sonstiges"), QStringLiteral("Gemeinde")}));
        QCOMPARE(balance.last().at(5).toDouble(), 0.0);
        // Year 1, Kanal, Gemeinde: the revenue-only row counts in the balance of its group.
        QCOMPARE(balance.at(1).mid(0, 3),
                 (QVariantList{1, QStringLiteral("Kanal"), QStringLiteral("Gemeinde")}));
        QCOMPARE(balance.at(1).at(3).toDouble(), 1000.5 + 1234567.891);
        QCOMPARE(balance.at(1).at(4).toDouble(), 2500.0);
        QCOMPARE(balance.at(1).at(5).toDouble(), 2500.0 - 1000.5 - 1234567.891);
    }

    void costBearerAndTypeFiltersRestrictAllThreeViews() {
        TestDb db;
        const int id = db.insertProject({});
        insertLedger(db, id);
        const FilterItems items = loadFilterItems(db.master());
        FinanceChoice choice = initialChoice(items); // first cost bearer: Gemeinde, every type
        auto rows = rowsOf(db.user(), buildResultQuery(ResultKind::Expenditure, items, choice, id));
        QCOMPARE(column(rows, 2),
                 (QStringList{QStringLiteral("Errichtung Kanal"), QStringLiteral("Errichtung Kanal"),
                              QStringLiteral("Erhaltung Straße")}));
        QCOMPARE(rowsOf(db.user(), buildResultQuery(ResultKind::Balance, items, choice, id)).size(), 4);

        choice.costBearer = items.costBearers.indexOf(QStringLiteral("Land"));
        rows = rowsOf(db.user(), buildResultQuery(ResultKind::Expenditure, items, choice, id));
        QCOMPARE(column(rows, 2), QStringList{QStringLiteral("Errichtung Wasser")});
        QVERIFY(rowsOf(db.user(), buildResultQuery(ResultKind::Revenue, items, choice, id)).isEmpty());

        choice.costBearer = items.costBearers.size() - 1;
        choice.type = items.types.indexOf(QStringLiteral("Kanal"));
        rows = rowsOf(db.user(), buildResultQuery(ResultKind::Expenditure, items, choice, id));
        QCOMPARE(column(rows, 1), QStringList(3, QStringLiteral("Kanal")));
        rows = rowsOf(db.user(), buildResultQuery(ResultKind::Revenue, items, choice, id));
        QCOMPARE(column(rows, 2), QStringList{QStringLiteral("Anschlussgebühr")});

        choice.type = items.types.size();
        QVERIFY_THROWS_EXCEPTION(TavoError, buildResultQuery(ResultKind::Balance, items, choice, id));
    }

    void groupingWithoutTypeGivesFiveColumnsPerYearAndBearer() {
        TestDb db;
        const int id = db.insertProject({});
        insertLedger(db, id);
        const FilterItems items = loadFilterItems(db.master());
        FinanceChoice choice{items.costBearers.size() - 1, items.types.size() - 1, 1};
        const Query balance = buildResultQuery(ResultKind::Balance, items, choice, id);
        QCOMPARE(
            fieldNames(db.user(), balance),
            (QStringList{QStringLiteral("Jahr"), QStringLiteral("Kostenträger"), QStringLiteral("Ausgaben"),
                         QStringLiteral("Einnahmen"), QStringLiteral("Saldo")}));
        const auto rows = rowsOf(db.user(), balance);
        QCOMPARE(column(rows, 1), (QStringList{QStringLiteral("Abwasserverband"), QStringLiteral("Gemeinde"),
                                               QStringLiteral("Gemeinde"), QStringLiteral("Land"),
                                               QStringLiteral("Gemeinde")}));
        // Year 2, Gemeinde: road maintenance and the fiscal transfers of two types in one row.
        QCOMPARE(rows.at(2).at(2).toDouble(), 120.25);
        QCOMPARE(rows.at(2).at(3).toDouble(), 3000.75);
        QCOMPARE(rows.at(2).at(4).toDouble(), 3000.75 - 120.25);
    }

    void apostropheInFilterValuesIsPlainData() {
        TestDb db;
        QSqlQuery w(db.writableMaster());
        QVERIFY(
            w.exec(QStringLiteral("ALTER TABLE Auswertung_Typen ADD COLUMN \"Anteil_O'Brien Bau\" DOUBLE")));
        QVERIFY(w.exec(QStringLiteral("INSERT INTO Auswertung_Typen (Typ) VALUES ('Müller''s Park')")));
        db.reopen();
        const int id = db.insertProject({});
        insertLedger(db, id);
        db.insertRow(QStringLiteral("Auswertung"),
                     {{QStringLiteral("TAVO"), id},
                      {QStringLiteral("Jahr"), 4},
                      {QStringLiteral("Typ"), QStringLiteral("Müller's Park")},
                      {QStringLiteral("Bezeichnung"), QStringLiteral("Spielplatz")},
                      {QStringLiteral("Kostenträger"), QStringLiteral("O'Brien Bau")},
                      {QStringLiteral("Ausgabe"), 42.0}});
        const FilterItems items = loadFilterItems(db.master());
        QCOMPARE(items.costBearers.at(5), QStringLiteral("O'Brien Bau"));
        QCOMPARE(items.types.at(8), QStringLiteral("Müller's Park"));
        const FinanceChoice choice{5, 8, 0};
        for (ResultKind kind : {ResultKind::Expenditure, ResultKind::Balance}) {
            const auto rows = rowsOf(db.user(), buildResultQuery(kind, items, choice, id));
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows.first().at(0).toInt(), 4);
        }
        QVERIFY(
            !buildResultQuery(ResultKind::Expenditure, items, choice, id).sql.contains(QLatin1Char('\'')));
    }

    void totalsFollowTheQueriesAndFormatGerman() {
        TestDb db;
        const int id = db.insertProject({});
        const FilterItems items = loadFilterItems(db.master());
        FinanceChoice all{items.costBearers.size() - 1, items.types.size() - 1, 0};
        auto queries = buildResultQueries(items, all, id);
        // No calculation yet: all five totals read 0,00.
        QCOMPARE(sumColumnText(db.user(), queries[0], QStringLiteral("Ausgabe")), QStringLiteral("0,00"));
        QCOMPARE(sumColumnText(db.user(), queries[1], QStringLiteral("Einnahme")), QStringLiteral("0,00"));
        for (const char* field : {"Einnahmen", "Ausgaben", "Saldo"})
            QCOMPARE(sumColumnText(db.user(), queries[2], QString::fromUtf8(field)), QStringLiteral("0,00"));

        insertLedger(db, id);
        const double spent = columnTotal(db.user(), queries[0], QStringLiteral("Ausgabe"));
        QCOMPARE(spent, 1000.5 + 800.4 + 1234567.891 + 120.25 + 50);
        QCOMPARE(sumColumnText(db.user(), queries[0], QStringLiteral("Ausgabe")),
                 QStringLiteral("1.236.539,04"));
        QCOMPARE(sumColumnText(db.user(), queries[1], QStringLiteral("Einnahme")),
                 QStringLiteral("5.500,75"));
        const double income = columnTotal(db.user(), queries[2], QStringLiteral("Einnahmen"));
        const double cost = columnTotal(db.user(), queries[2], QStringLiteral("Ausgaben"));
        QCOMPARE(columnTotal(db.user(), queries[2], QStringLiteral("Saldo")), income - cost);
        QCOMPARE(income, 5500.75);

        // Totals of a filtered view count only the filtered rows.
        queries = buildResultQueries(items, initialChoice(items), id);
        QCOMPARE(columnTotal(db.user(), queries[0], QStringLiteral("Ausgabe")),
                 1000.5 + 1234567.891 + 120.25);

        QCOMPARE(formatTotal(1234567.891), QStringLiteral("1.234.567,89"));
        QCOMPARE(formatTotal(-0.004), QStringLiteral("-0,00"));
        QCOMPARE(formatTotal(123456789.126), QStringLiteral("123.456.789,10"));
        // Totals round, also upward: to two decimals, and to ten significant digits.
        QCOMPARE(formatTotal(1234567.896), QStringLiteral("1.234.567,90"));
        QCOMPARE(formatTotal(0.996), QStringLiteral("1,00"));
        QCOMPARE(formatTotal(-2.675001), QStringLiteral("-2,68"));
        QCOMPARE(formatTotal(123456789.96), QStringLiteral("123.456.790,00"));
        db.book(id, 3, QStringLiteral("Kanal"), QStringLiteral("Rundung"), QStringLiteral("Gemeinde"), 0.337,
                0);
        db.book(id, 3, QStringLiteral("Kanal"), QStringLiteral("Rundung"), QStringLiteral("Gemeinde"), 0.338,
                0);
        queries = buildResultQueries(items, all, id);
        QCOMPARE(sumColumnText(db.user(), queries[0], QStringLiteral("Ausgabe")),
                 QStringLiteral("1.236.539,72"));
        QVERIFY(formatTotal(98765432109.0).contains(QLatin1Char('E'), Qt::CaseInsensitive));
    }

    void dwellingUnitsSumTheFiveBuildingTypes() {
        TestDb db;
        const int id = db.insertProject({});
        const int other = db.insertProject({});
        for (int jahr : {2, 1})
            db.insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), id},
                                                  {QStringLiteral("Jahr"), jahr},
                                                  {QStringLiteral("EFHg"), 1.5 * jahr},
                                                  {QStringLiteral("EFHk"), 1.0},
                                                  {QStringLiteral("RHg"), 2.0},
                                                  {QStringLiteral("RHk"), 0.0},
                                                  {QStringLiteral("GWB"), 6.25}});
        db.insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), other},
                                              {QStringLiteral("Jahr"), 1},
                                              {QStringLiteral("EFHg"), 100.0},
                                              {QStringLiteral("EFHk"), 0.0},
                                              {QStringLiteral("RHg"), 0.0},
                                              {QStringLiteral("RHk"), 0.0},
                                              {QStringLiteral("GWB"), 0.0}});
        const auto rows = rowsOf(db.user(), buildDwellingQuery(id));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), (QVariantList{1, 10.75}));
        QCOMPARE(rows.at(1), (QVariantList{2, 12.25}));
    }

    void populationAreasScaleAndSumAsChosen() {
        TestDb db;
        const int a = db.insertProject({{QStringLiteral("Projekt"), QStringLiteral("Nord")},
                                        {QStringLiteral("PG"), 301},
                                        {QStringLiteral("auAnteilZuzug"), 0.0}});
        const int b = db.insertProject({{QStringLiteral("Projekt"), QStringLiteral("Nord")},
                                        {QStringLiteral("PG"), 301},
                                        {QStringLiteral("auAnteilZuzug"), 40.0}});
        const int c = db.insertProject({{QStringLiteral("PG"), 302}});
        insertPopulation(db, QStringLiteral("bBvB"), QStringLiteral("TAVO"), a, 1.0);
        insertPopulation(db, QStringLiteral("bBvB"), QStringLiteral("TAVO"), b, 2.0);
        insertPopulation(db, QStringLiteral("bBvB"), QStringLiteral("TAVO"), c, 5.0);
        insertPopulation(db, QStringLiteral("gBvB"), QStringLiteral("PG"), 301, 100.0);
        insertPopulation(db, QStringLiteral("gBvB"), QStringLiteral("PG"), 302, 7.0);
        const PopulationSource sa = readPopulationSource(db.user(), a);
        const PopulationSource sb = readPopulationSource(db.user(), b);
        QCOMPARE(sa.projekt, QStringLiteral("Nord"));
        QCOMPARE(sb.anteilZuzug, 40.0);

        const QVariantList zeroYear1{1, 0.0, 0.0, 0.0};
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 0, sa)).first(), zeroYear1);
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 2, sa)).first(), zeroYear1);
        // Year 1: ages 4, 8, 30 hold 5, 9, 31 inhabitants (times the project's scale).
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 1, sa)).first(),
                 (QVariantList{1, 5.0, 9.0, 45.0}));
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 0, sb)).first(),
                 (QVariantList{1, 4.0, 7.2, 36.0}));
        // The project group sums records a and b (scale 1 + 2), the Zuzug share of the record asked for.
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 3, sa)).first(),
                 (QVariantList{1, 15.0, 27.0, 135.0}));
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 2, sb)).at(1),
                 (QVariantList{2, 0.4 * 18, 0.4 * 30, 0.4 * 144}));
        // The municipality's forecast is the same for every record of it.
        const auto forecast = rowsOf(db.user(), buildPopulationQueries(db.user(), 4, sa));
        QCOMPARE(forecast, rowsOf(db.user(), buildPopulationQueries(db.user(), 4, sb)));
        QCOMPARE(forecast.first(), (QVariantList{1, 500.0, 900.0, 4500.0}));
        // A record without Projekt groups with the other records without one only.
        const PopulationSource sc = readPopulationSource(db.user(), c);
        QCOMPARE(sc.projekt, QString(QLatin1String("")));
        QCOMPARE(rowsOf(db.user(), buildPopulationQueries(db.user(), 3, sc)).first(),
                 (QVariantList{1, 25.0, 45.0, 225.0}));

        for (int bad : {-1, 5}) {
            try {
                buildPopulationQueries(db.user(), bad, sa);
                QFAIL("no error for an invalid area");
            } catch (const TavoError& e) {
                QCOMPARE(e.message(), QStringLiteral("ungültiges Gebiet!"));
            }
        }
        QVERIFY_THROWS_EXCEPTION(TavoError, readPopulationSource(db.user(), 999));
    }

    void datasetTextIsTabSeparatedWithCrLf() {
        TestDb db;
        const int id = db.insertProject({});
        db.insertRow(QStringLiteral("Auswertung"),
                     {{QStringLiteral("TAVO"), id},
                      {QStringLiteral("Jahr"), 12},
                      {QStringLiteral("Bezeichnung"), QStringLiteral("a \"b\"; c")},
                      {QStringLiteral("Ausgabe"), 1234567.25}});
        db.insertRow(QStringLiteral("Auswertung"), {{QStringLiteral("TAVO"), id},
                                                    {QStringLiteral("Jahr"), 13},
                                                    {QStringLiteral("Typ"), QStringLiteral("Kanal")},
                                                    {QStringLiteral("Ausgabe"), 8.5}});
        const Query q{
            QStringLiteral("SELECT Jahr, Typ, Bezeichnung, Ausgabe FROM Auswertung WHERE TAVO = :ID "
                           "ORDER BY Jahr"),
            {{QStringLiteral("ID"), id}}};
        const QString expected = QStringLiteral("Jahr\tTyp\tBezeichnung\tAusgabe\r\n"
                                                "12\t\ta \"b\"; c\t1234567,25\r\n"
                                                "13\tKanal\t\t8,5\r\n");
        QSqlQuery query = execute(db.user(), q);
        QCOMPARE(DatasetText::fromQuery(query), expected);
        QSqlQueryModel model;
        model.setQuery(execute(db.user(), q));
        QCOMPARE(DatasetText::fromModel(model), expected);

        const Query empty{q.sql, {{QStringLiteral("ID"), id + 1}}};
        QSqlQuery none = execute(db.user(), empty);
        QCOMPARE(DatasetText::fromQuery(none), QStringLiteral("Jahr\tTyp\tBezeichnung\tAusgabe\r\n"));
    }

    void exportWritesEachViewExactly() {
        TestDb db;
        const int id = db.insertProject({{QStringLiteral("Projekt"), QStringLiteral("Nord")},
                                         {QStringLiteral("PG"), 301},
                                         {QStringLiteral("auAnteilZuzug"), 25.0}});
        insertLedger(db, id);
        insertPopulation(db, QStringLiteral("bBvB"), QStringLiteral("TAVO"), id, 1.5);
        insertPopulation(db, QStringLiteral("gBvB"), QStringLiteral("PG"), 301, 10.0);
        db.insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), id},
                                              {QStringLiteral("Jahr"), 1},
                                              {QStringLiteral("EFHg"), 2.0},
                                              {QStringLiteral("EFHk"), 1.0},
                                              {QStringLiteral("RHg"), 0.5},
                                              {QStringLiteral("RHk"), 0.0},
                                              {QStringLiteral("GWB"), 12.0}});
        const QString project = QString::number(id);
        const QList<QPair<QString, QStringList>> cases = {
            {QStringLiteral("ausgaben.txt"), {QStringLiteral("--view"), QStringLiteral("ausgaben")}},
            {QStringLiteral("ausgaben_gemeinde.txt"),
             {QStringLiteral("--view"), QStringLiteral("ausgaben"), QStringLiteral("--kostentraeger"),
              QStringLiteral("Gemeinde")}},
            {QStringLiteral("einnahmen.txt"), {QStringLiteral("--view"), QStringLiteral("einnahmen")}},
            {QStringLiteral("saldo.txt"), {QStringLiteral("--view"), QStringLiteral("saldo")}},
            {QStringLiteral("saldo_jahr_kostentraeger_kanal.txt"),
             {QStringLiteral("--view"), QStringLiteral("saldo"), QStringLiteral("--gruppierung"),
              QStringLiteral("Jahr, Kostenträger"), QStringLiteral("--typ"), QStringLiteral("Kanal")}},
            {QStringLiteral("wohneinheiten.txt"),
             {QStringLiteral("--view"), QStringLiteral("wohneinheiten")}},
            {QStringLiteral("bewohner.txt"), {QStringLiteral("--view"), QStringLiteral("bewohner")}},
            {QStringLiteral("bewohner_oerok.txt"),
             {QStringLiteral("--view"), QStringLiteral("bewohner"), QStringLiteral("--gebiet"),
              QStringLiteral("4")}},
        };
        for (const auto& c : cases) {
            const ExportRun run = runExport(db, QStringList{QStringLiteral("--project"), project} + c.second);
            QVERIFY2(run.exitCode == 0, qPrintable(c.first + QLatin1Char(' ') + run.err));
            QCOMPARE(run.out, golden(c.first));
        }
    }

    void exportRejectsUnknownViewsProjectsAndValues() {
        TestDb db;
        const int id = db.insertProject({});
        const QString project = QString::number(id);
        const QList<QStringList> bad = {
            {QStringLiteral("--project"), project, QStringLiteral("--view"), QStringLiteral("kosten")},
            {QStringLiteral("--project"), QString::number(id + 1), QStringLiteral("--view"),
             QStringLiteral("saldo")},
            {QStringLiteral("--project"), QStringLiteral("x"), QStringLiteral("--view"),
             QStringLiteral("saldo")},
            {QStringLiteral("--project"), project, QStringLiteral("--view"), QStringLiteral("saldo"),
             QStringLiteral("--kostentraeger"), QStringLiteral("Bund")},
            {QStringLiteral("--project"), project, QStringLiteral("--view"), QStringLiteral("ausgaben"),
             QStringLiteral("--typ"), QStringLiteral("Kanal'; DROP TABLE Auswertung; --")},
            {QStringLiteral("--project"), project, QStringLiteral("--view"), QStringLiteral("saldo"),
             QStringLiteral("--gruppierung"), QStringLiteral("Typ")},
            {QStringLiteral("--project"), project, QStringLiteral("--view"), QStringLiteral("bewohner"),
             QStringLiteral("--gebiet"), QStringLiteral("5")},
            {QStringLiteral("--view"), QStringLiteral("saldo")},
        };
        for (const QStringList& args : bad) {
            const ExportRun run = runExport(db, args);
            QVERIFY2(run.exitCode == 2, qPrintable(args.join(QLatin1Char(' '))));
            QVERIFY(run.out.isEmpty());
            QVERIFY(!run.err.trimmed().isEmpty());
        }
        QVERIFY(runExport(db, {QStringLiteral("--project"), project, QStringLiteral("--view"),
                               QStringLiteral("bewohner"), QStringLiteral("--gebiet"), QStringLiteral("5")})
                    .err.contains(QStringLiteral("ungültiges Gebiet!")));
        QVERIFY(db.user().tables().contains(QStringLiteral("Auswertung")));
    }
    void viewsOnlyReadAndShowOnlyFiniteNumbers() {
        TestDb db;
        const int id =
            db.insertProject({{QStringLiteral("PG"), 301}, {QStringLiteral("auAnteilZuzug"), 25.0}});
        insertLedger(db, id);
        insertPopulation(db, QStringLiteral("bBvB"), QStringLiteral("TAVO"), id, 1.5);
        const QString ledger = QStringLiteral("SELECT count(*) FROM Auswertung");
        const int rows = Sql::scalar(db.user(), ledger).toInt();
        QVERIFY(rows > 0);
        const QStringList population{QStringLiteral("--project"), QString::number(id),
                                     QStringLiteral("--view"),    QStringLiteral("bewohner"),
                                     QStringLiteral("--gebiet"),  QStringLiteral("0")};
        QCOMPARE(runExport(db, population).exitCode, 0);

        // An infinite share moving in: refused with the field's name, nothing printed.
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET auAnteilZuzug = 'inf' WHERE ID = ?"), {id});
        ExportRun run = runExport(db, population);
        QVERIFY2(run.exitCode != 0 && run.err.contains(QStringLiteral("auAnteilZuzug")), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        // A finite share whose product with the inhabitants goes beyond a double.
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET auAnteilZuzug = 1e308 WHERE ID = ?"), {id});
        Sql::exec(db.user(),
                  QStringLiteral("UPDATE bBvB SET Bewohner = 1e300 WHERE Jahr = 2 AND \"Alter\" = 30"));
        run = runExport(db, population);
        QVERIFY2(run.exitCode != 0 && run.err.contains(QStringLiteral("keine endliche Zahl")),
                 qPrintable(run.err));
        QVERIFY(!run.out.contains("inf"));
        Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET auAnteilZuzug = 25 WHERE ID = ?"), {id});

        // Stored texts are never run, whatever they hold: the view shows the program's own figures,
        // the planner is told once, and the ledger keeps its rows.
        const QByteArray real = runExport(db, population).out;
        QVERIFY(!real.isEmpty());
        for (const QString& text :
             {QStringLiteral("DELETE FROM Auswertung RETURNING TAVO AS Jahr"),
              QStringLiteral(
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS Jahr FROM n"),
              QStringLiteral("SELECT 1 AS Jahr, 2 AS Bewohner; DELETE FROM Auswertung")}) {
            Sql::exec(db.user(),
                      QStringLiteral("UPDATE TAVO_Abfragen SET SQL = ? WHERE Name = 'Bewohner_bBvB'"),
                      {text});
            run = runExport(db, population);
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            QCOMPARE(run.out, real);
            QCOMPARE(run.err.count(QStringLiteral("„Bewohner_bBvB“ in ")), 1);
            QVERIFY2(run.err.contains(QStringLiteral("weicht ab und wird nicht verwendet")),
                     qPrintable(run.err));
            QCOMPARE(Sql::scalar(db.user(), ledger).toInt(), rows);
        }
        // The connection writes as before.
        db.book(id, 9, QStringLiteral("Kanal"), QStringLiteral("danach"), QStringLiteral("Gemeinde"), 1, 0);
        QCOMPARE(Sql::scalar(db.user(), ledger).toInt(), rows + 1);
    }
};

QTEST_GUILESS_MAIN(ResultsTest)
#include "test_result_queries.moc"
