// The inputs derived from others: the area split, the truncations of the lengths and subsidies, and
// the project columns the derivations write.

#include <QSet>
#include <QtTest>

#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/projects/DerivedInputs.h"

using namespace tavo;

using namespace DerivedArithmetic;

namespace {

QSet<QString> projectColumnNames() {
    QSet<QString> names;
    for (const UserSchema::Column& column : UserSchema::projectColumns())
        names.insert(QString::fromUtf8(column.name));
    return names;
}

} // namespace

class TestDerivedArithmetic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void areaSplit_data() {
        QTest::addColumn<double>("gross");
        QTest::addColumn<double>("greenPercent");
        QTest::addColumn<double>("trafficPercent");
        QTest::addColumn<double>("currentGreen");
        QTest::addColumn<double>("green");
        QTest::addColumn<double>("traffic");
        QTest::addColumn<double>("net");
        QTest::newRow("whole shares") << 10000.0 << 12.5 << 20.0 << 0.0 << 1250.0 << 2000.0 << 6750.0;
        // The gross land counts as 999; 99.9 m² of green is truncated to 99.
        QTest::newRow("gross truncated") << 999.9 << 10.0 << 0.0 << 0.0 << 99.0 << 0.0 << 900.0;
        // 333 m² of 1000 is the share 33.3, which as a double lies below 33.3: 1000 / 100 * share
        // gives 332.99..., yet the area the share came from stays.
        QTest::newRow("typed area stays") << 1000.0 << 333.0 / 10 << 0.0 << 333.0 << 333.0 << 0.0 << 667.0;
        // An area from before a change of the gross land or the share is derived anew.
        QTest::newRow("old area derived anew") << 2000.0 << 15.0 << 10.0 << 750.0 << 300.0 << 200.0 << 1500.0;
        // Negative land truncates toward zero as well: -1000.5 reads -1000, 10 % of it -100.
        QTest::newRow("negative gross") << -1000.5 << 10.0 << 10.0 << 0.0 << -100.0 << -100.0 << -800.0;
    }

    void areaSplit() {
        QFETCH(double, gross);
        QFETCH(double, greenPercent);
        QFETCH(double, trafficPercent);
        QFETCH(double, currentGreen);
        QFETCH(double, green);
        QFETCH(double, traffic);
        QFETCH(double, net);
        const AreaSplit split = splitAreas(gross, greenPercent, trafficPercent, currentGreen, 0.0);
        QCOMPARE(split.green, green);
        QCOMPARE(split.traffic, traffic);
        QCOMPARE(split.net, net);
    }

    void truncatesTowardZero_data() {
        QTest::addColumn<double>("actual");
        QTest::addColumn<double>("expected");
        QTest::newRow("line length") << lineLength(12345, 0.05) << 617.0; // 617.25
        QTest::newRow("line length, whole gross") << lineLength(12345.9, 0.05) << 617.0;
        QTest::newRow("line length, half") << lineLength(1000, 0.0255) << 25.0; // 25.5
        QTest::newRow("running metres") << runningMetres(1000, 8.5) << 117.0;   // 117.6
        QTest::newRow("running metres, negative") << runningMetres(-1000, 8.5) << -117.0;
        QTest::newRow("levy subsidy") << levySubsidy(12.5, 30) << 3.0;             // 3.75
        QTest::newRow("levy subsidy, negative") << levySubsidy(-1290, 1) << -12.0; // -12.9
        QTest::newRow("levy subsidy, positive") << levySubsidy(1290, 1) << 12.0;
        QTest::newRow("share of area") << shareOfArea(750, 5000) << 15.0;
        QTest::newRow("share of area, whole gross") << shareOfArea(750, 5000.7) << 15.0;
    }

    void truncatesTowardZero() {
        QFETCH(double, actual);
        QFETCH(double, expected);
        QCOMPARE(actual, expected);
    }

    void roadWidthAndArea() {
        QVERIFY_THROWS_EXCEPTION(TavoError, runningMetres(1000, 0));
        bool ok = false;
        QCOMPARE(roadArea(120, DefaultRoadWidth, &ok), 1020.0);
        QVERIFY(ok);
        // An area beyond the range of a double is no area.
        roadArea(1e308, 10, &ok);
        QVERIFY(!ok);
        roadArea(-1e308, 10, &ok);
        QVERIFY(!ok);
    }

    void sewerLengthsBySystem() {
        const SewerLengths separate = sewerLengths(617, true);
        QCOMPARE(QList<double>({separate.separate, separate.combined, separate.roadDrainage}),
                 QList<double>({617, 0, 0}));
        const SewerLengths combined = sewerLengths(617, false);
        QCOMPARE(QList<double>({combined.separate, combined.combined, combined.roadDrainage}),
                 QList<double>({0, 617, 617}));
    }

    // Every derived value lands in a column of the project row, each column once, and the lengths
    // follow the system: 12,345 m² at 0.05 m per m² give 617 m of every inner line, 117.9 running
    // metres 117 m of every connecting line.
    void columnsOfTheLines() {
        const QSet<QString> columns = projectColumnNames();
        for (const bool separate : {true, false}) {
            const DerivedColumns::Values inner = DerivedColumns::innerLines(12345, 0.05, separate);
            const DerivedColumns::Values connecting = DerivedColumns::connectingLines(117.9, separate);
            QCOMPARE(inner.size(), 9);      // water main, three sewers, five lines
            QCOMPARE(connecting.size(), 9); // three sewers, six lines
            QCOMPARE(inner.first().first, QStringLiteral("ifLfmWasserleitung"));
            QSet<QString> written;
            const std::pair<const DerivedColumns::Values*, double> groups[] = {{&inner, 617.0},
                                                                               {&connecting, 117.0}};
            for (const auto& [values, length] : groups)
                for (const auto& [column, value] : *values) {
                    QVERIFY2(columns.contains(column), qPrintable(column));
                    QVERIFY2(!written.contains(column), qPrintable(column));
                    written.insert(column);
                    // A separate system drains into the separate sewer only; a combined one into the
                    // combined sewer and the road drainage.
                    const bool sewer = column.contains(QLatin1String("Kanal"));
                    const bool gets = !sewer || column.endsWith(QLatin1String("Trennsystem")) == separate;
                    QCOMPARE(value, gets ? length : 0.0);
                }
        }
    }

    void levyColumns() {
        const QSet<QString> columns = projectColumnNames();
        QCOMPARE(DerivedColumns::levies().size(), 4);
        for (const DerivedColumns::Levy& levy : DerivedColumns::levies())
            for (const QString& column : {levy.derived, levy.rate, levy.percent})
                QVERIFY2(columns.contains(column), qPrintable(column));
        QCOMPARE(DerivedColumns::levies().first().percent, QStringLiteral("auAntGemFörderungAufschl"));
    }
};

QTEST_GUILESS_MAIN(TestDerivedArithmetic)
#include "test_derived_arithmetic.moc"
