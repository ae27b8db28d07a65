// The desktop around the windows: menus and shortcuts, the title with the unsaved-changes mark, what
// is remembered between starts, the room of the result grids at 1280 x 800, the alignment of the
// lists and the Tab order of the window header.

#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "gui/input/ProjectEdit.h"
#include "gui/input/ValueListCombo.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/MainWindowMenu.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/print/PrintDialog.h"
#include "gui/projects/MunicipalityDialog.h"
#include "gui/projects/ProjectListWindow.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

using ResultKind = ResultQueries::ResultKind;

namespace {

// The position of the page with this tab title.
int pageIndex(const QTabWidget* pages, const QString& title) {
    for (int i = 0; i < pages->count(); ++i)
        if (pages->tabText(i) == title)
            return i;
    return -1;
}

std::unique_ptr<ProjectListWindow> listWindow(TestDb& db) {
    auto window =
        std::make_unique<ProjectListWindow>(std::make_unique<Databases>(db.masterPath(), db.userPath()));
    window->show();
    QApplication::setActiveWindow(window.get());
    return window;
}

MainWindow* openProject(ProjectListWindow& list, int id) {
    MainWindow* window = list.acquireMainWindow();
    window->setProjectId(id);
    window->show();
    QApplication::setActiveWindow(window);
    return window;
}

int count(TestDb& db, const QString& sql) {
    return Sql::scalar(db.user(), sql).toInt();
}

// Rows a grid shows without scrolling, from the height its view gives them.
int visibleRows(const ResultGrid* grid) {
    return grid->view()->viewport()->height() / grid->view()->verticalHeader()->defaultSectionSize();
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Ctrl+D duplicates in the selection window; in the main window F9 calculates, typing marks the
    // title, Ctrl+S saves and clears the mark.
    void shortcutsAndTitle() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        auto list = listWindow(db);
        QVERIFY(QTest::qWaitForWindowActive(list.get()));
        QTest::keyClick(list.get(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM TAVO")), 2);

        MainWindow* window = openProject(*list, id);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QVERIFY(!window->isWindowModified());
        QVERIFY2(window->windowTitle().contains(QStringLiteral("Testprojekt (Talheim)")),
                 qPrintable(window->windowTitle()));

        QTest::keyClick(window, Qt::Key_F9);
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM Auswertung WHERE TAVO = %1").arg(id)) > 0);

        ProjectEdit* description = window->inputFor(QStringLiteral("Beschreibung"));
        description->setFocus();
        description->selectAll();
        QTest::keyClicks(description, QStringLiteral("Am Sonnenhang"));
        QTest::keyClick(description, Qt::Key_Tab);
        QVERIFY(window->isWindowModified());
        QVERIFY2(window->windowTitle().contains(QStringLiteral("Am Sonnenhang (Talheim)")),
                 qPrintable(window->windowTitle()));
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = ?"), {id})
                     .toString(),
                 QStringLiteral("Testprojekt"));

        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = ?"), {id})
                     .toString(),
                 QStringLiteral("Am Sonnenhang"));
        QVERIFY(!window->isWindowModified());
        QVERIFY(window->isVisible());

        // Printing needs a result page to print from.
        QAction* print = window->menu()->action(QStringLiteral("actDrucken"));
        QAction* exportAction = window->menu()->action(QStringLiteral("actExportieren"));
        window->pages()->setCurrentIndex(0);
        QVERIFY(!print->isEnabled());
        QVERIFY(!exportAction->isEnabled());
        window->pages()->setCurrentIndex(pageIndex(window->pages(), QStringLiteral("Auswertung Bevölk.")));
        QVERIFY(print->isEnabled());
        QVERIFY(exportAction->isEnabled());
        QVERIFY(window->menu()->action(QStringLiteral("actBerichtPdf")));
        QCOMPARE(window->menu()->gridToPrint(), window->resultPages()->populationPanel()->gridBeV());
        window->close();
    }

    // Window places, filter choices and print settings come back in a new window.
    void remembersBetweenStarts() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        QRect placed;
        {
            auto list = listWindow(db);
            MainWindow* window = openProject(*list, id);
            window->setGeometry(70, 60, 900, 650);
            placed = window->geometry();
            ResultFinancePanel* finance = window->resultPages()->financePanel();
            const int land = finance->costBearerGroup()->items().indexOf(QStringLiteral("Land"));
            QVERIFY(land > 0);
            QTest::mouseClick(finance->costBearerGroup()->button(land), Qt::LeftButton);
            QTest::mouseClick(finance->groupingGroup()->button(1), Qt::LeftButton);
            ResultRadioGroup* area = window->resultPages()->populationPanel()->findChild<ResultRadioGroup*>();
            QTest::mouseClick(area->button(4), Qt::LeftButton);
            window->close();

            // The print dialog's texts name each printout anew; its fit option is remembered.
            PrintDialog dialog(nullptr);
            dialog.findChild<QCheckBox*>(QStringLiteral("cbAlleSpalten"))->setChecked(true);
            dialog.reject();
        }
        auto list = listWindow(db);
        MainWindow* window = openProject(*list, id);
        QCOMPARE(window->geometry().size(), placed.size());
        ResultFinancePanel* finance = window->resultPages()->financePanel();
        QCOMPARE(finance->costBearerChoice(), QStringLiteral("Land"));
        QCOMPARE(finance->groupingGroup()->itemIndex(), 1);
        QCOMPARE(finance->typeChoice(), QString()); // untouched: still every type
        QCOMPARE(window->resultPages()->populationPanel()->findChild<ResultRadioGroup*>()->itemIndex(), 4);
        // The grids show what the remembered filter asks for: only rows of that cost bearer.
        const QSqlQueryModel& rows = finance->dataset(ResultKind::Expenditure);
        for (int row = 0; row < rows.rowCount(); ++row)
            QCOMPARE(
                rows.data(rows.index(row, rows.record().indexOf(QStringLiteral("Kostenträger")))).toString(),
                QStringLiteral("Land"));
        PrintDialog dialog(nullptr);
        QVERIFY(dialog.printOptions().fitToPageWidth);
        window->close();
    }

    // At the size the window takes on a 1280 x 800 screen every result grid shows at least 10 rows.
    void resultGridsHaveRoom() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        auto list = listWindow(db);
        MainWindow* window = openProject(*list, id);
        const QSize size = window->preferredSize(QRect(0, 0, 1280, 800));
        QVERIFY(size.width() <= 1280 && size.height() <= 800);
        window->resize(size);
        ResultPagesHost* results = window->resultPages();
        window->pages()->setCurrentIndex(pageIndex(window->pages(), QStringLiteral("Auswertung Finanz")));
        QApplication::processEvents();
        for (ResultKind kind : {ResultKind::Expenditure, ResultKind::Revenue, ResultKind::Balance}) {
            ResultGrid* grid = results->financePanel()->grid(kind);
            QVERIFY2(grid->isVisible() && visibleRows(grid) >= 10,
                     qPrintable(QString::number(visibleRows(grid))));
        }
        // A zoomed grid takes the room of all three; zooming out gives each its place back.
        ResultGrid* expenditure = results->financePanel()->grid(ResultKind::Expenditure);
        const QSize normal = expenditure->size();
        results->zoom()->zoomResultGrid(ResultKind::Expenditure);
        QApplication::processEvents();
        QVERIFY(!results->financePanel()->grid(ResultKind::Balance)->isVisible());
        QVERIFY2(expenditure->height() > 2 * normal.height() && expenditure->width() > normal.width() * 3 / 2,
                 qPrintable(QStringLiteral("%1x%2").arg(expenditure->width()).arg(expenditure->height())));
        results->zoom()->unzoomResultGrid();
        QApplication::processEvents();
        QCOMPARE(expenditure->size(), normal);
        QVERIFY(results->financePanel()->grid(ResultKind::Balance)->isVisible());

        window->pages()->setCurrentIndex(pageIndex(window->pages(), QStringLiteral("Auswertung Bevölk.")));
        QApplication::processEvents();
        for (ResultGrid* grid : {results->populationPanel()->gridWE(), results->populationPanel()->gridBeV()})
            QVERIFY(visibleRows(grid) >= 10);
        window->close();
    }

    // At the size the window takes on a 1280 x 800 screen the finance grids show every amount whole
    // and need no sideways scrolling; a text column is cut only where the grids together lack the
    // room, and then the cut columns of the expenditure and the balance grid beside it share the same
    // width (a type in the balance is not cut to "soz. …" while the designations beside it have
    // room), wide enough for "öffentliches Gut".
    void financeTextColumnsShareTheRoom() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        runCalculation(db.dbs(), id);
        auto list = listWindow(db);
        MainWindow* window = openProject(*list, id);
        window->resize(window->preferredSize(QRect(0, 0, 1280, 800)));
        window->pages()->setCurrentIndex(pageIndex(window->pages(), QStringLiteral("Auswertung Finanz")));
        QApplication::processEvents();
        ResultFinancePanel* finance = window->resultPages()->financePanel();
        QList<int> cutWidths; // per grid the narrowest cut text column
        int wholeTexts = 0;
        for (ResultKind kind : {ResultKind::Expenditure, ResultKind::Revenue, ResultKind::Balance}) {
            ResultGrid* grid = finance->grid(kind);
            const QTableView* view = grid->view();
            const QAbstractItemModel* rows = view->model();
            QVERIFY(rows->rowCount() > 5);
            QVERIFY(!view->horizontalScrollBar()->isVisible());
            const QFontMetrics metrics = view->fontMetrics();
            int narrowestCut = 10000;
            for (int c = 0; c < rows->columnCount(); ++c) {
                const auto alignment = Qt::Alignment(rows->index(0, c).data(Qt::TextAlignmentRole).toInt());
                int widest = 0;
                for (int row = 0; row < rows->rowCount(); ++row)
                    widest = qMax(widest,
                                  metrics.horizontalAdvance(grid->cellText(c, rows->index(row, c).data())));
                const QString title = rows->headerData(c, Qt::Horizontal).toString();
                if (alignment & Qt::AlignRight) { // the year and the amounts: always whole
                    QVERIFY2(view->columnWidth(c) >= widest + 6, qPrintable(title));
                    continue;
                }
                if (view->columnWidth(c) >= widest + 6)
                    ++wholeTexts;
                else
                    narrowestCut = qMin(narrowestCut, view->columnWidth(c));
            }
            cutWidths << narrowestCut;
        }
        QVERIFY(wholeTexts >= 2); // the cost bearers at least
        const int publicGood =
            window->fontMetrics().horizontalAdvance(QStringLiteral("öffentliches Gut")) + 6;
        QVERIFY2(qAbs(cutWidths[0] - cutWidths[2]) <= 2,
                 qPrintable(QStringLiteral("%1 / %2").arg(cutWidths[0]).arg(cutWidths[2])));
        for (int width : cutWidths)
            QVERIFY2(width >= publicGood, qPrintable(QString::number(width)));
        window->close();
    }

    // Numbers right-aligned and text left-aligned in the project list and the municipality chooser;
    // the window header's Tab order skips the read-only fields.
    void listsAndHeader() {
        TestDb db;
        const int id = EngineFixture::insertRealisticProject(db);
        auto list = listWindow(db);
        const QAbstractItemModel* projects = list->projectList()->model();
        const auto alignment = [](const QAbstractItemModel* model, int column) {
            return Qt::Alignment(model->index(0, column).data(Qt::TextAlignmentRole).toInt()) &
                   Qt::AlignHorizontal_Mask;
        };
        for (int column = 0; column < projects->columnCount(); ++column) {
            const QVariant value = projects->index(0, column).data();
            const bool number = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
                                value.typeId() == QMetaType::Double;
            QCOMPARE(alignment(projects, column), number ? Qt::AlignRight : Qt::AlignLeft);
        }
        QCOMPARE(alignment(projects, 0), Qt::AlignRight); // ID
        QCOMPARE(alignment(projects, 3), Qt::AlignLeft);  // Beschreibung
        QCOMPARE(projects->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Gemeinde"));

        MunicipalityDialog chooser(db.master(), nullptr);
        const QAbstractItemModel* places = chooser.findChild<QTableView*>()->model();
        QStringList titles;
        for (int column = 0; column < places->columnCount(); ++column) {
            titles << places->headerData(column, Qt::Horizontal).toString();
            const QString title = titles.last();
            if (title == QStringLiteral("Gemeinde"))
                QCOMPARE(alignment(places, column), Qt::AlignLeft);
            if (title == QStringLiteral("Einwohner") || title == QStringLiteral("PG-Nr."))
                QCOMPARE(alignment(places, column), Qt::AlignRight);
        }
        for (const QString& title : titles)
            QVERIFY2(!title.contains(QLatin1Char('_')), qPrintable(title));

        MainWindow* window = openProject(*list, id);
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->inputFor(QStringLiteral("Projekt"))->setFocus();
        QStringList order;
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            auto* edit = qobject_cast<ProjectEdit*>(QApplication::focusWidget());
            order << (edit ? edit->column() : QString());
        }
        QCOMPARE(order, (QStringList{QStringLiteral("PG"), QStringLiteral("Beschreibung")}));

        // On an input page a line reads value list, input, second input; then the next line.
        window->pages()->setCurrentIndex(0);
        window->inputFor(QStringLiteral("bgFlBaulandBrutto"))->setFocus();
        QList<QWidget*> reached;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        QCOMPARE(reached, (QList<QWidget*>{window->comboFor(QStringLiteral("bgAntGrünflächen")),
                                           window->inputFor(QStringLiteral("bgAntGrünflächen")),
                                           window->inputFor(QStringLiteral("bgFlGrünflächen"))}));
        window->close();
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
