// tavo-cli plan (handed over to tavo-plan): the figures and changes of a plan file, applied with
// --anwenden; plans without reference system or with invalid geometry refused with exit code 2.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "core/plan/PlanStore.h"
#include "core/projects/ProjectRecords.h"
#include "support/CliRun.h"
#include "support/PlanFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Baugebiet 100 x 100 = 10,000 m², street 100 x 10 = 1,000 m², a water main of 100 m along it and a
// plot 10 m from it.
QVector<FixtureLayer> plan(int epsg) {
    return {{QStringLiteral("Baugebiet"), epsg, {}, {{fixtureRect(0, 0, 100, 100), {}}}},
            {QStringLiteral("Verkehrsflaeche"), epsg, {}, {{fixtureRect(0, 45, 100, 55), {}}}},
            {QStringLiteral("Leitung"),
             epsg,
             {QStringLiteral("Netz")},
             {{fixtureLine({{0, 50}, {100, 50}}), {{QStringLiteral("Netz"), QStringLiteral("Wasser")}}}}},
            {QStringLiteral("Bauplatz"), epsg, {}, {{fixtureRect(10, 65, 30, 85), {}}}}};
}

QStringList planArgs(const TestDb& db, int project, const QString& file) {
    return {QStringLiteral("plan"),
            QStringLiteral("--master"),
            db.masterPath(),
            QStringLiteral("--user"),
            db.userPath(),
            QStringLiteral("--project"),
            QString::number(project),
            QStringLiteral("--datei"),
            file};
}

} // namespace

class TestPlanCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void previewThenApply();
    void refusals();
};

void TestPlanCli::previewThenApply() {
    TestDb db;
    const int project = db.insertProject({{QStringLiteral("bgFlBaulandBrutto"), 5000}});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plan.gpkg"));
    QVERIFY(writePlanFixture(file, "GPKG", plan(4326)).isEmpty());

    const CliOutput preview =
        runCli(planArgs(db, project, file) << QStringLiteral("--format") << QStringLiteral("json"));
    QVERIFY2(preview.exitCode == 0, qPrintable(preview.err));
    const QJsonObject root = QJsonDocument::fromJson(preview.out).object();
    const QJsonObject figures = root.value(QStringLiteral("messwerte")).toObject();
    QVERIFY(std::abs(figures.value(QStringLiteral("baugebiet_m2")).toDouble() - 10000) < 10);
    QVERIFY(std::abs(figures.value(QStringLiteral("anschluss_lfm")).toDouble() - 15) < 0.015);
    QCOMPARE(root.value(QStringLiteral("koordinatensystem")).toString(), QStringLiteral("EPSG:31287"));
    QStringList changed;
    for (const QJsonValue& change : root.value(QStringLiteral("aenderungen")).toArray())
        changed << change.toObject().value(QStringLiteral("feld")).toString();
    QVERIFY(changed.contains(QStringLiteral("bgFlBaulandBrutto")));
    QVERIFY(changed.contains(QStringLiteral("ifLfmAnschlWasserleitung")));
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("bgFlBaulandBrutto")).toDouble(), 5000.0);

    const CliOutput applied = runCli(planArgs(db, project, file) << QStringLiteral("--anwenden"));
    QVERIFY2(applied.exitCode == 0, qPrintable(applied.err));
    QVERIFY(applied.out.contains("Übernommen in Projekt"));
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("bgFlBaulandBrutto")).toDouble(), 10000.0);
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("bgFlVerkehrsflächen")).toDouble(), 1000.0);
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("ifLfmWasserleitung")).toInt(), 100);
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("ifLfmAnschlWasserleitung")).toInt(), 15);
    QVERIFY(PlanStore::planMarks(db.user(), project)
                .value(QStringLiteral("ifLfmWasserleitung"))
                .startsWith(QStringLiteral("aus Plan: plan.gpkg, Leitung, ")));
    // The assignment is remembered for the file.
    QCOMPARE(PlanStore::rememberedAssignment(db.user(), file).layerRoles.value(QStringLiteral("Bauplatz")),
             PlanRole::Bauplatz);
}

void TestPlanCli::refusals() {
    TestDb db;
    const int project = db.insertProject({{QStringLiteral("bgFlBaulandBrutto"), 5000}});
    QTemporaryDir dir;
    const QString noCrs = dir.filePath(QStringLiteral("ohne.gpkg"));
    QVERIFY(writePlanFixture(noCrs, "GPKG", plan(0)).isEmpty());
    const CliOutput refused = runCli(planArgs(db, project, noCrs) << QStringLiteral("--anwenden"));
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("„Baugebiet“ hat kein Koordinatensystem")),
             qPrintable(refused.err));
    QCOMPARE(projectValue(db.user(), project, QStringLiteral("bgFlBaulandBrutto")).toDouble(), 5000.0);
    const CliOutput named =
        runCli(planArgs(db, project, noCrs) << QStringLiteral("--crs") << QStringLiteral("EPSG:31287"));
    QVERIFY2(named.exitCode == 0, qPrintable(named.err));

    const QString bowtie = dir.filePath(QStringLiteral("schleife.gpkg"));
    QVERIFY(writePlanFixture(bowtie, "GPKG",
                             {{QStringLiteral("Baugebiet"),
                               31287,
                               {},
                               {{QStringLiteral("POLYGON ((%1))")
                                     .arg(fixturePoints({{0, 0}, {100, 100}, {100, 0}, {0, 100}, {0, 0}})),
                                 {}}}}})
                .isEmpty());
    const CliOutput invalid = runCli(planArgs(db, project, bowtie));
    QCOMPARE(invalid.exitCode, 2);
    QVERIFY2(invalid.err.contains(QStringLiteral("„Baugebiet“, Objekt 1")), qPrintable(invalid.err));
    QVERIFY(invalid.err.contains(QStringLiteral("--reparieren")));
    const CliOutput repaired = runCli(planArgs(db, project, bowtie) << QStringLiteral("--reparieren"));
    QVERIFY2(repaired.exitCode == 0, qPrintable(repaired.err));
}

QTEST_GUILESS_MAIN(TestPlanCli)
#include "test_plan_cli.moc"
