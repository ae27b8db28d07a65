// Results older than the inputs: the bar on the result pages with its "Berechnen", the question of
// "Bericht..." and the refresh of an open window after a run of its project elsewhere.

#include <QApplication>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecord.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/ReportAction.h"
#include "gui/mainwindow/ReportOptionsDialog.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "gui/results/KeyFiguresPanel.h"
#include "gui/results/OutdatedBar.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using State = CalculationState::State;

namespace {

QString shown(KeyFiguresPanel& panel, const QString& caption) {
    QTableWidget* table = panel.table();
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == caption)
            return table->item(r, 1)->text();
    return QString();
}

// The municipality's balance of years 1 to 20 straight from the ledger, as the page shows it.
QString ledgerSaldo(TestDb& db, int id) {
    const double saldo =
        Sql::scalar(db.user(),
                    QStringLiteral("SELECT Total(Einnahme) - Total(Ausgabe) FROM Auswertung WHERE "
                                   "TAVO = ? AND Kostenträger = 'Gemeinde' AND Jahr BETWEEN 1 AND 20"),
                    {id})
            .toDouble();
    return QLocale().toString(saldo, 'f', 2);
}

int shownBars(MainWindow& window) {
    int n = 0;
    for (OutdatedBar* bar : window.resultPages()->outdatedBars())
        n += bar->isHidden() ? 0 : 1;
    return n;
}

// Answers the modal windows while it lives: each message box by the next caption in the list (its
// text is kept), a print preview by noting its pages and closing it.
class ModalAnswers {
public:
    explicit ModalAnswers(QStringList captions) : m_captions(std::move(captions)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start(20);
    }
    QStringList texts;
    int previewPages = -1;

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            texts << box->text();
            if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOTS"))
                box->grab().save(QStringLiteral("/tmp/tavo_bericht_frage.png"));
            const QString caption = m_captions.isEmpty() ? QStringLiteral("?") : m_captions.takeFirst();
            for (QAbstractButton* button : box->buttons())
                if (button->text().remove(QLatin1Char('&')) == caption) {
                    button->click();
                    return;
                }
            texts << QStringLiteral("kein Knopf ") + caption;
            box->reject();
        } else if (auto* options = qobject_cast<ReportOptionsDialog*>(modal)) {
            options->accept(); // the report with the offered cost bearer and rate
        } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            if (auto* widget = preview->findChild<QPrintPreviewWidget*>())
                previewPages = widget->pageCount();
            preview->reject();
        }
    }
    QStringList m_captions;
    QTimer m_timer;
};

} // namespace

class OutdatedMarksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void barFollowsTheInputs();
    void reportAsksAboutOutdatedResults();
    void openWindowFollowsARunElsewhere();
};

void OutdatedMarksTest::barFollowsTheInputs() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    MainWindow window(db.dbs());
    window.setProjectId(id);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(shownBars(window), 0);

    // An input typed but not saved makes the shown results old already; saved, it stays so.
    QVERIFY(window.editProjectRow());
    window.record().setValue(QStringLiteral("bgFlBaulandBrutto"),
                             window.record().value(QStringLiteral("bgFlBaulandBrutto")).toDouble() * 1.125);
    QCOMPARE(shownBars(window), 3);
    QVERIFY(window.saveProject());
    QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
    QCOMPARE(shownBars(window), 3);
    const int page = window.pages()->count() - 3; // before Szenarien and Plan
    window.pages()->setCurrentIndex(page);
    KeyFiguresPanel* panel = window.resultPages()->keyFiguresPanel();
    OutdatedBar* bar = window.resultPages()->outdatedBars()[2];
    QVERIFY(bar->isVisible());
    if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOTS"))
        window.grab().save(QStringLiteral("/tmp/tavo_veraltet.png"));
    const QString old = shown(*panel, "Saldo");
    QCOMPARE(old, ledgerSaldo(db, id));

    // The bar's "Berechnen" is the window's: the results are current again and shown.
    ModalAnswers answers({});
    QTest::mouseClick(bar->calculateButton(), Qt::LeftButton);
    QCOMPARE(answers.texts, QStringList());
    QCOMPARE(CalculationState::of(db.user(), id), State::Current);
    QCOMPARE(shownBars(window), 0);
    QCOMPARE(shown(*panel, "Saldo"), ledgerSaldo(db, id));
    QVERIFY(shown(*panel, "Saldo") != old);

    // A change saved by someone else shows when a result page comes into view.
    Sql::exec(db.user(), QStringLiteral("UPDATE Besiedelung SET EFHg = EFHg + 1 WHERE TAVO = ? AND Jahr = 2"),
              {id});
    window.pages()->setCurrentIndex(0);
    window.pages()->setCurrentIndex(page);
    QCOMPARE(shownBars(window), 3);
}

void OutdatedMarksTest::reportAsksAboutOutdatedResults() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    MainWindow window(db.dbs());
    window.setProjectId(id);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* report = window.findChild<ReportAction*>();
    QVERIFY(report);
    QVERIFY(window.editProjectRow());
    window.record().setValue(QStringLiteral("gsHebesatz"), 777.0);
    QVERIFY(window.saveProject());

    {
        // "Abbrechen": no report, nothing calculated.
        ModalAnswers answers({QStringLiteral("Abbrechen")});
        report->showPreview();
        QCOMPARE(answers.texts.size(), 1);
        QVERIFY(answers.texts.first().contains(QStringLiteral("seit der letzten Berechnung geändert")));
        QCOMPARE(answers.previewPages, -1);
        QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
    }
    {
        // "Trotzdem": the report of the old results, still nothing calculated.
        ModalAnswers answers({QStringLiteral("Trotzdem (als veraltet markiert)")});
        report->showPreview();
        QCOMPARE(answers.texts.size(), 1);
        QVERIFY(answers.previewPages >= 8);
        QCOMPARE(CalculationState::of(db.user(), id), State::Changed);
        QCOMPARE(shownBars(window), 3);
    }
    {
        // "Jetzt berechnen": calculated first, then the report of the current results.
        ModalAnswers answers({QStringLiteral("Jetzt berechnen")});
        report->showPreview();
        QCOMPARE(answers.texts.size(), 1);
        QVERIFY(answers.previewPages >= 8);
        QCOMPARE(CalculationState::of(db.user(), id), State::Current);
        QCOMPARE(shownBars(window), 0);
    }
    {
        // Current results: no question.
        ModalAnswers answers({});
        report->showPreview();
        QCOMPARE(answers.texts, QStringList());
        QVERIFY(answers.previewPages >= 8);
    }
}

void OutdatedMarksTest::openWindowFollowsARunElsewhere() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    const int other = EngineFixture::insertRealisticProject(db);
    runCalculation(db.dbs(), id);
    MainWindow window(db.dbs());
    window.setProjectId(id);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    KeyFiguresPanel* panel = window.resultPages()->keyFiguresPanel();
    const QString before = shown(*panel, "Saldo");
    QCOMPARE(before, ledgerSaldo(db, id));

    // The project changes and is calculated from "Varianten vergleichen" while its window is open.
    Sql::exec(db.user(),
              QStringLiteral("UPDATE TAVO SET bgFlBaulandNetto = bgFlBaulandNetto * 2 WHERE ID = ?"), {id});
    VariantComparisonWindow comparison(db.dbs(), {id, other});
    comparison.calculateOutdated();
    QCOMPARE(CalculationState::of(db.user(), id), State::Current);
    // The window shows the new figures without being touched.
    QVERIFY(shown(*panel, "Saldo") != before);
    QCOMPARE(shown(*panel, "Saldo"), ledgerSaldo(db, id));
    QCOMPARE(shownBars(window), 0);
}

QTEST_MAIN(OutdatedMarksTest)
#include "test_outdated_marks.moc"
