#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include "core/data/TavoError.h"
#include "gui/common/GridFooter.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"
#include "core/results/DatasetText.h"
#include "support/TestDb.h"

using namespace tavo;

using ResultKind = ResultQueries::ResultKind;

namespace {

// Expenditure of three cost bearers, two revenue-only rows.
int projectWithLedger(TestDb& db) {
    const int id = db.insertProject({{QStringLiteral("PG"), 301}, {QStringLiteral("auAnteilZuzug"), 50.0}});
    db.book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"), QStringLiteral("Gemeinde"),
            1234567.891, 0);
    db.book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"),
            QStringLiteral("Abwasserverband"), 800.4, 0);
    db.book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Anschlussgebühr"), QStringLiteral("Gemeinde"), 0,
            2500);
    db.book(id, 2, QStringLiteral("Wasser"), QStringLiteral("Errichtung Wasser"), QStringLiteral("Land"), 50,
            0);
    db.book(id, 2, QStringLiteral("Finanzausgleich"), QStringLiteral("Ertragsanteile"),
            QStringLiteral("Gemeinde"), 0, 3000.75);
    return id;
}

QStringList columnTexts(ResultGrid* grid, int column) {
    QStringList texts;
    QAbstractItemModel* model = grid->view()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << grid->cellText(column, model->index(row, column).data());
    return texts;
}

void click(ResultRadioGroup* group, int index) {
    QRadioButton* button = group->button(index);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    QCOMPARE(group->itemIndex(), index);
}

double germanNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale(QLocale::German, QLocale::Germany).toDouble(text, &ok);
    return ok ? value : qQNaN();
}

} // namespace

class ResultPagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void financePageIsSetUpWithItemsColumnsAndZeroTotals() {
        TestDb db;
        ResultFinancePanel panel(db.dbs());
        QVERIFY(panel.prepared());
        QCOMPARE(panel.costBearerGroup()->title(), QStringLiteral("Filter: Kostenträger"));
        QCOMPARE(panel.typeGroup()->title(), QStringLiteral("Filter: Typ"));
        QCOMPARE(panel.groupingGroup()->title(), QStringLiteral("Saldo Gruppierung nach:"));
        QCOMPARE(panel.costBearerGroup()->items().size(), 6);
        QCOMPARE(panel.costBearerGroup()->itemIndex(), 0);
        QCOMPARE(panel.typeGroup()->items().size(), 9);
        QCOMPARE(panel.typeGroup()->itemIndex(), 8);
        QCOMPARE(panel.groupingGroup()->items(), (QStringList{QStringLiteral("Jahr, Typ, Kostenträger"),
                                                              QStringLiteral("Jahr, Kostenträger")}));
        QCOMPARE(panel.groupingGroup()->itemIndex(), 0);
        QCOMPARE(panel.costBearerChoice(), QStringLiteral("Gemeinde"));
        QCOMPARE(panel.typeChoice(), QString());
        QCOMPARE(panel.caption(ResultKind::Balance)->text(), QStringLiteral("Saldo (€):"));
        QCOMPARE(panel.caption(ResultKind::Expenditure)->text(), QStringLiteral("Ausgaben (€):"));
        QCOMPARE(panel.caption(ResultKind::Revenue)->text(), QStringLiteral("Einnahmen (€):"));
        QVERIFY(panel.caption(ResultKind::Revenue)->font().bold());

        // The zoom buttons have no hint; the four tools work on a zoomed grid only.
        ResultZoom zoom(&panel);
        QVERIFY(zoom.zoomButton(ResultKind::Expenditure)->isEnabled());
        QVERIFY(zoom.zoomButton(ResultKind::Expenditure)->toolTip().isEmpty());
        QVERIFY(zoom.zoomOutButton()->toolTip().isEmpty());
        QCOMPARE(zoom.chartButton()->toolTip(), QStringLiteral("zeige Graphik"));
        QCOMPARE(zoom.copyZoomButton()->toolTip(), QStringLiteral("in Zwischenablage kopieren"));
        QCOMPARE(zoom.printZoomButton()->toolTip(), QStringLiteral("Drucke Tabelle"));
        for (QToolButton* tool :
             {zoom.zoomOutButton(), zoom.chartButton(), zoom.copyZoomButton(), zoom.printZoomButton()})
            QVERIFY(!tool->isEnabled());

        ResultGrid* saldo = panel.grid(ResultKind::Balance);
        QCOMPARE(saldo->objectName(), QStringLiteral("GridSaldo"));
        QStringList titles;
        QList<int> widths;
        for (const PrintColumn& c : saldo->printColumns()) {
            titles << c.title;
            widths << c.width;
        }
        QCOMPARE(titles, (QStringList{QStringLiteral("Jahr"), QStringLiteral("Typ"),
                                      QStringLiteral("Kostenträger"), QStringLiteral("Einnahmen"),
                                      QStringLiteral("Ausgaben"), QStringLiteral("Saldo")}));
        QCOMPARE(widths, (QList<int>{25, 100, 100, 80, 80, 80}));
        QCOMPARE(saldo->footerCells(),
                 (QStringList{QString(), QString(), QStringLiteral("Summe:"), QStringLiteral("0,00"),
                              QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QCOMPARE(panel.grid(ResultKind::Expenditure)->footerText(QStringLiteral("Ausgabe")),
                 QStringLiteral("0,00"));

        // A click before a project is chosen shows nothing and fails nowhere.
        click(panel.costBearerGroup(), 5);
        QCOMPARE(panel.grid(ResultKind::Revenue)->view()->model()->rowCount(), 0);
        QCOMPARE(panel.grid(ResultKind::Revenue)->footerText(QStringLiteral("Einnahme")),
                 QStringLiteral("0,00"));
    }

    // A grid too narrow for all its columns cuts its text columns, never an amount; with room again
    // every column gets its full width back.
    void narrowGridsKeepTheAmountsInSight() {
        TestDb db;
        const int id = projectWithLedger(db);
        ResultFinancePanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.setProject(id);
        ResultGrid* ausgaben = panel.grid(ResultKind::Expenditure);
        QTableView* view = ausgaben->view();
        const QList<PrintColumn> wanted = ausgaben->printColumns();
        const auto widthsFit = [&](bool narrow) {
            int total = 0;
            for (int c = 0; c < wanted.size(); ++c) {
                total += view->columnWidth(c);
                const bool text = wanted[c].title != QStringLiteral("Ausgabe") && c > 0;
                if (!text || !narrow)
                    QCOMPARE(view->columnWidth(c), wanted[c].width);
                else
                    QVERIFY(view->columnWidth(c) < wanted[c].width);
            }
            if (narrow)
                QVERIFY2(total <= view->viewport()->width(), qPrintable(QString::number(total)));
        };
        ausgaben->setMinimumWidth(0);
        ausgaben->setFixedWidth(420);
        QApplication::processEvents();
        widthsFit(true);
        ausgaben->setFixedWidth(1200);
        QApplication::processEvents();
        widthsFit(false);
    }

    void filterClicksRequeryGridsAndFooters() {
        TestDb db;
        const int id = projectWithLedger(db);
        ResultFinancePanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy refreshed(&panel, &ResultFinancePanel::resultsRefreshed);
        panel.setProject(id);
        QCOMPARE(refreshed.count(), 1);

        // Initially the first cost bearer, every type.
        ResultGrid* ausgaben = panel.grid(ResultKind::Expenditure);
        QCOMPARE(columnTexts(ausgaben, 4), QStringList{QStringLiteral("1.234.567,89")});
        QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("1.234.567,89"));
        // With data shown the narrow year column is wide enough for its title.
        const QHeaderView* header = ausgaben->view()->horizontalHeader();
        QVERIFY2(header->sectionSize(0) >= header->sectionSizeHint(0),
                 qPrintable(
                     QStringLiteral("%1 < %2").arg(header->sectionSize(0)).arg(header->sectionSizeHint(0))));
        QCOMPARE(panel.grid(ResultKind::Revenue)->footerText(QStringLiteral("Einnahme")),
                 QStringLiteral("5.500,75"));

        click(panel.costBearerGroup(), 5); // keine Einschränkung
        QCOMPARE(refreshed.count(), 2);
        QCOMPARE(columnTexts(ausgaben, 3), (QStringList{QStringLiteral("Abwasserverband"),
                                                        QStringLiteral("Gemeinde"), QStringLiteral("Land")}));
        QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("1.235.418,29"));

        click(panel.typeGroup(), panel.typeGroup()->items().indexOf(QStringLiteral("Wasser")));
        QCOMPARE(columnTexts(ausgaben, 2), QStringList{QStringLiteral("Errichtung Wasser")});
        QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("50,00"));
        QCOMPARE(panel.grid(ResultKind::Revenue)->view()->model()->rowCount(), 0);
        QCOMPARE(panel.grid(ResultKind::Revenue)->footerText(QStringLiteral("Einnahme")),
                 QStringLiteral("0,00"));
        QCOMPARE(panel.grid(ResultKind::Balance)->footerText(QStringLiteral("Saldo")),
                 QStringLiteral("-50,00"));

        // Copying the expenditure view takes the query's dataset, filtered like the grid.
        QCOMPARE(DatasetText::fromModel(panel.dataset(ResultKind::Expenditure)),
                 QStringLiteral("Jahr\tTyp\tBezeichnung\tKostenträger\tAusgabe\r\n"
                                "2\tWasser\tErrichtung Wasser\tLand\t50\r\n"));

        // Closing empties the grids; reopening restores them with the same choices.
        panel.closeProjectData();
        QCOMPARE(ausgaben->view()->model()->rowCount(), 0);
        panel.openProjectData();
        QCOMPARE(ausgaben->view()->model()->rowCount(), 1);
    }

    void balanceGroupingAndTotalsAgree() {
        TestDb db;
        const int id = projectWithLedger(db);
        ResultFinancePanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.setProject(id);
        click(panel.costBearerGroup(), 5);
        ResultGrid* saldo = panel.grid(ResultKind::Balance);
        QCOMPARE(saldo->view()->model()->rowCount(), 4);
        QCOMPARE(columnTexts(saldo, 1).first(), QStringLiteral("Kanal"));

        click(panel.groupingGroup(), 1);
        QCOMPARE(panel.groupingChoice(), QStringLiteral("Jahr, Kostenträger"));
        QCOMPARE(panel.dataset(ResultKind::Balance).record().count(), 5);
        QCOMPARE(saldo->view()->model()->columnCount(), 6);
        // Year 1 Gemeinde: the expenditure and the revenue-only row in one group; Typ stays empty.
        QCOMPARE(columnTexts(saldo, 1), QStringList(4, QString()));
        QCOMPARE(columnTexts(saldo, 2),
                 (QStringList{QStringLiteral("Abwasserverband"), QStringLiteral("Gemeinde"),
                              QStringLiteral("Gemeinde"), QStringLiteral("Land")}));
        QCOMPARE(columnTexts(saldo, 5).at(1), QStringLiteral("-1.232.067,89"));

        const double einnahmen = germanNumber(saldo->footerText(QStringLiteral("Einnahmen")));
        const double ausgaben = germanNumber(saldo->footerText(QStringLiteral("Ausgaben")));
        QCOMPARE(einnahmen, 5500.75);
        QCOMPARE(ausgaben, 1235418.29);
        QCOMPARE(germanNumber(saldo->footerText(QStringLiteral("Saldo"))), einnahmen - ausgaben);
    }

    void footerFollowsColumnsWhenResizedAndScrolled() {
        TestDb db;
        ResultFinancePanel panel(db.dbs());
        panel.resize(900, 600);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        ResultGrid* grid = panel.grid(ResultKind::Expenditure);
        GridFooter* footer = grid->footer();
        QVERIFY(footer);
        QCOMPARE(footer->text(3), QStringLiteral("Summe:"));
        QHeaderView* header = grid->view()->horizontalHeader();
        auto sectionLeft = [&] {
            return grid->view()->viewport()->mapTo(grid, QPoint(header->sectionViewportPosition(3), 0)).x();
        };
        auto summeLeft = [&] { return footer->mapTo(grid, footer->cellRect(3).topLeft()).x(); };
        QCOMPARE(summeLeft(), sectionLeft());
        header->resizeSection(2, 1200);
        QCOMPARE(summeLeft(), sectionLeft());
        QCOMPARE(footer->cellRect(3).width(), header->sectionSize(3));
        QTRY_VERIFY(grid->view()->horizontalScrollBar()->maximum() > 0);
        grid->view()->horizontalScrollBar()->setValue(grid->view()->horizontalScrollBar()->maximum());
        QCOMPARE(summeLeft(), sectionLeft());
    }

    void populationPageFollowsTheAreaChoice() {
        TestDb db;
        const int id =
            db.insertProject({{QStringLiteral("PG"), 301}, {QStringLiteral("auAnteilZuzug"), 0.0}});
        for (int alter : {5, 9, 40})
            db.insertRow(QStringLiteral("bBvB"), {{QStringLiteral("TAVO"), id},
                                                  {QStringLiteral("Alter"), alter},
                                                  {QStringLiteral("Jahr"), 1},
                                                  {QStringLiteral("Bewohner"), 1000.25 * alter}});
        db.insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), id},
                                              {QStringLiteral("Jahr"), 1},
                                              {QStringLiteral("EFHg"), 1000.0},
                                              {QStringLiteral("EFHk"), 0.25},
                                              {QStringLiteral("RHg"), 0.0},
                                              {QStringLiteral("RHk"), 0.0},
                                              {QStringLiteral("GWB"), 500.0}});
        ResultPopulationPanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.areaGroup()->title(), QStringLiteral("Filter: Gebiet"));
        QCOMPARE(panel.areaGroup()->items(),
                 (QStringList{QStringLiteral("Baugebiet Zuzug"), QStringLiteral("Baugebiet gesamt"),
                              QStringLiteral("Projekt Zuzug"), QStringLiteral("Projekt gesamt"),
                              QStringLiteral("Prognose ÖROK")}));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("StaticText181"))->text(),
                 QStringLiteral("Wohneinheiten:"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("StaticText180"))->text(),
                 QStringLiteral("Bewohner:"));
        QCOMPARE(panel.printInhabitantsButton()->toolTip(), QStringLiteral("drucke Bewohner"));
        QCOMPARE(panel.copyUnitsButton()->toolTip(), QStringLiteral("in Zwischenablage kopieren"));
        QCOMPARE(panel.areaGroup()->itemIndex(), 0);
        QCOMPARE(panel.printUnitsButton()->toolTip(), QStringLiteral("drucke Wohneinheiten"));
        QCOMPARE(panel.copyInhabitantsButton()->toolTip(), QStringLiteral("in Zwischenablage kopieren"));
        panel.setProject(id);

        // Zuzug share 0: the building area's own inhabitants count nothing.
        QCOMPARE(columnTexts(panel.gridBeV(), 3), QStringList{QStringLiteral("0,0")});
        QCOMPARE(columnTexts(panel.gridWE(), 1), QStringList{QStringLiteral("1.500,3")});
        click(panel.areaGroup(), 1); // Baugebiet gesamt
        QCOMPARE(columnTexts(panel.gridBeV(), 1), QStringList{QStringLiteral("5.001,3")});
        QCOMPARE(columnTexts(panel.gridBeV(), 2), QStringList{QStringLiteral("9.002,3")});
        QCOMPARE(columnTexts(panel.gridBeV(), 3), QStringList{QStringLiteral("54.013,5")});
        QCOMPARE(columnTexts(panel.gridWE(), 1), QStringList{QStringLiteral("1.500,3")});
        click(panel.areaGroup(), 4); // no forecast rows for this municipality in the user database
        QCOMPARE(panel.gridBeV()->view()->model()->rowCount(), 0);
        QCOMPARE(panel.gridWE()->view()->model()->rowCount(), 1);

        // No area chosen: the rebuild is refused.
        panel.areaGroup()->setItemIndex(-1);
        QVERIFY_THROWS_EXCEPTION(TavoError, panel.onAreaFilterChanged());

        panel.areaGroup()->setItemIndex(1);
        panel.onAreaFilterChanged();
        QTest::mouseClick(panel.copyUnitsButton(), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Jahr\tWohneinheiten\r\n1\t1500,25\r\n"));
        QSignalSpy print(&panel, &ResultPopulationPanel::printRequested);
        QTest::mouseClick(panel.printInhabitantsButton(), Qt::LeftButton);
        QCOMPARE(print.count(), 1);
        QCOMPARE(print.first().first().value<ResultGrid*>(), panel.gridBeV());
    }

    // Places for 10 children in groups of 5. The forecast has 8 kindergarten children in year 1 and
    // 12 in year 2; the project adds 4 in year 2 (all move in): 16 need two further groups, of which
    // the forecast alone needs one.
    void populationPageShowsTheCapacity() {
        TestDb db;
        const int id = db.insertProject({{QStringLiteral("PG"), 301},
                                         {QStringLiteral("auAnteilZuzug"), 100.0},
                                         {QStringLiteral("siPlätzeKindergarten"), 10},
                                         {QStringLiteral("siPlätzeJeGruppeKindergarten"), 5}});
        const int plain = db.insertProject({{QStringLiteral("PG"), 301}, {QStringLiteral("auAnteilZuzug"), 100.0}});
        for (int age : {3, 4, 5, 6})
            for (int year : {1, 2})
                db.insertRow(QStringLiteral("gBvB"), {{QStringLiteral("PG"), 301},
                                                      {QStringLiteral("Alter"), age},
                                                      {QStringLiteral("Jahr"), year},
                                                      {QStringLiteral("Bewohner"), year == 1 ? 2.0 : 3.0}});
        for (int project : {id, plain})
            db.insertRow(QStringLiteral("bBvB"), {{QStringLiteral("TAVO"), project},
                                                  {QStringLiteral("Alter"), 4},
                                                  {QStringLiteral("Jahr"), 2},
                                                  {QStringLiteral("Bewohner"), 4.0}});
        ResultPopulationPanel panel(db.dbs());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.setProject(id);
        auto* summary = panel.findChild<QLabel*>(QStringLiteral("lbKapazitaet"));
        auto* table = panel.findChild<QTableWidget*>(QStringLiteral("twKapazitaet"));
        QVERIFY(summary && table && summary->isVisible());
        QVERIFY2(summary->text().contains(QStringLiteral("überschritten ab Jahr 2")), qPrintable(summary->text()));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("0"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("16,0"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("2"));
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(1, 4)->text(), QStringLiteral("–")); // no school capacity stated
        // A project without capacity inputs shows none.
        panel.setProject(plain);
        QVERIFY(!table->isVisible());
    }
};

QTEST_MAIN(ResultPagesTest)
#include "test_result_panels.moc"
