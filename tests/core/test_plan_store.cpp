// A measured plan applied to a project: which inputs change, the marks "aus Plan", the stored
// geometry, and nothing written for a plan with problems.

#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/plan/PlanMeasure.h"
#include "core/plan/PlanStore.h"
#include "core/projects/ProjectRecords.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

PlanFeature polygon(PlanRole role, const QString& layer, qint64 fid, double x0, double y0, double x1,
                    double y1, const QString& type = QString()) {
    PlanFeature f;
    f.role = role;
    f.layer = layer;
    f.fid = fid;
    f.kind = 2;
    f.buildingType = type;
    f.parts = {{QPointF(x0, y0), QPointF(x1, y0), QPointF(x1, y1), QPointF(x0, y1), QPointF(x0, y0)}};
    f.areaM2 = (x1 - x0) * (y1 - y0);
    return f;
}

PlanFeature line(const QString& network, qint64 fid, QPointF a, QPointF b) {
    PlanFeature f;
    f.role = PlanRole::Leitung;
    f.layer = QStringLiteral("Leitungen");
    f.fid = fid;
    f.kind = 1;
    f.network = network;
    f.parts = {{a, b}};
    f.lengthM = QLineF(a, b).length();
    return f;
}

// Baugebiet 200 x 100 = 20,000 m², street 200 x 10 = 2,000 m², green 30 x 20 = 600 m²; a water main
// of 200 m along y = 50 and a sewer of 120 m along y = 55; three EFHg plots and one RHg plot, each
// 10 x 10 with its lower edge at y 70 (20 m from the water main, 15 m from the sewer).
PlanReading reading() {
    PlanReading r;
    r.file = QStringLiteral("/tmp/plaene/entwurf.gpkg");
    r.stand = QStringLiteral("2026-11-30");
    r.metricCrs = QStringLiteral("EPSG:31287");
    r.features = {polygon(PlanRole::Baugebiet, QStringLiteral("Gebiet"), 1, 0, 0, 200, 100),
                  polygon(PlanRole::Verkehrsflaeche, QStringLiteral("Straße"), 1, 0, 45, 200, 55),
                  polygon(PlanRole::Gruenflaeche, QStringLiteral("Grün"), 1, 0, 0, 30, 20),
                  line(QStringLiteral("Wasser"), 1, QPointF(0, 50), QPointF(200, 50)),
                  line(QStringLiteral("Kanal"), 2, QPointF(0, 55), QPointF(120, 55))};
    const QStringList types = {QStringLiteral("EFHg"), QStringLiteral("EFHg"), QStringLiteral("EFHg"),
                               QStringLiteral("RHg")};
    for (int i = 0; i < types.size(); ++i)
        r.features.append(polygon(PlanRole::Bauplatz, QStringLiteral("Plätze"), i + 1, 20.0 * i, 70,
                                  20.0 * i + 10, 80, types[i]));
    r.measures = PlanMeasure::measure(r.features, false);
    return r;
}

double stored(const QSqlDatabase& db, int project, const QString& column) {
    return projectValue(db, project, column).toDouble();
}

QMap<QString, double> shares(const QSqlDatabase& db, int project) {
    QMap<QString, double> out;
    QSqlQuery q = Sql::exec(
        db, QStringLiteral("SELECT \"bbTyp\", \"bbAnteil\" FROM \"Bebauung\" WHERE \"TAVO\" = ?"), {project});
    while (q.next())
        out[q.value(0).toString()] += q.value(1).toDouble();
    return out;
}

} // namespace

class TestPlanStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void measures();
    void changesThenApply();
    void problemsWriteNothing();
    void combinedSewerKept();
    void grossOnlyRederivesAreas();
};

void TestPlanStore::measures() {
    const PlanMeasures m = reading().measures;
    QCOMPARE(m.anschlussM, 4 * 15.0);
    QCOMPARE(m.anschlussNetzM.value(QStringLiteral("Wasser")), 4 * 20.0);
    // Plots from x 0 to 70: the sewer ends at x 120, so each lies 15 m above it.
    QCOMPARE(m.anschlussNetzM.value(QStringLiteral("Kanal")), 4 * 15.0);
    QCOMPARE(m.bauplaetze.value(QStringLiteral("EFHg")), 3);
}

void TestPlanStore::changesThenApply() {
    TestDb db;
    const int project = db.insertProject(
        {{QStringLiteral("bgFlBaulandBrutto"), 5000}, {QStringLiteral("ifLfmWasserleitung"), 77}});
    db.insertRow(QStringLiteral("Bebauung"), {{QStringLiteral("TAVO"), project},
                                              {QStringLiteral("bbTyp"), QStringLiteral("GWB")},
                                              {QStringLiteral("bbAnteil"), 100}});
    const PlanReading r = reading();
    const QVector<PlanFieldChange> preview = PlanStore::planChanges(db.user(), project, r);
    QMap<QString, PlanFieldChange> byKey;
    for (const PlanFieldChange& c : preview)
        byKey.insert(c.fieldKey, c);
    QCOMPARE(byKey.value(QStringLiteral("bgFlBaulandBrutto")).oldValue.toDouble(), 5000.0);
    QCOMPARE(byKey.value(QStringLiteral("bgFlBaulandBrutto")).newValue.toDouble(), 20000.0);
    QCOMPARE(byKey.value(QStringLiteral("ifLfmWasserleitung")).newValue.toDouble(), 200.0);
    // Nothing is written before the plan is applied.
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgFlBaulandBrutto")), 5000.0);

    const QVector<PlanFieldChange> written = PlanStore::applyPlan(db.user(), project, r, PlanAssignment());
    QCOMPARE(written.size(), preview.size());
    const QVector<QPair<const char*, double>> expected = {{"bgFlBaulandBrutto", 20000},
                                                          {"bgFlVerkehrsflächen", 2000},
                                                          {"bgAntVerkehrsflächen", 10},
                                                          {"bgFlGrünflächen", 600},
                                                          {"bgAntGrünflächen", 3},
                                                          {"bgFlBaulandNetto", 17400},
                                                          {"ifLfmWasserleitung", 200},
                                                          {"ifLfmKanalTrennsystem", 120},
                                                          {"ifLfmKanalMischsystem", 0},
                                                          {"ifLfmAnschlWasserleitung", 80},
                                                          {"ifLfmAnschlKanalTrennsystem", 60}};
    for (const auto& e : expected)
        QCOMPARE(stored(db.user(), project, QString::fromUtf8(e.first)), e.second);
    // Lines the plan has no network for stay as they were.
    QVERIFY(projectValue(db.user(), project, QStringLiteral("ifLfmGasleitung")).isNull());
    const QMap<QString, double> mix = shares(db.user(), project);
    QCOMPARE(mix.value(QStringLiteral("EFHg")), 75.0);
    QCOMPARE(mix.value(QStringLiteral("RHg")), 25.0);
    QCOMPARE(mix.value(QStringLiteral("GWB")), 0.0);

    QHash<QString, QString> marks = PlanStore::planMarks(db.user(), project);
    QCOMPARE(marks.value(QStringLiteral("bgFlBaulandBrutto")),
             QStringLiteral("aus Plan: entwurf.gpkg, Gebiet, 2026-11-30"));
    QVERIFY(marks.contains(QStringLiteral("Bebauung:EFHg")));
    QVERIFY(!marks.contains(QStringLiteral("ifLfmGasleitung")));
    PlanStore::clearPlanMark(db.user(), project, QStringLiteral("bgFlBaulandBrutto"));
    marks = PlanStore::planMarks(db.user(), project);
    QVERIFY(!marks.contains(QStringLiteral("bgFlBaulandBrutto")));
    QVERIFY(marks.contains(QStringLiteral("bgFlVerkehrsflächen")));

    // Read again, the same plan changes nothing; the stored geometry draws the same features.
    QVERIFY(PlanStore::planChanges(db.user(), project, r).isEmpty());
    const PlanReading back = PlanStore::storedPlan(db.user(), project);
    QCOMPARE(back.features.size(), r.features.size());
    QCOMPARE(back.features[3].parts, r.features[3].parts);
    QCOMPARE(back.features[8].buildingType, QStringLiteral("RHg"));
    QCOMPARE(back.measures.anschlussNetzM, r.measures.anschlussNetzM);
    QCOMPARE(back.extent, QRectF(0, 0, 200, 100));
    QVERIFY(PlanStore::storedPlan(db.user(), project + 1).file.isEmpty());
}

void TestPlanStore::problemsWriteNothing() {
    TestDb db;
    const int project = db.insertProject({{QStringLiteral("bgFlBaulandBrutto"), 5000}});
    PlanReading r = reading();
    r.problems.append({QStringLiteral("Gebiet"), 7, QStringLiteral("ungültig"), true});
    QVERIFY_THROWS_EXCEPTION(TavoError, PlanStore::applyPlan(db.user(), project, r, PlanAssignment()));
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgFlBaulandBrutto")), 5000.0);
    QVERIFY(PlanStore::planMarks(db.user(), project).isEmpty());
}

void TestPlanStore::combinedSewerKept() {
    TestDb db;
    const int project = db.insertProject(
        {{QStringLiteral("ifLfmKanalMischsystem"), 90}, {QStringLiteral("ifLfmKanalTrennsystem"), 0}});
    PlanStore::applyPlan(db.user(), project, reading(), PlanAssignment());
    QCOMPARE(stored(db.user(), project, QStringLiteral("ifLfmKanalMischsystem")), 120.0);
    QCOMPARE(stored(db.user(), project, QStringLiteral("ifLfmKanalStrEntwässerung")), 120.0);
    QCOMPARE(stored(db.user(), project, QStringLiteral("ifLfmKanalTrennsystem")), 0.0);
}

void TestPlanStore::grossOnlyRederivesAreas() {
    TestDb db;
    const int project = db.insertProject({{QStringLiteral("bgFlBaulandBrutto"), 5000},
                                          {QStringLiteral("bgAntGrünflächen"), 10},
                                          {QStringLiteral("bgFlGrünflächen"), 500},
                                          {QStringLiteral("bgAntVerkehrsflächen"), 15},
                                          {QStringLiteral("bgFlVerkehrsflächen"), 750}});
    PlanReading r = reading();
    r.features = {r.features.first()}; // the Baugebiet alone: 20,000 m²
    r.measures = PlanMeasure::measure(r.features, false);
    PlanStore::applyPlan(db.user(), project, r, PlanAssignment());
    // The areas follow their shares of the new gross land, as on the input page: 10 % and 15 %.
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgFlGrünflächen")), 2000.0);
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgFlVerkehrsflächen")), 3000.0);
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgAntGrünflächen")), 10.0);
    QCOMPARE(stored(db.user(), project, QStringLiteral("bgFlBaulandNetto")), 15000.0);
    // Only the measured field is marked.
    QCOMPARE(PlanStore::planMarks(db.user(), project).keys(),
             QList<QString>{QStringLiteral("bgFlBaulandBrutto")});
}

QTEST_GUILESS_MAIN(TestPlanStore)
#include "test_plan_store.moc"
