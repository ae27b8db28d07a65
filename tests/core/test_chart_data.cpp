#include <QSqlQuery>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/results/ChartData.h"
#include "support/TestDb.h"

using namespace tavo;

using namespace ChartData;

namespace {

// Replaces the evaluation types of the master copy by one type with `count` cost-bearer columns
// named Träger1, Träger2, ... and reopens the program's connections.
void shapeCostBearers(TestDb& db, int count) {
    QSqlDatabase master = db.writableMaster();
    Sql::exec(master, QStringLiteral("DROP TABLE Auswertung_Typen"));
    QStringList columns{QStringLiteral("Typ TEXT")};
    for (int i = 1; i <= count; ++i)
        columns << QStringLiteral("\"Anteil_Träger%1\" REAL").arg(i);
    Sql::exec(master,
              QStringLiteral("CREATE TABLE Auswertung_Typen (%1)").arg(columns.join(QLatin1Char(','))));
    Sql::exec(master, QStringLiteral("INSERT INTO Auswertung_Typen (Typ) VALUES ('Kanal')"));
    db.reopen();
}

} // namespace

class TestChartData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesComeFromTheEvaluationTypes();
    void seriesCountIsLimitedToEight();
    void typeGroupingHasItsOwnMessage();
    void quantitiesAndYears();
};

void TestChartData::namesComeFromTheEvaluationTypes() {
    TestDb db;
    QCOMPARE(costBearers(db.master()),
             (QStringList{"Gemeinde", "Abwasserverband", "Wasserverband", "Energieversorger", "Land"}));
    const QStringList types = evaluationTypes(db.master());
    QCOMPARE(types.size(), 8);
    QCOMPARE(types.first(), QStringLiteral("öffentliches Gut"));

    // Only columns starting with exactly "Anteil_" are cost bearers.
    Sql::exec(db.writableMaster(),
              QStringLiteral("ALTER TABLE Auswertung_Typen ADD COLUMN anteil_klein REAL"));
    Sql::exec(db.writableMaster(),
              QStringLiteral("ALTER TABLE Auswertung_Typen ADD COLUMN Anteil_Bund REAL"));
    db.reopen();
    QCOMPARE(costBearers(db.master()).size(), 6);
    QCOMPARE(costBearers(db.master()).last(), QStringLiteral("Bund"));
}

void TestChartData::seriesCountIsLimitedToEight() {
    struct Case {
        int bearers;
        int series;
        bool overflow;
    };
    for (const Case& c : {Case{1, 1, false}, Case{8, 8, false}, Case{9, 8, true}}) {
        TestDb db;
        shapeCostBearers(db, c.bearers);
        const int project = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("P")}});
        const QStringList names = costBearers(db.master());
        QCOMPARE(names.size(), c.bearers);
        for (int i = 0; i < names.size(); ++i)
            db.book(project, 1, QStringLiteral("Kanal"), QStringLiteral("Test"), names[i], 100.0 * (i + 1),
                    0);

        const SeriesSet set = load(db.user(), project, Quantity::Expenditure, Grouping::CostBearer, names);
        QCOMPARE(set.series.size(), c.series);
        for (int i = 0; i < set.series.size(); ++i) {
            QCOMPARE(set.series[i].name, names[i]);
            QCOMPARE(set.series[i].values.value(1), -100.0 * (i + 1));
        }
        if (c.overflow) {
            QCOMPARE(set.overflow, QStringLiteral("Zu viele Kostenträger definiert!"));
            try {
                set.throwIfOverflow();
                QFAIL("nine cost bearers must raise an error");
            } catch (const TavoError& error) {
                QCOMPARE(error.message(), QStringLiteral("Zu viele Kostenträger definiert!"));
            }
        } else {
            QVERIFY(set.overflow.isEmpty());
            set.throwIfOverflow(); // must not throw
        }
    }
}

void TestChartData::typeGroupingHasItsOwnMessage() {
    TestDb db;
    const int project = db.insertProject({});
    QStringList types = evaluationTypes(db.master());
    types << QStringLiteral("Zusatz");
    QCOMPARE(types.size(), 9);
    const SeriesSet set = load(db.user(), project, Quantity::Revenue, Grouping::Type, types);
    QCOMPARE(set.series.size(), 8);
    QCOMPARE(set.overflow, QStringLiteral("Zu viele Kostentypen definiert!"));
    QVERIFY(set.years().isEmpty()); // no results yet: empty series
}

void TestChartData::quantitiesAndYears() {
    TestDb db;
    const int project = db.insertProject({});
    const int other = db.insertProject({});
    db.book(project, 1, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 1000, 0);
    db.book(project, 1, QStringLiteral("Wasser"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 500, 0);
    db.book(project, 3, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 0, 200);
    db.book(project, 2, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Land's Anteil"), 40,
            10);
    db.book(other, 1, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 9999,
            9999);
    const QStringList bearers{QStringLiteral("Gemeinde"), QStringLiteral("Land's Anteil")};

    // Expenditure is drawn below the zero line; a name with a quote is a plain bound value.
    const SeriesSet expenditure =
        load(db.user(), project, Quantity::Expenditure, Grouping::CostBearer, bearers);
    QCOMPARE(expenditure.series[0].values, (QMap<int, double>{{1, -1500.0}, {3, 0.0}}));
    QCOMPARE(expenditure.series[1].values, (QMap<int, double>{{2, -40.0}}));
    QCOMPARE(expenditure.years(), (QList<int>{1, 2, 3}));

    const SeriesSet revenue = load(db.user(), project, Quantity::Revenue, Grouping::CostBearer, bearers);
    QCOMPARE(revenue.series[0].values, (QMap<int, double>{{1, 0.0}, {3, 200.0}}));

    const SeriesSet balance = load(db.user(), project, Quantity::Balance, Grouping::CostBearer, bearers);
    QCOMPARE(balance.series[1].values, (QMap<int, double>{{2, -30.0}}));

    // By type, all cost bearers of the type are summed; a type without rows has no bars at all.
    const SeriesSet byType =
        load(db.user(), project, Quantity::Balance, Grouping::Type,
             {QStringLiteral("Kanal"), QStringLiteral("Wasser"), QStringLiteral("Strom")});
    QCOMPARE(byType.series[0].values, (QMap<int, double>{{1, -1000.0}, {2, -30.0}, {3, 200.0}}));
    QCOMPARE(byType.series[1].values, (QMap<int, double>{{1, -500.0}}));
    QVERIFY(byType.series[2].values.isEmpty());
}

QTEST_GUILESS_MAIN(TestChartData)
#include "test_chart_data.moc"
