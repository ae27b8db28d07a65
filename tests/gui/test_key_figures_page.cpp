// The page "Kennzahlen": figures of a hand-made ledger, worked out on paper; the choice of cost bearer
// and rate; the copy; the hint before the first calculation and the refresh after "Berechnen".

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineSeries>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/projects/ProjectRecord.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/ReportAction.h"
#include "gui/mainwindow/ReportOptionsDialog.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/results/KeyFiguresPanel.h"
#include "support/EngineFixture.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// The value cell of the line with this caption, empty when the table has no such line.
QString shown(KeyFiguresPanel& panel, const QString& caption) {
    QTableWidget* table = panel.table();
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == caption)
            return table->item(r, 1)->text();
    return QString();
}

QScatterSeries* marker(QChartView* view, const QString& prefix) {
    for (QAbstractSeries* s : view->chart()->series())
        if (auto* scatter = qobject_cast<QScatterSeries*>(s); scatter && scatter->name().startsWith(prefix))
            return scatter;
    return nullptr;
}

void typeRate(QDoubleSpinBox* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Enter);
}

} // namespace

class KeyFiguresPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void figuresOfAHandMadeLedger();
    void hintBeforeTheFirstCalculationAndRefreshAfterIt();
};

void KeyFiguresPageTest::figuresOfAHandMadeLedger() {
    TestDb db;
    const int id = db.insertProject({{"PG", 301}, {"Projekt", "Hang"}});
    // Gemeinde per year: -1000, +300, +900, -500, +400. Cumulative: -1000, -700, 200, -300, 100, and
    // 100 through year 20: lowest in year 1, positive for good from year 5 (year 3 dips again).
    db.book(id, 1, "Kanal", "Bau", "Gemeinde", 1000, 0);
    db.book(id, 2, "Kanal", "Gebühr", "Gemeinde", 0, 300);
    db.book(id, 3, "Wasser", "Gebühr", "Gemeinde", 0, 900);
    db.book(id, 4, "Wasser", "Erhaltung", "Gemeinde", 500, 0);
    db.book(id, 5, "Finanzausgleich", "Ertragsanteile", "Gemeinde", 0, 400);
    db.book(id, 21, "Kanal", "nach Jahr 20", "Gemeinde", 7777, 0); // outside the 20 years
    db.book(id, 1, "Kanal", "Förderung", "Land", 0, 5000);
    db.insertRow("bWvB", {{"TAVO", id}, {"Jahr", 20}, {"EFHg", 4}, {"GWB", 1}});
    db.insertRow("bBvB", {{"TAVO", id}, {"Alter", 5}, {"Jahr", 20}, {"Bewohner", 10}});
    db.insertRow("bBvB", {{"TAVO", id}, {"Alter", 40}, {"Jahr", 20}, {"Bewohner", 15}});

    KeyFiguresPanel panel(db.dbs());
    panel.setProject(id);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(panel.hint()->isHidden());
    QCOMPARE(panel.costBearerBox()->currentText(), QStringLiteral("Gemeinde"));
    QCOMPARE(shown(panel, "Ausgaben"), QStringLiteral("1.500,00"));
    QCOMPARE(shown(panel, "Einnahmen"), QStringLiteral("1.600,00"));
    QCOMPARE(shown(panel, "Saldo"), QStringLiteral("100,00"));
    QCOMPARE(shown(panel, "Tiefpunkt kumulierter Saldo"), QStringLiteral("-1.000,00"));
    QCOMPARE(shown(panel, "Jahr des Tiefpunkts"), QStringLiteral("1"));
    QCOMPARE(shown(panel, "Amortisationsjahr"), QStringLiteral("5"));
    // 100 / 5 dwelling units, 100 / 25 inhabitants.
    QCOMPARE(shown(panel, "Saldo je Wohneinheit"), QStringLiteral("20,00"));
    QCOMPARE(shown(panel, "Saldo je Bewohner"), QStringLiteral("4,00"));
    QCOMPARE(shown(panel, "Saldo Wasser"), QStringLiteral("400,00"));
    QCOMPARE(shown(panel, "kumuliert Jahr 4"), QStringLiteral("-300,00"));
    // -1000/1,03 + 300/1,03^2 + 900/1,03^3 - 500/1,03^4 + 400/1,03^5
    QCOMPARE(shown(panel, "Barwert"), QStringLiteral("36,33"));

    // The line chart marks the low point and the payback year on the cumulative line.
    QScatterSeries* low = marker(panel.cumulativeView(), "Tiefpunkt");
    QScatterSeries* payback = marker(panel.cumulativeView(), "Amortisation");
    QVERIFY(low && payback);
    QCOMPARE(low->at(0), QPointF(1, -1000));
    QCOMPARE(payback->at(0), QPointF(5, 100));
    // One bar per evaluation type: Finanzausgleich, Kanal, Wasser.
    QCOMPARE(panel.typeView()->chart()->series().size(), 1);

    // The rate as typed: at 10 % the same years are worth -78,11; at 0 % the plain balance.
    typeRate(panel.rateBox(), "10");
    QCOMPARE(shown(panel, "Barwert"), QStringLiteral("-78,11"));
    typeRate(panel.rateBox(), "0");
    QCOMPARE(shown(panel, "Barwert"), QStringLiteral("100,00"));

    // All cost bearers together: the grant of the Land lifts year 1, so the balance never falls
    // below 4.000 and pays back in year 1.
    panel.costBearerBox()->setCurrentText(QStringLiteral("alle"));
    QCOMPARE(shown(panel, "Saldo"), QStringLiteral("5.100,00"));
    QCOMPARE(shown(panel, "Tiefpunkt kumulierter Saldo"), QStringLiteral("4.000,00"));
    QCOMPARE(shown(panel, "Amortisationsjahr"), QStringLiteral("1"));

    // Copy: tab-separated, numbers without thousands separators, CR LF.
    QApplication::clipboard()->clear();
    QTest::mouseClick(panel.findChild<QToolButton*>(QStringLiteral("btKennzahlenKopieren")), Qt::LeftButton);
    const QString text = QApplication::clipboard()->text();
    QVERIFY(text.startsWith(QStringLiteral("Kennzahl\tWert\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\nSaldo\t5100\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\nAmortisationsjahr\t1\r\n")));

    // A project without payback: the payback line says so and the chart has no payback mark.
    panel.costBearerBox()->setCurrentText(QStringLiteral("Gemeinde"));
    db.book(id, 20, "Kanal", "Sanierung", "Gemeinde", 1000, 0);
    panel.refresh();
    QCOMPARE(shown(panel, "Amortisationsjahr"), QStringLiteral("nicht erreicht"));
    QVERIFY(!marker(panel.cumulativeView(), "Amortisation"));
}

void KeyFiguresPageTest::hintBeforeTheFirstCalculationAndRefreshAfterIt() {
    TestDb db;
    const int id = EngineFixture::insertRealisticProject(db);
    MainWindow window(db.dbs());
    window.setProjectId(id);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    KeyFiguresPanel* panel = window.resultPages()->keyFiguresPanel();
    // The page follows the two result pages.
    const int page = window.pages()->count() - 3; // the scenarios and the plan come last
    QCOMPARE(window.pages()->tabText(page), QStringLiteral("Kennzahlen"));
    QVERIFY(window.pages()->widget(page)->isAncestorOf(panel));
    window.pages()->setCurrentIndex(page);
    QVERIFY(panel->hint()->isVisible());
    QCOMPARE(panel->table()->rowCount(), 0);

    QStringList messages;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&messages] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->accept();
        }
    });
    answer.start(20);
    QTest::mouseClick(window.button(QStringLiteral("btBerechnen")), Qt::LeftButton);
    answer.stop();
    QCOMPARE(messages, QStringList());

    QVERIFY(panel->hint()->isHidden());
    QVERIFY(panel->table()->rowCount() > 0);
    // The balance of the municipality straight from the ledger.
    const double saldo = Sql::scalar(db.user(),
                                     QStringLiteral("SELECT Total(Einnahme) - Total(Ausgabe) FROM Auswertung WHERE "
                                                    "TAVO = ? AND Kostenträger = 'Gemeinde' AND Jahr BETWEEN 1 AND 20"),
                                     {id})
                             .toDouble();
    QVERIFY(saldo != 0);
    QCOMPARE(shown(*panel, "Saldo"), QLocale().toString(saldo, 'f', 2));
    if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOTS"))
        window.grab().save(QStringLiteral("/tmp/tavo_kennzahlen.png"));

    // "Bericht..." shows the report of the calculated project in a print preview of all its pages.
    auto* report = window.findChild<ReportAction*>();
    QVERIFY(report);
    int previewPages = 0;
    const auto showPages = [&previewPages](QWidget* modal) {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            if (auto* widget = preview->findChild<QPrintPreviewWidget*>())
                previewPages = widget->pageCount();
            preview->reject();
        }
    };
    // First the choice of cost bearer and rate, then the preview.
    onNextModal([showPages](QWidget* modal) {
        if (auto* options = qobject_cast<ReportOptionsDialog*>(modal)) {
            onNextModal(showPages);
            options->accept();
        } else {
            showPages(modal);
        }
    });
    report->showPreview();
    QVERIFY2(previewPages >= 8, qPrintable(QString::number(previewPages)));

    // Another run after a change of the inputs shows the new figures.
    Sql::exec(db.user(), QStringLiteral("UPDATE TAVO SET bgFlBaulandNetto = bgFlBaulandNetto * 2 WHERE ID = ?"), {id});
    window.record().load(id);
    const QString before = shown(*panel, "Saldo");
    QTest::mouseClick(window.button(QStringLiteral("btBerechnen")), Qt::LeftButton);
    const double after = Sql::scalar(db.user(),
                                     QStringLiteral("SELECT Total(Einnahme) - Total(Ausgabe) FROM Auswertung WHERE "
                                                    "TAVO = ? AND Kostenträger = 'Gemeinde' AND Jahr BETWEEN 1 AND 20"),
                                     {id})
                             .toDouble();
    QCOMPARE(shown(*panel, "Saldo"), QLocale().toString(after, 'f', 2));
    QVERIFY(shown(*panel, "Saldo") != before);
}

QTEST_MAIN(KeyFiguresPageTest)
#include "test_key_figures_page.moc"
