// The tornado: each scenario parameter alone at its two extremes, sorted by the width of its effect,
// and in agreement with the break-even search.

#include <algorithm>
#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/engine/EngineInput.h"
#include "core/scenarios/BreakEven.h"
#include "core/scenarios/Sensitivity.h"
#include "support/CliRun.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kInterest = QStringLiteral("Zinsen_Prozentpunkte");
const QString kRates = QStringLiteral("Abgaben_Gebuehren_Steuern_Prozent");

// Small changes for every parameter, the rates ±40 %; interest lowered by 1 or 0.5 points, which on
// rates of 0 % stays 0 % either way (rates never go below 0).
Scenarios::Settings ratesDominate() {
    Scenarios::Settings s;
    s.optimistic.settlementShiftYears = 0;
    s.pessimistic.settlementShiftYears = 1;
    s.optimistic.settlementStretch = 0.98;
    s.pessimistic.settlementStretch = 1.02;
    s.optimistic.constructionCostPercent = -1;
    s.pessimistic.constructionCostPercent = 1;
    s.optimistic.maintenanceCostPercent = -1;
    s.pessimistic.maintenanceCostPercent = 1;
    s.optimistic.interestPoints = -1;
    s.pessimistic.interestPoints = -0.5;
    s.optimistic.inhabitantsPercent = 1;
    s.pessimistic.inhabitantsPercent = -1;
    s.optimistic.ratesPercent = 40;
    s.pessimistic.ratesPercent = -40;
    return s;
}

} // namespace

class TestSensitivity : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noEffectIsZeroWidthAndDominantComesFirst();
    void ratesNearTheirBreakEvenCrossZero();
    void cliSensitivitaet();
};

void TestSensitivity::noEffectIsZeroWidthAndDominantComesFirst() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET fiZinsenSoll = 0, fiZinsenHaben = 0 WHERE ID = ?"),
              {id});
    const EngineInput base = EngineInput::load(db.dbs(), id);
    const Sensitivity::Tornado t = Sensitivity::compute(base, ratesDominate(), KeyFigureOptions());
    QCOMPARE(t.bars.size(), Scenarios::parameterNames().size());
    QCOMPARE(t.bars.first().parameter, kRates);
    for (int i = 1; i < t.bars.size(); ++i)
        QVERIFY(t.bars[i - 1].saldoWidth() >= t.bars[i].saldoWidth());
    const Sensitivity::Bar& interest = t.bars.last();
    QCOMPARE(interest.parameter, kInterest);
    QCOMPARE(interest.saldoWidth(), 0.0);
    QCOMPARE(interest.barwertWidth(), 0.0);
    // Alone means alone: the bar of no effect sits on the project's own balance.
    QCOMPARE(interest.saldoOptimistic, t.saldoBasis);
    for (int i = 0; i + 1 < t.bars.size(); ++i)
        QVERIFY2(t.bars[i].saldoWidth() > 1.0, qPrintable(t.bars[i].parameter));
    // Without interest the rates act linearly on the revenue, so ±40 % move the balance by the same
    // amount either way.
    const Sensitivity::Bar& rates = t.bars.first();
    QVERIFY(rates.saldoOptimistic > t.saldoBasis);
    QVERIFY(std::fabs((rates.saldoOptimistic - t.saldoBasis) - (t.saldoBasis - rates.saldoPessimistic)) <
            0.01);
}

// A project whose property-tax multiplier lies 2 % above its break-even: its balance is so near zero
// that every rate the rates parameter moves lies within a few percent of its own break-even. The
// rates' bar of the built-in sets (±5 % on every rate) reaches past those break-evens on both sides,
// so it must cross zero: the tornado and the break-even search agree on where the balance turns.
// Which bar is widest depends on each parameter's range as well, so the order is not asserted.
void TestSensitivity::ratesNearTheirBreakEvenCrossZero() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET fiZinsenSoll = 0, fiZinsenHaben = 0 WHERE ID = ?"),
              {id});
    BreakEven::Request request;
    request.field = QStringLiteral("gsHebesatz");
    const BreakEven::Result own = BreakEven::find(EngineInput::load(db.dbs(), id), request);
    QVERIFY(own.value && *own.value > 0);
    Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET gsHebesatz = ? WHERE ID = ?"),
              {*own.value * 1.02, id});
    const EngineInput base = EngineInput::load(db.dbs(), id);

    for (const char* field :
         {"gsHebesatz", "auHebesatzAufschl", "auEinheitssatzKanalSchmutz", "auEinheitssatzWasser"}) {
        request.field = QString::fromUtf8(field);
        const BreakEven::Result r = BreakEven::find(base, request);
        QVERIFY2(r.value && r.currentValue > 0, field);
        const double distance = (r.currentValue - *r.value) / r.currentValue;
        QVERIFY2(distance > 0 && distance < 0.03,
                 qPrintable(QStringLiteral("%1: %2").arg(field).arg(distance)));
    }

    const Sensitivity::Tornado t =
        Sensitivity::compute(base, Scenarios::builtInSettings(), KeyFigureOptions());
    QVERIFY(t.saldoBasis > 0);
    const auto rates = std::find_if(t.bars.begin(), t.bars.end(),
                                    [](const Sensitivity::Bar& bar) { return bar.parameter == kRates; });
    QVERIFY(rates != t.bars.end());
    QVERIFY(rates->saldoOptimistic > t.saldoBasis);
    QVERIFY(rates->saldoPessimistic < 0);
}

void TestSensitivity::cliSensitivitaet() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    const CliOutput json =
        runCli({"sensitivitaet", "--master", db.masterPath(), "--user", db.userPath(), "--project",
                QString::number(id), "--format", "json", "--zinssatz", "2,5"});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(root.value("zinssatz").toDouble(), 2.5);
    QCOMPARE(root.value("stammdaten").toObject().value("beispiel").toBool(), true);
    const QJsonArray bars = root.value("parameter").toArray();
    QCOMPARE(bars.size(), Scenarios::parameterNames().size());
    for (int i = 1; i < bars.size(); ++i)
        QVERIFY(bars[i - 1].toObject().value("saldo_breite").toDouble() >=
                bars[i].toObject().value("saldo_breite").toDouble());
    const CliOutput csv = runCli({"sensitivitaet", "--master", db.masterPath(), "--user", db.userPath(),
                                  "--project", QString::number(id), "--format", "csv"});
    QCOMPARE(csv.exitCode, 0);
    // Header, the base line and one line per parameter.
    QCOMPARE(csv.out.count("\r\n"), 2 + bars.size());
    // The text names the master data, so that figures of the invented example are never taken as real.
    const CliOutput text = runCli({"sensitivitaet", "--master", db.masterPath(), "--user", db.userPath(),
                                   "--project", QString::number(id)});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.endsWith("\n\nStammdaten: Beispieldaten (fiktives Land Talland), Stand 2024 – "
                               "erfundene Zahlen, keine echte Gemeinde\n"),
             text.out.constData());
    QCOMPARE(runCli({"sensitivitaet", "--project", "1", "--format", "xlsx"}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestSensitivity)
#include "test_sensitivity.moc"
