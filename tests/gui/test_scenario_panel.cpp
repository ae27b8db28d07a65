// The scenario tab: its figures against the written ledger, editing the parameter sets, the range,
// the break-even question and the sets stored with the project.

#include <cmath>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/scenarios/Scenarios.h"
#include "gui/results/ScenarioPanel.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

double germanNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale(QLocale::German, QLocale::Germany).toDouble(text, &ok);
    return ok ? value : qQNaN();
}

double cell(const ScenarioPanel& panel, int row, int column) {
    return germanNumber(panel.figureTable()->item(row, column)->text());
}

// Revenue minus expenditure of the project's years 1..20, per year, by SQL over the written ledger;
// bearer empty: all cost bearers.
QVector<double> ledgerBalances(TestDb& db, int id, const QString& bearer) {
    QVector<double> years(21, 0.0);
    QString sql = QStringLiteral("SELECT Jahr, Total(Einnahme) - Total(Ausgabe) FROM Auswertung "
                                 "WHERE TAVO = ? AND Jahr BETWEEN 1 AND 20");
    QVariantList params{id};
    if (!bearer.isEmpty()) {
        sql += QStringLiteral(" AND Kostenträger = ?");
        params << bearer;
    }
    QSqlQuery q = Sql::exec(db.user(), sql + QStringLiteral(" GROUP BY Jahr"), params);
    while (q.next())
        years[q.value(0).toInt()] = q.value(1).toDouble();
    return years;
}

double total(const QVector<double>& years) {
    double sum = 0;
    for (double v : years)
        sum += v;
    return sum;
}

// Types text into a cell of the parameter table through its editor, as a user does.
void typeInto(QTableWidget* table, int row, int column, const QString& text) {
    QTableWidgetItem* item = table->item(row, column);
    QVERIFY(item);
    table->setCurrentItem(item);
    table->editItem(item);
    QLineEdit* editor = nullptr;
    for (QLineEdit* open : table->findChildren<QLineEdit*>())
        if (open->isVisible())
            editor = open;
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the editor's text with a queued call.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void waitForRange(ScenarioPanel& panel) {
    if (!panel.rangePending())
        return;
    QSignalSpy shown(&panel, &ScenarioPanel::rangeShown);
    QVERIFY(shown.wait(60000));
}

} // namespace

class ScenarioPanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void figuresRangeEditingAndStoredSets() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        auto panel = std::make_unique<ScenarioPanel>(db.dbs());
        panel->setRuns(200);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));

        // Before the first calculation only the hint shows.
        panel->showProject(id);
        QCOMPARE(panel->stack()->currentIndex(), 0);

        runCalculation(db.dbs(), id);
        panel->showProject(id);
        QCOMPARE(panel->stack()->currentIndex(), 1);

        // Basis: the 20-year balance and the net present value at 3 % of the cost bearer Gemeinde.
        const QVector<double> gemeinde = ledgerBalances(db, id, QStringLiteral("Gemeinde"));
        double barwert = 0;
        for (int year = 1; year <= 20; ++year)
            barwert += gemeinde[year] / std::pow(1.03, year);
        QVERIFY(std::abs(total(gemeinde)) > 1000);
        QVERIFY(std::abs(cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::BasisColumn) - total(gemeinde)) < 0.006);
        QVERIFY(std::abs(cell(*panel, ScenarioPanel::BarwertRow, ScenarioPanel::BasisColumn) - barwert) < 0.006);
        // The chart's base line is the cumulative balance.
        QCOMPARE(panel->baseSeries()->count(), 20);
        QVERIFY(std::abs(panel->baseSeries()->at(19).y() - total(gemeinde)) < 0.01);
        QVERIFY(std::abs(panel->baseSeries()->at(0).y() - gemeinde[1]) < 0.01);

        // All cost bearers together.
        waitForRange(*panel);
        panel->costBearerCombo()->setCurrentIndex(panel->costBearerCombo()->findText(QStringLiteral("alle")));
        const double all = total(ledgerBalances(db, id, QString()));
        QVERIFY(std::abs(cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::BasisColumn) - all) < 0.006);
        panel->costBearerCombo()->setCurrentIndex(panel->costBearerCombo()->findText(QStringLiteral("Gemeinde")));

        // The range arrives in the background: ordered percentiles and a band of 20 years.
        waitForRange(*panel);
        for (int row : {ScenarioPanel::SaldoRow, ScenarioPanel::BarwertRow}) {
            const double p10 = cell(*panel, row, ScenarioPanel::P10Column);
            const double p50 = cell(*panel, row, ScenarioPanel::P50Column);
            const double p90 = cell(*panel, row, ScenarioPanel::P90Column);
            QVERIFY2(p10 <= p50 && p50 <= p90, qPrintable(QStringLiteral("%1 %2 %3").arg(p10).arg(p50).arg(p90)));
            QVERIFY(p10 < p90);
        }
        QCOMPARE(panel->lowSeries()->count(), 20);
        QCOMPARE(panel->highSeries()->count(), 20);
        for (int i = 0; i < 20; ++i)
            QVERIFY(panel->lowSeries()->at(i).y() <= panel->highSeries()->at(i).y());

        // Dearer construction in the pessimistic set lowers the pessimistic balance and nothing else.
        const int costRow = Scenarios::parameterNames().indexOf(QStringLiteral("Baukosten_Prozent"));
        QVERIFY(costRow >= 0);
        const double costBefore = panel->settings().pessimistic.constructionCostPercent;
        const double basis = cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::BasisColumn);
        const double optimistic = cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::OptimisticColumn);
        const double pessimistic = cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::PessimisticColumn);
        typeInto(panel->parameterTable(), costRow, ScenarioPanel::PessimisticSet,
                 QLocale().toString(costBefore + 10.5));
        QCOMPARE(panel->settings().pessimistic.constructionCostPercent, costBefore + 10.5);
        QVERIFY(cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::PessimisticColumn) < pessimistic - 1);
        QCOMPARE(cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::BasisColumn), basis);
        QCOMPARE(cell(*panel, ScenarioPanel::SaldoRow, ScenarioPanel::OptimisticColumn), optimistic);

        // A text that is no number changes nothing and says so.
        typeInto(panel->parameterTable(), costRow, ScenarioPanel::OptimisticSet, QStringLiteral("viel"));
        QVERIFY(!panel->messageLabel()->text().isEmpty());
        QCOMPARE(panel->settings().optimistic.constructionCostPercent,
                 Scenarios::builtInSettings().optimistic.constructionCostPercent);
        QCOMPARE(germanNumber(panel->parameterTable()->item(costRow, ScenarioPanel::OptimisticSet)->text()),
                 Scenarios::builtInSettings().optimistic.constructionCostPercent);
        waitForRange(*panel);

        // The sets are stored with the project: a new panel on reopened databases shows them.
        panel.reset();
        db.reopen();
        ScenarioPanel reopened(db.dbs());
        reopened.setRuns(50);
        reopened.showProject(id);
        QCOMPARE(germanNumber(reopened.parameterTable()->item(costRow, ScenarioPanel::PessimisticSet)->text()),
                 costBefore + 10.5);
        QCOMPARE(reopened.settings().pessimistic.constructionCostPercent, costBefore + 10.5);
        waitForRange(reopened);
    }

    void breakEvenOfTheTaxRate() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        runCalculation(db.dbs(), id);
        ScenarioPanel panel(db.dbs());
        panel.setRuns(50);
        panel.showProject(id);
        const int index = panel.breakEvenFieldCombo()->findData(QStringLiteral("gsHebesatz"));
        QVERIFY(index >= 0);
        panel.breakEvenFieldCombo()->setCurrentIndex(index);
        QTest::mouseClick(panel.breakEvenButton(), Qt::LeftButton);
        const QString text = panel.breakEvenResult()->text();
        QVERIFY(!text.isEmpty());
        if (text == QStringLiteral("nicht erreichbar"))
            return;
        // The value found: the written run with the rate a cent below and above it brackets a zero
        // balance of the Gemeinde.
        const double value = germanNumber(text.section(QLatin1Char(' '), 0, 0));
        QVERIFY(std::isfinite(value));
        double balances[2];
        for (int i = 0; i < 2; ++i) {
            Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET gsHebesatz = ? WHERE ID = ?"),
                      {value + (i == 0 ? -0.01 : 0.01), id});
            runCalculation(db.dbs(), id);
            balances[i] = total(ledgerBalances(db, id, QStringLiteral("Gemeinde")));
        }
        QVERIFY2(balances[0] * balances[1] <= 0, qPrintable(QStringLiteral("%1 %2").arg(balances[0]).arg(balances[1])));
        waitForRange(panel);
    }
};

QTEST_MAIN(ScenarioPanelTest)
#include "test_scenario_panel.moc"
