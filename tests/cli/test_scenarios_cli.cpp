// tavo-cli szenarien and breakeven: the JSON they write, the same numbers for the same seed, and a
// user database left as it was.

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "core/data/Sql.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

using CliResult = CliOutput;

CliResult runCli(const TestDb& db, const QString& command, const QStringList& args) {
    return tavo::runCli(QStringList{command, "--master", db.masterPath(), "--user", db.userPath()} + args);
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestScenariosCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scenariosJson();
    void breakEvenJson();
};

void TestScenariosCli::scenariosJson() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    const QString project = QString::number(id);
    db.reopen(); // the upgrade on opening has nothing left to do: the file stays as it is from here on
    const QByteArray before = fileHash(db.userPath());
    QVERIFY(!before.isEmpty());
    const QStringList args{"--project", project, "--laeufe", "40", "--seed", "11", "--format", "json"};
    const CliResult r = runCli(db, "szenarien", args);
    QCOMPARE(r.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    for (const char* name : {"basis", "optimistisch", "pessimistisch"}) {
        const QJsonObject figures = root[name].toObject();
        QCOMPARE(figures["id"].toInt(), id);
        QVERIFY(figures["saldo"].isDouble());
        QVERIFY(figures["barwert"].isDouble());
        QCOMPARE(figures["kumuliert"].toArray().size(), 20);
    }
    const double basis = root["basis"].toObject()["saldo"].toDouble();
    QVERIFY(root["optimistisch"].toObject()["saldo"].toDouble() > basis);
    QVERIFY(root["pessimistisch"].toObject()["saldo"].toDouble() < basis);
    const QJsonObject verteilung = root["verteilung"].toObject();
    QCOMPARE(verteilung["laeufe"].toInt(), 40);
    for (const char* figure : {"saldo", "barwert", "amortisationsjahr"}) {
        const QJsonObject p = verteilung[figure].toObject();
        QVERIFY2(p.contains("p10") && p.contains("p50") && p.contains("p90"), figure);
    }
    const QJsonObject saldo = verteilung["saldo"].toObject();
    QVERIFY(saldo["p10"].toDouble() <= saldo["p50"].toDouble());
    QVERIFY(saldo["p50"].toDouble() <= saldo["p90"].toDouble());
    // The same seed gives the same numbers; the user database is byte for byte what it was.
    QCOMPARE(runCli(db, "szenarien", args).out, r.out);
    QCOMPARE(fileHash(db.userPath()), before);

    const CliResult text = runCli(db, "szenarien", {"--project", project, "--laeufe", "10"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.contains("pessimistisch"));
    QCOMPARE(runCli(db, "szenarien", {"--project", project, "--laeufe", "0"}).exitCode, 2);
    QCOMPARE(runCli(db, "szenarien", {"--project", "999"}).exitCode, 2);
}

void TestScenariosCli::breakEvenJson() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    const QString project = QString::number(id);
    db.reopen();
    const QByteArray before = fileHash(db.userPath());
    QVERIFY(!before.isEmpty());
    CliResult r = runCli(db, "breakeven", {"--project", project, "--feld", "gsHebesatz", "--format", "json"});
    QCOMPARE(r.exitCode, 0);
    QJsonObject root = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(root["feld"].toString(), QString("gsHebesatz"));
    QVERIFY(root["wert"].isDouble());
    QVERIFY(std::fabs(root["saldo_bei_wert"].toDouble()) < 0.01);
    QVERIFY(root["wert"].toDouble() != root["wert_aktuell"].toDouble());

    r = runCli(db, "breakeven",
               {"--project", project, "--feld", "auEinheitssatzKanalMisch", "--format", "json", "--ziel",
                "barwert"});
    QCOMPARE(r.exitCode, 0);
    root = QJsonDocument::fromJson(r.out).object();
    QVERIFY(root["wert"].isNull());
    QVERIFY(root["saldo_bei_wert"].isNull());
    r = runCli(db, "breakeven", {"--project", project, "--feld", "auEinheitssatzKanalMisch"});
    QVERIFY(r.out.contains("nicht erreichbar"));
    QCOMPARE(runCli(db, "breakeven", {"--project", project, "--feld", "PG"}).exitCode, 2);
    QCOMPARE(fileHash(db.userPath()), before);
}

QTEST_GUILESS_MAIN(TestScenariosCli)
#include "test_scenarios_cli.moc"
