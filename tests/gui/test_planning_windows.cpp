// The tornado on the Szenarien page and the window "Gemeindeübersicht", driven through their widgets.

#include <cmath>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include "core/projects/CalculationState.h"
#include "core/services/CalculationRun.h"
#include "gui/common/PaintedChart.h"
#include "gui/projects/MunicipalityOverviewWindow.h"
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

// Types text into a cell of a table through its editor, as a user does.
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
    QCoreApplication::processEvents();
}

// Pixels of the image that are neither white nor grey: the coloured bars.
int colouredPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - c.green()) > 40 || std::abs(c.green() - c.blue()) > 40)
                ++count;
        }
    return count;
}

} // namespace

class PlanningWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void tornadoFollowsTheParameterSets() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        runCalculation(db.dbs(), id);
        ScenarioPanel panel(db.dbs());
        panel.setRuns(20);
        panel.resize(1000, 1400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.showProject(id);
        QCOMPARE(panel.tornado().bars.size(), Scenarios::parameterNames().size());
        QVERIFY(panel.tornadoChart()->hasChart());
        QVERIFY(colouredPixels(panel.tornadoChart()->image()) > 50);
        // The tornado's own balance is the page's base figure.
        QVERIFY(
            std::abs(
                panel.tornado().saldoBasis -
                germanNumber(
                    panel.figureTable()->item(ScenarioPanel::SaldoRow, ScenarioPanel::BasisColumn)->text())) <
            0.006);

        // Construction costs tripled in the pessimistic set: that bar becomes the widest, its balance
        // below the project's own.
        const int costRow = Scenarios::parameterNames().indexOf(QStringLiteral("Baukosten_Prozent"));
        typeInto(panel.parameterTable(), costRow, ScenarioPanel::PessimisticSet, QStringLiteral("200"));
        const Sensitivity::Bar& first = panel.tornado().bars.first();
        QCOMPARE(first.parameter, QStringLiteral("Baukosten_Prozent"));
        QCOMPARE(first.pessimisticValue, 200.0);
        QVERIFY(first.saldoPessimistic < panel.tornado().saldoBasis);
    }

    void municipalityOverviewWindow() {
        TestDb db;
        const int nordAlt = db.insertProject(
            {{"PG", 301}, {"Projekt", "Nord"}, {"Beschreibung", "alt"}, {"Bezugsjahr", 2019}});
        const int nord = db.insertProject(
            {{"PG", 301}, {"Projekt", "Nord"}, {"Beschreibung", "neu"}, {"Bezugsjahr", 2019}});
        const int sued = db.insertProject({{"PG", 301}, {"Projekt", "Süd"}, {"Bezugsjahr", 2021}});
        db.book(nordAlt, 1, "Verkehr", "Straße", "Gemeinde", 5000, 0);
        db.book(nord, 1, "Verkehr", "Straße", "Gemeinde", 1000, 0);
        db.book(nord, 2, "Steuern", "Grundsteuer", "Gemeinde", 0, 300);
        db.book(sued, 1, "Steuern", "Grundsteuer", "Gemeinde", 0, 200.10);
        CalculationState::store(db.user(), nordAlt);
        CalculationState::store(db.user(), nord);

        MunicipalityOverviewWindow window(db.dbs(), 301);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableWidget* choices = window.choiceTable();
        QCOMPARE(choices->rowCount(), 2);
        auto* variant =
            qobject_cast<QComboBox*>(choices->cellWidget(0, MunicipalityOverviewWindow::VariantColumn));
        auto* start =
            qobject_cast<QSpinBox*>(choices->cellWidget(1, MunicipalityOverviewWindow::StartColumn));
        QVERIFY(variant && start);
        QCOMPARE(variant->currentData().toInt(), nord); // the one calculated last
        QCOMPARE(start->value(), 2022);
        // Süd has no fingerprint: marked as changed.
        QCOMPARE(choices->item(1, MunicipalityOverviewWindow::StateColumn)->text(),
                 CalculationState::text(CalculationState::State::Changed));

        // Süd three years after Nord: 2020 -1000, 2021 +300, 2023 +200.10.
        start->setValue(2023);
        QTableWidget* years = window.yearTable();
        QCOMPARE(window.overview().firstYear, 2020);
        QCOMPARE(years->rowCount(), 2042 - 2020 + 1);
        const int saldoColumn = years->columnCount() - 2;
        const int cumulativeColumn = years->columnCount() - 1;
        QCOMPARE(years->item(3, 0)->text(), QStringLiteral("2023"));
        QVERIFY(std::abs(germanNumber(years->item(3, saldoColumn)->text()) - 200.10) < 0.005);
        QVERIFY(std::abs(germanNumber(years->item(3, cumulativeColumn)->text()) - (-499.90)) < 0.005);
        QVERIFY(colouredPixels(window.chart()->image()) > 20);

        // The older variant of Nord: its 5000 in its default year 2020.
        variant->setCurrentIndex(variant->findData(nordAlt));
        QVERIFY(std::abs(germanNumber(years->item(0, saldoColumn)->text()) + 5000) < 0.005);
        QVERIFY(window.summaryLabel()->text().contains(QStringLiteral("2020")));

        // A municipality without calculated projects.
        window.municipalityBox()->setValue(302);
        QCOMPARE(choices->rowCount(), 0);
        QCOMPARE(years->rowCount(), 0);
    }
};

QTEST_MAIN(PlanningWindowsTest)
#include "test_planning_windows.moc"
