// The page "Plan": a plan built by hand drawn in the view (a click picks the feature and names its
// role and measure, the legend lists the roles present), the marks "aus Plan" on the input pages and
// their removal by a hand edit, and the PDF printed to scale measured on the rendered page.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/plan/PlanStore.h"
#include "gui/input/ProjectEdit.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/plan/PlanAction.h"
#include "gui/plan/PlanPage.h"
#include "gui/plan/PlanReadDialog.h"
#include "gui/plan/PlanView.h"
#include "report/PlanDrawing.h"
#include "report/PlanSheet.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

QVector<QPointF> rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

PlanFeature polygon(PlanRole role, qint64 fid, QVector<QVector<QPointF>> rings, double area) {
    PlanFeature f;
    f.role = role;
    f.layer = QStringLiteral("Plan");
    f.fid = fid;
    f.kind = 2;
    f.parts = std::move(rings);
    f.areaM2 = area;
    return f;
}

// In metres (east, north): the building area 0..100 x 0..100 with a hole 40..45 x 85..95, a green
// area 10..30 x 10..30 on it, a water line along y = 50 and a plot as a point at (80, 80); all
// placed far from the origin as real coordinates are.
PlanReading handPlan() {
    const double e = 600000, n = 5300000;
    PlanReading plan;
    plan.file = QStringLiteral("/tmp/bebauungsplan.gpkg");
    plan.stand = QStringLiteral("2026-12-01");
    plan.metricCrs = QStringLiteral("EPSG:31287");
    plan.features << polygon(PlanRole::Baugebiet, 1,
                             {rectangle(e, n, e + 100, n + 100), rectangle(e + 40, n + 85, e + 45, n + 95)},
                             9950);
    plan.features << polygon(PlanRole::Gruenflaeche, 2, {rectangle(e + 10, n + 10, e + 30, n + 30)}, 400);
    PlanFeature line;
    line.role = PlanRole::Leitung;
    line.layer = QStringLiteral("Leitungen");
    line.fid = 3;
    line.kind = 1;
    line.network = QStringLiteral("Wasser");
    line.parts = {{{e, n + 50}, {e + 100, n + 50}}};
    line.lengthM = 100;
    plan.features << line;
    PlanFeature plot;
    plot.role = PlanRole::Bauplatz;
    plot.layer = QStringLiteral("Bauplätze");
    plot.fid = 4;
    plot.kind = 0;
    plot.parts = {{{e + 80, n + 80}}};
    plan.features << plot;
    plan.extent = QRectF(e, n, 100, 100);
    plan.measures.baugebietM2 = 9950;
    plan.measures.gruenM2 = 400;
    plan.measures.leitungM.insert(QStringLiteral("Wasser"), 100);
    plan.measures.bauplaetze.insert(QStringLiteral("EFH"), 1);
    return plan;
}

// Types text into an input and leaves it for another, as the user does.
void typeAndLeave(QLineEdit* edit, const QString& text, QWidget* next) {
    edit->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(edit->window()));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, text);
    next->setFocus();
    QTRY_VERIFY(!edit->hasFocus());
}

// The view position of a plan point given in metres from the plan's south-west corner.
QPoint at(const PlanView& view, double x, double y) {
    return view.mapFromScene(QPointF(600000 + x, -(5300000 + y)));
}

} // namespace

class PlanPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void clickShowsRoleAndMeasure_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Grünfläche über dem Baugebiet") << 20.0 << 20.0 << "Grünfläche: Fläche 400,0 m²";
        QTest::newRow("Baugebiet") << 70.0 << 30.0 << "Baugebiet: Fläche 9.950,0 m²";
        QTest::newRow("Leitung über den Flächen") << 20.0 << 50.0 << "Straßenachse/Leitung: Länge 100,0 m";
        QTest::newRow("Bauplatz als Punkt") << 80.0 << 80.0 << "Bauplatz: Punkt";
        QTest::newRow("im Loch des Baugebiets") << 42.5 << 90.0 << "Kein Objekt an dieser Stelle.";
        QTest::newRow("außerhalb") << -30.0 << -30.0 << "Kein Objekt an dieser Stelle.";
    }
    void clickShowsRoleAndMeasure() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QString, expected);
        PlanPage page;
        page.resize(900, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.showPlan(handPlan());
        PlanView* view = page.view();
        // At about 4.5 pixels per metre the 5 m wide hole is over 20 pixels across.
        QVERIFY(view->pixelsPerMetre() > 3);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(*view, x, y));
        QVERIFY2(page.selection()->text().startsWith(expected), qPrintable(page.selection()->text()));
    }

    void legendListsPresentRoles() {
        PlanPage page;
        page.showPlan(handPlan());
        QStringList entries;
        for (int i = 0; i < page.legend()->count(); ++i)
            entries << page.legend()->item(i)->text();
        QCOMPARE(entries, QStringList({"Baugebiet", "Grünfläche", "Straßenachse/Leitung", "Bauplatz"}));
        PlanReading linesOnly = handPlan();
        linesOnly.features = {linesOnly.features[2]};
        page.showPlan(linesOnly);
        QCOMPARE(page.legend()->count(), 1);
        page.showPlan({});
        QCOMPARE(page.legend()->count(), 0);
        QCOMPARE(page.figures()->rowCount(), 0);
    }

    void zoomAndScaleBar() {
        PlanPage page;
        page.resize(900, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.showPlan(handPlan());
        const double fitted = page.view()->pixelsPerMetre();
        page.findChild<QPushButton*>(QStringLiteral("btPlanVergroessern"))->click();
        QCOMPARE(page.view()->pixelsPerMetre(), fitted * 1.5);
        page.findChild<QPushButton*>(QStringLiteral("btPlanGanz"))->click();
        QCOMPARE(page.view()->pixelsPerMetre(), fitted);
        // The bar: the longest 1, 2 or 5 x 10^n metres that fits the room.
        QCOMPARE(PlanDrawing::scaleBarMetres(2, 200), 100.0);    // up to 100 m
        QCOMPARE(PlanDrawing::scaleBarMetres(0.37, 200), 500.0); // up to 540 m
        QCOMPARE(PlanDrawing::scaleBarMetres(4.5, 200), 20.0);   // up to 44 m
    }

    // Every input the plan filled shows the mark with the tooltip of its field; typing into one
    // removes its mark at once, and saving removes it from the database; the others stay.
    void marksShownAndRemovedByHandEdit() {
        TestDb db;
        const int id = db.insertProject({{QStringLiteral("Projekt"), QStringLiteral("Am Plan")}});
        PlanReading plan = handPlan();
        PlanAssignment assignment;
        assignment.layerRoles.insert(QStringLiteral("Plan"), PlanRole::Baugebiet);
        PlanStore::applyPlan(db.user(), id, plan, assignment);
        const QHash<QString, QString> marks = PlanStore::planMarks(db.user(), id);
        MainWindow window(db.dbs());
        window.setProjectId(id);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList marked;
        for (auto it = marks.cbegin(); it != marks.cend(); ++it)
            if (ProjectEdit* edit = window.inputFor(it.key()); edit && !edit->isReadOnly())
                marked << it.key();
        marked.sort();
        QVERIFY2(marked.size() >= 2, qPrintable(QStringList(marks.keys()).join(", ")));
        for (const QString& key : marked) {
            QVERIFY(marks[key].startsWith(QStringLiteral("aus Plan: ")));
            QCOMPARE(PlanAction::markOf(window.inputFor(key)), marks[key]);
            QCOMPARE(window.inputFor(key)->toolTip(), marks[key]);
        }
        ProjectEdit* first = window.inputFor(marked[0]);
        ProjectEdit* second = window.inputFor(marked[1]);
        for (int i = 0; i < window.pages()->count(); ++i)
            if (window.pages()->widget(i)->isAncestorOf(first))
                window.pages()->setCurrentIndex(i);
        typeAndLeave(first, QStringLiteral("1234"), second);
        QVERIFY(PlanAction::markOf(first).isEmpty());
        QCOMPARE(PlanAction::markOf(second), marks[marked[1]]);
        // Not saved yet: the database still holds the mark.
        QVERIFY(PlanStore::planMarks(db.user(), id).contains(marked[0]));
        QVERIFY(window.saveProject());
        const QHash<QString, QString> after = PlanStore::planMarks(db.user(), id);
        QVERIFY(!after.contains(marked[0]));
        QVERIFY(after.contains(marked[1]));
        // Shown again, the window reads the marks anew: still none on the edited input.
        window.hide();
        window.show();
        QVERIFY(PlanAction::markOf(first).isEmpty());
        QCOMPARE(PlanAction::markOf(second), marks[marked[1]]);
    }

    // A plan without reference system is refused; "Zurück" leads to the layers, where the system is
    // given, and the same dialog then measures the plan (a 100 m square: 10000 m²).
    void missingCrsGivenAfterGoingBack() {
        TestDb db;
        const int id = db.insertProject({{QStringLiteral("Projekt"), QStringLiteral("Ohne KRS")}});
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Baugebiet.csv"));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("WKT,Nr\n\"POLYGON((600000 450000,600100 450000,600100 450100,600000 450100,"
                  "600000 450000))\",1\n");
        csv.close();
        PlanReadDialog dialog(db.user(), id, file);
        dialog.show();
        auto* next = dialog.findChild<QPushButton*>(QStringLiteral("btWeiter"));
        auto* back = dialog.findChild<QPushButton*>(QStringLiteral("btZurueck"));
        QVERIFY(next && back);
        QVERIFY(!back->isVisible());
        next->click();
        QTRY_VERIFY(dialog.problemList()->count() > 0);
        QVERIFY(dialog.problemList()->item(0)->text().contains(QStringLiteral("kein Koordinatensystem")));
        QVERIFY(back->isVisible());
        QVERIFY(!next->isVisible());
        back->click();
        QVERIFY(next->isVisible());
        auto* crs = dialog.findChild<QLineEdit*>(QStringLiteral("edPlanKrs"));
        QVERIFY(crs && crs->isVisible());
        crs->setText(QStringLiteral("EPSG:31287"));
        next->click();
        QTRY_COMPARE(next->text(), QStringLiteral("Übernehmen"));
        QVERIFY(qAbs(dialog.reading().measures.baugebietM2 - 10000.0) < 0.5);
        back->click();
        QCOMPARE(next->text(), QStringLiteral("Einlesen"));
    }

    // A 100 m square at 1:1000 is 100 mm on the page, at 1:2000 50 mm; the scale bar's first two
    // black fields begin a quarter of its length apart (50 m bar at 1:1000: 12.5 mm).
    void pdfPrintsToScale_data() {
        QTest::addColumn<int>("scale");
        QTest::addColumn<double>("squareMm");
        QTest::addColumn<double>("barQuarterMm");
        QTest::newRow("1:1000") << 1000 << 100.0 << 12.5; // bar 50 m = 50 mm (panel room 52.7 mm)
        QTest::newRow("1:2000") << 2000 << 50.0 << 12.5;  // bar 100 m = 50 mm
        QTest::newRow("1:5000") << 5000 << 20.0 << 10.0;  // bar 200 m = 40 mm (250 m would not fit)
    }
    void pdfPrintsToScale() {
        QFETCH(int, scale);
        QFETCH(double, squareMm);
        QFETCH(double, barQuarterMm);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        QVERIFY2(!pdftoppm.isEmpty(), "pdftoppm (poppler-utils) is needed to measure the printed page");
        PlanReading plan;
        plan.file = QStringLiteral("quadrat.gpkg");
        plan.features << polygon(PlanRole::Baugebiet, 1, {rectangle(1000, 2000, 1100, 2100)}, 10000);
        plan.extent = QRectF(1000, 2000, 100, 100);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("plan.pdf"));
        writePlanSheetPdf(pdf, plan, scale, QStringLiteral("Quadrat"));
        // 254 dots per inch: ten pixels per millimetre.
        QProcess render;
        render.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("seite"))});
        QVERIFY(render.waitForFinished(60000));
        QImage page(dir.filePath(QStringLiteral("seite.png")));
        QVERIFY(!page.isNull());
        // The square's outline is the only dark red in the map frame (the legend beside it has some).
        const int frameRight = qRound(planSheetLayout(plan, scale).mapFrameMm.right() * 10);
        int left = page.width(), right = -1, top = page.height(), bottom = -1;
        const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < frameRight; ++x)
                if (qRed(line[x]) > 140 && qGreen(line[x]) < 90 && qBlue(line[x]) < 90) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        }
        // The outline is 0.25 mm wide, centred on the edge: 2.5 pixels more from outer to outer.
        QVERIFY2(std::abs(right - left + 1 - squareMm * 10 - 2.5) <= 3,
                 qPrintable(QString::number(right - left + 1)));
        QVERIFY2(std::abs(bottom - top + 1 - squareMm * 10 - 2.5) <= 3,
                 qPrintable(QString::number(bottom - top + 1)));
        // The scale bar: in the panel right of the map, the first row holding a black run as long as
        // a quarter of the bar; the next black run starts half the bar from the first.
        const int panelLeft = qRound(planSheetLayout(plan, scale).panelMm.left() * 10) - 5;
        const int quarter = qRound(barQuarterMm * 10);
        const auto black = [](QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; };
        int runStart = -1, nextStart = -1;
        for (int y = 0; y < rgb.height() && nextStart < 0; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = panelLeft; x < rgb.width(); ++x) {
                if (!black(line[x]))
                    continue;
                int end = x;
                while (end < rgb.width() && black(line[end]))
                    ++end;
                if (std::abs(end - x - quarter) <= 3) {
                    runStart = x;
                    for (int next = x + quarter + 20; next < rgb.width() && nextStart < 0; ++next)
                        if (black(line[next]) && black(line[std::min(next + 20, rgb.width() - 1)]))
                            nextStart = next;
                    break;
                }
                x = end;
            }
        }
        QVERIFY2(runStart >= 0 && nextStart >= 0, "no scale bar found on the page");
        QVERIFY2(std::abs(nextStart - runStart - 2 * quarter) <= 3,
                 qPrintable(QString::number(nextStart - runStart)));
    }
};

QTEST_MAIN(PlanPageTest)
#include "test_plan_page.moc"
