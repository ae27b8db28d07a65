// Key figures of a project on hand-made ledgers whose figures can be worked out on paper.

#include <QtTest>

#include "core/data/TavoError.h"
#include "core/results/KeyFigures.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

struct Booking {
    int jahr;
    double ausgabe;
    double einnahme;
};

const QString kGemeinde = QStringLiteral("Gemeinde");

int projectWith(TestDb& db, const QList<Booking>& bookings,
                const QString& bearer = QStringLiteral("Gemeinde")) {
    const int id = db.insertProject({{"PG", 301}, {"Projekt", "Am Hang"}, {"Beschreibung", "Variante A"}});
    for (const Booking& b : bookings)
        db.book(id, b.jahr, "Kanal", "Posten", bearer, b.ausgabe, b.einnahme);
    return id;
}

KeyFigureOptions forBearer(const QString& bearer, double rate = 3.0) {
    KeyFigureOptions options;
    options.costBearer = bearer;
    options.discountRate = rate;
    return options;
}

} // namespace

Q_DECLARE_METATYPE(QList<Booking>)

class TestKeyFigures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lowPointAndPayback_data();
    void lowPointAndPayback();
    void totalsFollowCostBearerTypeAndYears();
    void presentValueAtSeveralRates();
    void perUnitFiguresNeedUnits();
    void unknownAndUncalculatedProjects();
    void tableLinesOnePerProject();
};

void TestKeyFigures::lowPointAndPayback_data() {
    QTest::addColumn<QList<Booking>>("bookings");
    QTest::addColumn<int>("lowYear");
    QTest::addColumn<double>("lowAmount");
    QTest::addColumn<int>("payback"); // 0: not reached
    QTest::addColumn<double>("last");

    // Cumulative -100, 50, -30, 20, 20 ...: positive in year 2, back below in 3, for good from 4.
    QTest::newRow("dips again") << QList<Booking>{{1, 100, 0}, {2, 0, 150}, {3, 80, 0}, {4, 0, 50}} << 1
                                << -100.0 << 4 << 20.0;
    QList<Booking> slow{{1, 1000, 0}};
    for (int j = 2; j <= 20; ++j)
        slow << Booking{j, 0, 50};
    // -1000 + 19 x 50 = -50 after year 20.
    QTest::newRow("never reached") << slow << 1 << -1000.0 << 0 << -50.0;
    // Cumulative 10, 0, 0, ...: zero counts as paid back; the low point 0 is first reached in year 2.
    QTest::newRow("reached in year 1") << QList<Booking>{{1, 0, 10}, {2, 10, 0}} << 2 << 0.0 << 1 << 0.0;
    // Cumulative -30, -10, -30, 10: the low point ties in years 1 and 3.
    QTest::newRow("tie keeps the first year")
        << QList<Booking>{{1, 30, 0}, {2, 0, 20}, {3, 20, 0}, {4, 0, 40}} << 1 << -30.0 << 4 << 10.0;
    // Cumulative -100 for 19 years, 0 in the last: paid back in exactly the last planning year.
    QTest::newRow("reached in year 20")
        << QList<Booking>{{1, 100, 0}, {20, 0, 100}} << 1 << -100.0 << 20 << 0.0;
    // Positive for 19 years, negative in the last.
    QTest::newRow("falls back in year 20")
        << QList<Booking>{{1, 0, 100}, {20, 101, 0}} << 20 << -1.0 << 0 << -1.0;
}

void TestKeyFigures::lowPointAndPayback() {
    QFETCH(QList<Booking>, bookings);
    QFETCH(int, lowYear);
    QFETCH(double, lowAmount);
    QFETCH(int, payback);
    QFETCH(double, last);
    TestDb db;
    const int id = projectWith(db, bookings);
    const KeyFigures f = computeKeyFigures(db.user(), id, forBearer(kGemeinde));
    QVERIFY(f.hasResults);
    QCOMPARE(f.tiefpunkt.jahr, lowYear);
    QCOMPARE(f.tiefpunkt.betrag, lowAmount);
    QCOMPARE(f.amortisationsjahr.has_value(), payback != 0);
    if (payback != 0)
        QCOMPARE(*f.amortisationsjahr, payback);
    QCOMPARE(f.kumuliert[20], last);
    QCOMPARE(f.saldo, last);
}

void TestKeyFigures::totalsFollowCostBearerTypeAndYears() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}});
    db.book(id, 1, "Kanal", "Bau", "Gemeinde", 100, 0);
    db.book(id, 2, "öffentliches Gut", "Abgabe", "Gemeinde", 0, 150);
    db.book(id, 3, "Kanal", "Bau", "Gemeinde", 50, 0);
    db.book(id, 3, "öffentliches Gut", "Bau", "Gemeinde", 30, 0);
    db.book(id, 4, "Kanal", "Gebühr", "Gemeinde", 0, 50);
    db.book(id, 1, "Kanal", "Bau", "Land", 1000, 0);
    db.book(id, 0, "Kanal", "vorher", "Gemeinde", 999, 0);  // outside the 20 years
    db.book(id, 21, "Kanal", "danach", "Gemeinde", 0, 999); // outside the 20 years
    db.insertRow("Auswertung",
                 {{"TAVO", id}, {"Jahr", 5}, {"Bezeichnung", "ohne"}, {"Ausgabe", 7}}); // no type, no bearer
    const int other = db.insertProject({{"PG", 301}});
    db.book(other, 1, "Kanal", "Bau", "Gemeinde", 5000, 0);

    KeyFigures f = computeKeyFigures(db.user(), id, forBearer(kGemeinde));
    QCOMPARE(f.ausgaben, 180.0);
    QCOMPARE(f.einnahmen, 200.0);
    QCOMPARE(f.saldo, 20.0);
    QCOMPARE(f.saldoJeJahr[1], -100.0);
    QCOMPARE(f.saldoJeJahr[3], -80.0);
    QCOMPARE(f.saldoJeJahr[5], 0.0);
    QCOMPARE(f.kumuliert[4], 20.0);
    QCOMPARE(f.jeTyp.size(), 2);
    QCOMPARE(f.jeTyp[0].typ, QStringLiteral("Kanal"));
    QCOMPARE(f.jeTyp[0].ausgaben, 150.0);
    QCOMPARE(f.jeTyp[0].einnahmen, 50.0);
    QCOMPARE(f.jeTyp[0].saldo, -100.0);
    QCOMPARE(f.jeTyp[1].typ, QStringLiteral("öffentliches Gut"));
    QCOMPARE(f.jeTyp[1].saldo, 120.0);

    // All cost bearers together also count the row without type or bearer.
    f = computeKeyFigures(db.user(), id, forBearer(QString()));
    QCOMPARE(f.ausgaben, 1187.0);
    QCOMPARE(f.saldo, -987.0);
    QCOMPARE(f.jeTyp.size(), 3);
    QCOMPARE(f.jeTyp[0].typ, QString());
    QCOMPARE(f.jeTyp[0].ausgaben, 7.0);
    QCOMPARE(f.tiefpunkt.jahr, 1);
    QCOMPARE(f.tiefpunkt.betrag, -1100.0);
    QVERIFY(!f.amortisationsjahr);

    // A cost bearer without rows: everything 0, which counts as paid back from the start.
    f = computeKeyFigures(db.user(), id, forBearer(QStringLiteral("Wasserverband")));
    QVERIFY(f.hasResults);
    QCOMPARE(f.saldo, 0.0);
    QVERIFY(f.jeTyp.isEmpty());
    QCOMPARE(f.amortisationsjahr.value_or(-1), 1);
}

void TestKeyFigures::presentValueAtSeveralRates() {
    TestDb db;
    const int id = projectWith(db, {{1, 100, 0}, {2, 0, 150}, {3, 80, 0}, {4, 0, 50}});
    // -100/1.03 + 150/1.03^2 - 80/1.03^3 + 50/1.03^4, worked out separately.
    KeyFigures f = computeKeyFigures(db.user(), id, forBearer(kGemeinde));
    QVERIFY(qAbs(f.barwert - 15.51502737681814) < 1e-9);
    f = computeKeyFigures(db.user(), id, forBearer(kGemeinde, 0.0));
    QCOMPARE(f.barwert, 20.0);

    // 110 in year 1 and 121 in year 2 at 10 % are worth 100 each today.
    TestDb db2;
    const int plain = projectWith(db2, {{1, 0, 110}, {2, 0, 121}});
    f = computeKeyFigures(db2.user(), plain, forBearer(kGemeinde, 10.0));
    QVERIFY(qAbs(f.barwert - 200.0) < 1e-9);
    f = computeKeyFigures(db2.user(), plain, forBearer(kGemeinde, 3.5));
    QVERIFY(qAbs(f.barwert - (110 / 1.035 + 121 / (1.035 * 1.035))) < 1e-9);
}

void TestKeyFigures::perUnitFiguresNeedUnits() {
    TestDb db;
    const int id = projectWith(db, {{1, 0, 1200}});
    KeyFigures f = computeKeyFigures(db.user(), id, forBearer(kGemeinde));
    QCOMPARE(f.wohneinheiten, 0.0);
    QCOMPARE(f.bewohner, 0.0);
    QVERIFY(!f.saldoJeWohneinheit);
    QVERIFY(!f.saldoJeBewohner);

    // Only year 20 counts: 4 + 2 + 3 + 1 + 2 = 12 units (one type empty counts 0), 30 inhabitants.
    db.insertRow("bWvB", {{"TAVO", id}, {"Jahr", 19}, {"EFHg", 100}});
    db.insertRow("bWvB",
                 {{"TAVO", id}, {"Jahr", 20}, {"EFHg", 4}, {"EFHk", 2}, {"RHg", 3}, {"RHk", 1}, {"GWB", 2}});
    db.insertRow("bBvB", {{"TAVO", id}, {"Jahr", 20}, {"Alter", 5}, {"Bewohner", 10}});
    db.insertRow("bBvB", {{"TAVO", id}, {"Jahr", 20}, {"Alter", 40}, {"Bewohner", 20}});
    db.insertRow("bBvB", {{"TAVO", id}, {"Jahr", 19}, {"Alter", 40}, {"Bewohner", 500}});
    f = computeKeyFigures(db.user(), id, forBearer(kGemeinde));
    QCOMPARE(f.wohneinheiten, 12.0);
    QCOMPARE(f.bewohner, 30.0);
    QCOMPARE(f.saldoJeWohneinheit.value_or(0), 100.0);
    QCOMPARE(f.saldoJeBewohner.value_or(0), 40.0);

    // Units without inhabitants: only the per-inhabitant figure is missing.
    const int empty = projectWith(db, {{1, 0, 50}});
    db.insertRow("bWvB", {{"TAVO", empty}, {"Jahr", 20}, {"GWB", 5}});
    f = computeKeyFigures(db.user(), empty, forBearer(kGemeinde));
    QCOMPARE(f.saldoJeWohneinheit.value_or(0), 10.0);
    QVERIFY(!f.saldoJeBewohner);
}

void TestKeyFigures::unknownAndUncalculatedProjects() {
    TestDb db;
    try {
        computeKeyFigures(db.user(), 4711, KeyFigureOptions());
        QFAIL("no error for an unknown project");
    } catch (const TavoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Unbekanntes Projekt: 4711"));
    }
    const int id = db.insertProject({{"PG", 302}, {"Projekt", "Nord"}});
    const KeyFigures f = computeKeyFigures(db.user(), id, KeyFigureOptions());
    QVERIFY(!f.hasResults);
    QCOMPARE(f.pg, 302);
    QCOMPARE(f.projekt, QStringLiteral("Nord"));
    QCOMPARE(f.costBearer, kGemeinde);
    QCOMPARE(f.discountRate, 3.0);
    QCOMPARE(keyFigureCostBearers(db.master()).first(), kGemeinde);
    QVERIFY(!keyFigureCostBearers(db.master()).contains(QStringLiteral("keine Einschränkung")));
}

void TestKeyFigures::tableLinesOnePerProject() {
    TestDb db;
    const int a = projectWith(db, {{1, 100, 0}});
    const int b = db.insertProject({{"PG", 301}});
    db.book(b, 2, "Wasser", "Gebühr", "Gemeinde", 0, 40);
    const QList<KeyFigures> both{computeKeyFigures(db.user(), a, forBearer(kGemeinde)),
                                 computeKeyFigures(db.user(), b, forBearer(QString()))};
    QMap<QString, KeyFigureLine> byCaption;
    for (const KeyFigureLine& line : keyFigureTable(both)) {
        QCOMPARE(line.values.size(), 2);
        byCaption.insert(line.caption, line);
    }
    QCOMPARE(byCaption["Kostenträger"].values, (QVariantList{"Gemeinde", "alle"}));
    QVERIFY(byCaption["Amortisationsjahr"].values[0].isNull());
    QCOMPARE(byCaption["Amortisationsjahr"].values[1].toInt(), 1);
    // A type only one project has is 0 for the other.
    QCOMPARE(byCaption["Saldo Wasser"].values[0].toDouble(), 0.0);
    QCOMPARE(byCaption["Saldo Wasser"].values[1].toDouble(), 40.0);
    QCOMPARE(byCaption["Ausgaben Kanal"].values[0].toDouble(), 100.0);
    QCOMPARE(byCaption["kumuliert Jahr 20"].values[1].toDouble(), 40.0);
    QVERIFY(byCaption["Saldo je Bewohner"].values[0].isNull());
}

QTEST_GUILESS_MAIN(TestKeyFigures)
#include "test_key_figures.moc"
