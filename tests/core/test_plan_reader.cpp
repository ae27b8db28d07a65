// Plans written through GDAL in several formats and reference systems are read and measured in
// metres; invalid and CRS-less layers are refused with their layer and feature named.

#include <QTemporaryDir>
#include <QtTest>

#include "core/plan/PlanReader.h"
#include "support/PlanFixture.h"

using namespace tavo;

namespace {

// The plan of the tests, in metres from the origin:
// - Baugebiet 100 m x 100 m = 10,000 m²
// - Verkehrsfläche strip y 45..55 over the whole width = 1,000 m²
// - Grünfläche 80..100 x 80..100 = 400 m²
// - a line along y = 50 from x 0 to 400 (400 m, 300 m of it outside the Baugebiet) and one along
//   x = 50 from y 55 to 100 (45 m): every network 445 m
// - plot A 10..30 x 60..80: 10 m from the first line; plot B 60..80 x 10..30: 20 m from it and
//   hypot(10, 25) m from the end of the second: connections 10 + 20 = 30 m
QVector<FixtureFeature> roleFeatures(const QString& role) {
    if (role == QStringLiteral("Baugebiet"))
        return {{fixtureRect(0, 0, 100, 100), {}}};
    if (role == QStringLiteral("Verkehrsfläche"))
        return {{fixtureRect(0, 45, 100, 55), {}}};
    if (role == QStringLiteral("Grünfläche"))
        return {{fixtureRect(80, 80, 100, 100), {}}};
    if (role == QStringLiteral("Leitung"))
        return {{fixtureLine({{0, 50}, {400, 50}}), {}}, {fixtureLine({{50, 55}, {50, 100}}), {}}};
    return {{fixtureRect(10, 60, 30, 80), {}}, {fixtureRect(60, 10, 80, 30), {}}};
}

const QStringList kRoles = {QStringLiteral("Baugebiet"), QStringLiteral("Verkehrsfläche"),
                            QStringLiteral("Grünfläche"), QStringLiteral("Leitung"),
                            QStringLiteral("Bauplatz")};

// One layer per role, named like the role.
QVector<FixtureLayer> layersPerRole(int epsg) {
    QVector<FixtureLayer> layers;
    for (const QString& role : kRoles)
        layers.append({role, epsg, {}, roleFeatures(role)});
    return layers;
}

// Everything in one layer, the role in the attribute "Layer" (as a DXF file carries it).
QVector<FixtureLayer> oneLayer(int epsg) {
    FixtureLayer layer{QStringLiteral("plan"), epsg, {QStringLiteral("Layer")}, {}};
    for (const QString& role : kRoles)
        for (FixtureFeature f : roleFeatures(role)) {
            f.fields.insert(QStringLiteral("Layer"), role);
            layer.features.append(f);
        }
    return {layer};
}

PlanReading readGuessed(const QString& file, const QString& crs = QString(), bool repair = false) {
    QString error;
    const QVector<PlanLayerInfo> layers = planLayers(file, &error);
    PlanAssignment assignment = guessAssignment(layers);
    assignment.crsOverride = crs;
    const PlanReading reading = readPlan(file, assignment, repair, &error);
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    return reading;
}

void compareRelative(double actual, double expected, double tolerance) {
    QVERIFY2(std::abs(actual - expected) <= tolerance * std::abs(expected),
             qPrintable(QStringLiteral("%1 statt %2").arg(actual, 0, 'f', 4).arg(expected, 0, 'f', 4)));
}

void compareFigures(const PlanReading& r, double tolerance) {
    QVERIFY2(r.problems.isEmpty(), r.problems.isEmpty() ? "" : qPrintable(r.problems.first().text));
    QCOMPARE(r.metricCrs, QStringLiteral("EPSG:31287"));
    compareRelative(r.measures.baugebietM2, 10000, tolerance);
    compareRelative(r.measures.verkehrM2, 1000, tolerance);
    compareRelative(r.measures.gruenM2, 400, tolerance);
    QCOMPARE(r.measures.leitungM.size(), planNetworks().size());
    for (const QString& network : planNetworks())
        compareRelative(r.measures.leitungM.value(network), 445, tolerance);
    compareRelative(r.measures.anschlussM, 30, tolerance);
    QCOMPARE(r.measures.bauplaetze.value(QString()), 2);
}

} // namespace

class TestPlanReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void areas_data();
    void areas();
    void invalidRefusedThenRepaired();
    void layerWithoutCrs();
    void networksAndTypes();
    void geometryTypeNames_data();
    void geometryTypeNames();
};

void TestPlanReader::formats_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("perRole");
    QTest::addColumn<int>("epsg");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("GeoPackage, Lambert") << "GPKG"
                                         << "plan.gpkg" << true << 31287 << 1e-4;
    QTest::newRow("GeoPackage, WGS 84") << "GPKG"
                                        << "plan.gpkg" << true << 4326 << 1e-3;
    QTest::newRow("GeoPackage, UTM 33") << "GPKG"
                                        << "plan.gpkg" << true << 32633 << 1e-3;
    QTest::newRow("Shapefile") << "ESRI Shapefile"
                               << "shp" << true << 31287 << 1e-4;
    QTest::newRow("GeoJSON, WGS 84") << "GeoJSON"
                                     << "plan.geojson" << false << 4326 << 1e-3;
    QTest::newRow("DXF") << "DXF"
                         << "plan.dxf" << false << 0 << 1e-4;
}

void TestPlanReader::formats() {
    QFETCH(QString, driver);
    QFETCH(QString, name);
    QFETCH(bool, perRole);
    QFETCH(int, epsg);
    QFETCH(double, tolerance);
    QTemporaryDir dir;
    const QString file = dir.filePath(name);
    const QString error =
        writePlanFixture(file, driver.toUtf8().constData(), perRole ? layersPerRole(epsg) : oneLayer(epsg));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const PlanReading reading = readGuessed(file, epsg == 0 ? QStringLiteral("EPSG:31287") : QString());
    compareFigures(reading, tolerance);
    // The 400 m line, three quarters outside the Baugebiet, is measured whole and reported.
    bool found = false;
    for (const PlanFeature& f : reading.features)
        if (f.role == PlanRole::Leitung && f.lengthM > 300) {
            compareRelative(f.lengthM, 400, tolerance);
            found = true;
        }
    QVERIFY(found);
    QCOMPARE(reading.outsideBaugebiet.size(), 1);
}

void TestPlanReader::areas_data() {
    QTest::addColumn<QString>("wkt");
    QTest::addColumn<double>("area");
    QTest::newRow("square") << fixtureRect(0, 0, 100, 100) << 10000.0;
    // 100 x 100 with a 20 x 20 hole
    QTest::newRow("hole")
        << QStringLiteral("POLYGON ((%1),(%2))").arg(fixtureRing(0, 0, 100, 100), fixtureRing(40, 40, 60, 60))
        << 9600.0;
    // two 50 x 50 squares apart
    QTest::newRow("multipolygon") << QStringLiteral("MULTIPOLYGON (((%1)),((%2)))")
                                         .arg(fixtureRing(0, 0, 50, 50), fixtureRing(100, 0, 150, 50))
                                  << 5000.0;
}

void TestPlanReader::areas() {
    QFETCH(QString, wkt);
    QFETCH(double, area);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("area.gpkg"));
    QVERIFY(
        writePlanFixture(file, "GPKG", {{QStringLiteral("Baugebiet"), 31287, {}, {{wkt, {}}}}}).isEmpty());
    const PlanReading reading = readGuessed(file);
    QVERIFY(reading.problems.isEmpty());
    compareRelative(reading.measures.baugebietM2, area, 1e-6);
}

void TestPlanReader::invalidRefusedThenRepaired() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bowtie.gpkg"));
    // A ring crossing itself at (50, 50): two triangles of 2,500 m² each.
    const QString bowtie =
        QStringLiteral("POLYGON ((%1))").arg(fixturePoints({{0, 0}, {100, 100}, {100, 0}, {0, 100}, {0, 0}}));
    QVERIFY(writePlanFixture(
                file, "GPKG",
                {{QStringLiteral("Baugebiet"), 31287, {}, {{fixtureRect(0, 0, 10, 10), {}}, {bowtie, {}}}}})
                .isEmpty());
    const PlanReading refused = readGuessed(file);
    QCOMPARE(refused.problems.size(), 1);
    QCOMPARE(refused.problems.first().layer, QStringLiteral("Baugebiet"));
    QCOMPARE(refused.problems.first().fid, qint64(2)); // GeoPackage numbers features from 1
    QVERIFY(refused.problems.first().repairable);
    QVERIFY(refused.problems.first().text.contains(QStringLiteral("„Baugebiet“, Objekt 2")));
    const PlanReading repaired = readGuessed(file, QString(), true);
    QVERIFY(repaired.problems.isEmpty());
    compareRelative(repaired.measures.baugebietM2, 100 + 5000, 1e-6);
}

void TestPlanReader::layerWithoutCrs() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("nocrs.gpkg"));
    QVERIFY(writePlanFixture(file, "GPKG",
                             {{QStringLiteral("Baugebiet"), 0, {}, {{fixtureRect(0, 0, 100, 100), {}}}}})
                .isEmpty());
    const PlanReading refused = readGuessed(file);
    QCOMPARE(refused.problems.size(), 1);
    QCOMPARE(refused.problems.first().fid, qint64(-1));
    QVERIFY(refused.problems.first().text.contains(QStringLiteral("„Baugebiet“ hat kein Koordinatensystem")));
    QVERIFY(refused.features.isEmpty());
    const PlanReading named = readGuessed(file, QStringLiteral("EPSG:31287"));
    QVERIFY(named.problems.isEmpty());
    compareRelative(named.measures.baugebietM2, 10000, 1e-6);
}

void TestPlanReader::networksAndTypes() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("netze.gpkg"));
    // Attributes named "Sparte" and "Gebäudetyp" are found by the guess; values in any spelling.
    FixtureLayer lines{QStringLiteral("Straßenachse"), 31287, {QStringLiteral("Sparte")}, {}};
    lines.features = {
        {fixtureLine({{0, 0}, {100, 0}}), {{QStringLiteral("Sparte"), QStringLiteral("Wasserleitung")}}},
        {fixtureLine({{0, 10}, {30, 10}}), {{QStringLiteral("Sparte"), QStringLiteral("KANAL")}}},
        {fixtureLine({{0, 20}, {40, 20}}), {}}};
    FixtureLayer plots{QStringLiteral("BAUPLÄTZE"), 31287, {QStringLiteral("Gebäudetyp")}, {}};
    for (int i = 0; i < 3; ++i)
        plots.features.append({QStringLiteral("POINT (%1)").arg(fixturePoints({{5.0 + 10 * i, 50}})),
                               {{QStringLiteral("Gebäudetyp"), QStringLiteral("efhg")}}});
    plots.features.append({QStringLiteral("POINT (%1)").arg(fixturePoints({{10, 60}})),
                           {{QStringLiteral("Gebäudetyp"), QStringLiteral("RHg")}}});
    QVERIFY(writePlanFixture(file, "GPKG", {lines, plots}).isEmpty());
    QString error;
    PlanAssignment a = guessAssignment(planLayers(file, &error));
    QCOMPARE(a.layerRoles.value(QStringLiteral("Straßenachse")), PlanRole::Leitung);
    QCOMPARE(a.layerRoles.value(QStringLiteral("BAUPLÄTZE")), PlanRole::Bauplatz);
    PlanReading r = readPlan(file, a, false, &error);
    QCOMPARE(r.measures.leitungM.value(QStringLiteral("Wasser")), 100.0 + 40);
    QCOMPARE(r.measures.leitungM.value(QStringLiteral("Kanal")), 30.0 + 40);
    QCOMPARE(r.measures.leitungM.value(QStringLiteral("Gas")), 40.0);
    QCOMPARE(r.measures.bauplaetze.value(QStringLiteral("EFHg")), 3);
    QCOMPARE(r.measures.bauplaetze.value(QStringLiteral("RHg")), 1);
    // Points at x 5, 15, 25 and y 50, one at (10, 60): 30 and 40 m from the nearest line (y 20).
    QCOMPARE(r.measures.anschlussM, 3 * 30.0 + 40);
    // Without lines for every network only the named ones count.
    a.unnamedLinesForAllNetworks = false;
    r = readPlan(file, a, false, &error);
    QCOMPARE(r.measures.leitungM.value(QStringLiteral("Wasser")), 100.0);
    QVERIFY(!r.measures.leitungM.contains(QStringLiteral("Gas")));
    // The sewer alone lies at y 10: 40 m from the three points, 50 m from the fourth.
    QCOMPARE(r.measures.anschlussNetzM.value(QStringLiteral("Kanal")), 3 * 40.0 + 50);
}

void TestPlanReader::geometryTypeNames_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    // The layer list shows German names; 2.5D and measured variants name their plain type.
    QTest::newRow("Polygon") << int(wkbPolygon) << QStringLiteral("Fläche");
    QTest::newRow("Polygon 2.5D") << int(wkbPolygon25D) << QStringLiteral("Fläche");
    QTest::newRow("MultiLineString M") << int(wkbMultiLineStringM) << QStringLiteral("Linien");
    QTest::newRow("Point ZM") << int(wkbPointZM) << QStringLiteral("Punkt");
    QTest::newRow("Unknown") << int(wkbUnknown) << QStringLiteral("gemischt");
}

void TestPlanReader::geometryTypeNames() {
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(planGeometryTypeName(type), name);
}

QTEST_GUILESS_MAIN(TestPlanReader)
#include "test_plan_reader.moc"
