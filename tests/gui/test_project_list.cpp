#include <functional>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "gui/common/AboutDialog.h"
#include "gui/input/ValueListCombo.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/projects/ProjectRecord.h"
#include "gui/projects/ProjectListWindow.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "gui/projects/MunicipalityDialog.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

using Nav = ProjectListWindow::Navigator;

// Runs action on the modal window of type T once it is up (polled, because it opens inside a click
// handler; a modal window of another type is left alone).
template <typename T> void onModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

void answerMessageBox(QMessageBox::StandardButton answer, QString* text = nullptr) {
    onModal<QMessageBox>([answer, text](QMessageBox* box) {
        if (text)
            *text = box->text();
        QTest::mouseClick(box->button(answer), Qt::LeftButton);
    });
}

// The chooser: type the search text, then confirm (or cancel).
void chooseMunicipality(const QString& search, bool confirm) {
    onModal<MunicipalityDialog>([search, confirm](MunicipalityDialog* chooser) {
        QTest::keyClicks(chooser->nameEdit(), search);
        QTest::mouseClick(confirm ? chooser->okButton() : chooser->cancelButton(), Qt::LeftButton);
    });
}

int count(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    return Sql::scalar(db, sql, params).toInt();
}

QString cell(const QTableView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
}

// Clicks an enabled button; a disabled one fails the test.
#define CLICK(button)                                                                                        \
    do {                                                                                                     \
        QVERIFY((button)->isEnabled());                                                                      \
        QTest::mouseClick((button), Qt::LeftButton);                                                         \
    } while (false)

std::unique_ptr<ProjectListWindow> makeWindow(TestDb& db) {
    auto window =
        std::make_unique<ProjectListWindow>(std::make_unique<Databases>(db.masterPath(), db.userPath()));
    window->show();
    return window;
}

} // namespace

class ProjectsGuiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutAndEmptyList();
    void newProjectWithOkAndCancel();
    void failedNewProjectLeavesNothing();
    void chooserSearchesBeginningOfName();
    void duplicateAndDelete();
    void mainWindowsAreReused();
    void closingAsksAboutPendingEdits();
    void readOnlyFileIsShownButNotSaved();
    void comparisonOfTheMarkedProjects();
    void usableFromTheKeyboard();
    void fitsAHalfSizeScreen();
};

// At QT_SCALE_FACTOR=2 a 1280 x 800 screen offers 640 x 400: the window takes a size within it, and
// every button shows whole inside the window without scrolling sideways; at full size the buttons
// stand in one row again.
void ProjectsGuiTest::fitsAHalfSizeScreen() {
    TestDb db;
    auto window = makeWindow(db);
    const QSize size = window->preferredSize(QRect(0, 0, 640, 400));
    QVERIFY2(size.width() <= 640 && size.height() <= 400,
             qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
    const auto buttons = [&] {
        QList<QWidget*> all = {window->okButton(), window->newButton(), window->duplicateButton(),
                               window->closeButton(), window->compareButton()};
        for (auto which : {ProjectListWindow::Navigator::First, ProjectListWindow::Navigator::Delete})
            all << window->navigatorButton(which);
        return all;
    };
    window->resize(size);
    QApplication::processEvents();
    QCOMPARE(window->size(), size);
    for (QWidget* button : buttons()) {
        const QRect shown(button->mapTo(window.get(), QPoint(0, 0)), button->size());
        QVERIFY2(button->isVisible() && window->rect().contains(shown),
                 qPrintable(button->objectName() +
                            QStringLiteral(" %1,%2").arg(shown.right()).arg(shown.bottom())));
    }
    QVERIFY(window->closeButton()->y() > window->duplicateButton()->y());
    QVERIFY(window->projectList()->height() >=
            3 * window->projectList()->verticalHeader()->defaultSectionSize());

    window->resize(window->preferredSize(QRect(0, 0, 1280, 800)));
    QApplication::processEvents();
    QCOMPARE(window->closeButton()->mapTo(window.get(), QPoint(0, 0)).y(),
             window->duplicateButton()->mapTo(window.get(), QPoint(0, 0)).y());
    for (QWidget* button : buttons())
        QVERIFY(window->rect().contains(QRect(button->mapTo(window.get(), QPoint(0, 0)), button->size())));
}

void ProjectsGuiTest::comparisonOfTheMarkedProjects() {
    TestDb db;
    QList<int> ids;
    for (const char* name : {"A", "B", "C"})
        ids << db.insertProject({{QStringLiteral("Beschreibung"), QString::fromUtf8(name)}, {QStringLiteral("PG"), 301}});
    auto window = makeWindow(db);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTableView* grid = window->projectList();
    const auto rowCentre = [grid](int row) { return grid->visualRect(grid->model()->index(row, 1)).center(); };
    // One marked project: the window asks for more instead of comparing.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QString message;
    onNextModal([&message](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            message = box->text();
            box->accept();
        }
    });
    CLICK(window->compareButton());
    QVERIFY(message.contains(QStringLiteral("2 bis 6")));
    // The first and the third with Ctrl: one column per marked project, in list order.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
    QCOMPARE(window->selectedProjectIds().size(), 2);
    QStringList headers;
    onNextModal([&headers](QWidget* modal) {
        if (auto* comparison = qobject_cast<VariantComparisonWindow*>(modal)) {
            for (int c = 1; c < comparison->table()->columnCount(); ++c)
                headers << comparison->table()->horizontalHeaderItem(c)->text();
            comparison->accept();
        }
    });
    CLICK(window->compareButton());
    QStringList expected;
    for (int id : window->selectedProjectIds())
        expected << QStringLiteral("Projekt %1").arg(id);
    QCOMPARE(headers, expected);
    QVERIFY(expected.contains(QStringLiteral("Projekt %1").arg(cell(grid, 0, 0))));
    QVERIFY(expected.contains(QStringLiteral("Projekt %1").arg(cell(grid, 2, 0))));
}

void ProjectsGuiTest::layoutAndEmptyList() {
    // Without databases beside the program file the window is not created; the message names the file.
    const QString expected =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("TAVO_Master.db"));
    QVERIFY(!QFileInfo::exists(expected));
    try {
        ProjectListWindow orphan;
        QFAIL("window created without databases");
    } catch (const TavoError& e) {
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
    }

    TestDb db;
    auto window = makeWindow(db);
    QCOMPARE(window->windowTitle(), QStringLiteral("TAVO - Tavorechner: Datensatz wählen"));
    QTableView* grid = window->projectList();
    QCOMPARE(grid->model()->columnCount(), 6);
    const QStringList titles = {QStringLiteral("ID"),       QStringLiteral("PG-Nr."),
                                QStringLiteral("Gemeinde"), QStringLiteral("Beschreibung"),
                                QStringLiteral("Projekt"), QStringLiteral("Bezugsjahr")};
    const QList<int> widths = {55, 55, 163, 260, 75, 55};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(grid->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
        // The designed width, or wider where the title needs it.
        QCOMPARE(grid->columnWidth(i), qMax(widths[i], grid->horizontalHeader()->sectionSizeHint(i)));
        QVERIFY(grid->columnWidth(i) >= grid->horizontalHeader()->sectionSizeHint(i));
    }
    QVERIFY(window->width() >= grid->horizontalHeader()->length());

    // Nothing to open or copy in an empty list.
    QVERIFY(!window->okButton()->isEnabled());
    QVERIFY(!window->duplicateButton()->isEnabled());
    QVERIFY(!window->navigatorButton(Nav::Delete)->isEnabled());
    // Each navigator glyph comes from the resource: some of its pixels are drawn, and first and
    // last differ (the bar on opposite sides).
    QList<QImage> glyphs;
    for (Nav which : {Nav::First, Nav::Prior, Nav::Next, Nav::Last, Nav::Delete}) {
        const QImage glyph = window->navigatorButton(which)->icon().pixmap(16, 16).toImage();
        int drawn = 0;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                drawn += glyph.pixelColor(x, y).alpha() > 128 ? 1 : 0;
        QVERIFY(drawn > 10);
        glyphs << glyph;
    }
    QVERIFY(glyphs[0] != glyphs[3]);
    QVERIFY(window->duplicateButton()->isDefault());
    QCOMPARE(window->closeButton()->text(), QStringLiteral("B&eenden"));
    QCOMPARE(window->newButton()->text(), QStringLiteral("neuer Datensatz..."));
    QCOMPARE(window->okButton()->text(), QStringLiteral("Datensatz bearbeiten"));
    QCOMPARE(window->duplicateButton()->text(), QStringLiteral("Datensatz duplizieren"));
    QCOMPARE(window->duplicateButton()->toolTip(), QStringLiteral("Datensatz duplizieren"));
    auto* memo = window->findChild<QPlainTextEdit*>(QStringLiteral("meHinweis"));
    QVERIFY(memo);
    QCOMPARE(memo->toPlainText(),
             QStringLiteral("Die Berechnungsergebnisse dienen als grober Anhaltspunkt für die Bewertung\n"
                            "der Kosten und Einnahmen aus Siedlungserweiterungen.\n"
                            "\n"
                            "Das Land Talland und die beteiligten Firmen übernehmen keine Haftung für\n"
                            "die Richtigkeit der Berechnungen!"));

    // The grid grows with the window; the buttons keep to the bottom corners (in one row in a window
    // as wide as this one).
    window->resize(window->width() + 200, window->height());
    QApplication::processEvents();
    const int gridHeight = grid->height();
    window->resize(window->width(), window->height() + 150);
    QApplication::processEvents();
    QCOMPARE(grid->height(), gridHeight + 150);
    QVERIFY(window->closeButton()->mapTo(window.get(), QPoint(window->closeButton()->width(), 0)).x() >
            window->width() - 30);
    QVERIFY(window->closeButton()->mapTo(window.get(), QPoint(0, 0)).y() > window->height() - 60);
}

void ProjectsGuiTest::newProjectWithOkAndCancel() {
    TestDb db;
    auto window = makeWindow(db);

    chooseMunicipality(QStringLiteral("Tal"), false);
    CLICK(window->newButton());
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 0);
    QCOMPARE(window->projectList()->model()->rowCount(), 0);
    QVERIFY(window->mainWindows().isEmpty());

    chooseMunicipality(QStringLiteral("Tal"), true);
    CLICK(window->newButton());
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 1);
    const int id = Sql::scalar(db.user(), QStringLiteral("SELECT ID FROM TAVO")).toInt();

    QTableView* grid = window->projectList();
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(window->currentProjectId(), id);
    QCOMPARE(cell(grid, 0, 1), QStringLiteral("301"));
    QCOMPARE(cell(grid, 0, 2), QStringLiteral("Talheim"));
    QCOMPARE(cell(grid, 0, 3), QString());

    // The main window shows the new project; the value-list defaults and the preset are stored.
    QCOMPARE(window->mainWindows().size(), 1);
    MainWindow* main = window->mainWindows().first();
    QVERIFY(main->isVisible());
    QCOMPARE(main->projectId(), id);
    QVERIFY(!main->record().isEditing());
    QCOMPARE(main->record().value(QStringLiteral("Beschreibung")).toString(), QString());
    QCOMPARE(Sql::scalar(db.user(), QStringLiteral("SELECT bgFlBaulandBrutto FROM TAVO WHERE ID = ?"), {id})
                 .toDouble(),
             10000.0);
    // Every value-list field of the window stored the default entry of FeldWerte.
    QSqlQuery defaults = Sql::exec(db.master(), QStringLiteral("SELECT Feld, Wert FROM FeldWerte "
                                                               "WHERE Tabelle = 'TAVO' AND \"Default\" = 1"));
    int checked = 0;
    while (defaults.next()) {
        const QString column = defaults.value(0).toString();
        if (!main->comboFor(column) || main->comboFor(column)->isHidden())
            continue;
        const QVariant stored = Sql::scalar(
            db.user(), QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(column)), {id});
        QVERIFY2(!stored.isNull(), qPrintable(column));
        QVERIFY2(
            qFuzzyCompare(stored.toDouble() + 1.0, QLocale::c().toDouble(defaults.value(1).toString()) + 1.0),
            qPrintable(column));
        ++checked;
    }
    QVERIFY(checked > 10);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung WHERE TAVO = ?"), {id}), 20);
    QCOMPARE(Sql::scalar(db.user(),
                         QStringLiteral("SELECT EFHg FROM Besiedelung WHERE TAVO = ? AND Jahr = 2"), {id})
                 .toDouble(),
             Sql::scalar(db.master(),
                         QStringLiteral("SELECT EFHg FROM Besiedelung_mit_Mobilisierung WHERE Jahr = 2"))
                 .toDouble());

    // Closing the main window keeps the empty description (no conflicting save).
    main->close();
    QVERIFY(!main->isVisible());
    QCOMPARE(
        Sql::scalar(db.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = ?"), {id}).toString(),
        QString());
}

void ProjectsGuiTest::failedNewProjectLeavesNothing() {
    TestDb db;
    auto window = makeWindow(db);

    // The preset cannot be written: a message, and no project.
    QSqlQuery(db.user()).exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Besiedelung "
                                             "BEGIN SELECT RAISE(ABORT, 'Besiedelung gesperrt'); END"));
    QString message;
    chooseMunicipality(QStringLiteral("Talheim"), true);
    answerMessageBox(QMessageBox::Ok, &message);
    CLICK(window->newButton());
    QVERIFY2(message.contains(QStringLiteral("Besiedelung gesperrt")), qPrintable(message));
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 0);
    QCOMPARE(window->projectList()->model()->rowCount(), 0);

    // The main window cannot save the defaults: the new row is removed again.
    QSqlQuery(db.user()).exec(QStringLiteral("DROP TRIGGER refuse"));
    QSqlQuery(db.user()).exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON TAVO "
                                             "BEGIN SELECT RAISE(ABORT, 'TAVO gesperrt'); END"));
    message.clear();
    chooseMunicipality(QStringLiteral("Talheim"), true);
    answerMessageBox(QMessageBox::Ok, &message);
    CLICK(window->newButton());
    QVERIFY2(message.contains(QStringLiteral("TAVO gesperrt")), qPrintable(message));
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO")), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung")), 0);
    QCOMPARE(window->projectList()->model()->rowCount(), 0);
    QCOMPARE(window->mainWindows().size(), 1);
    QVERIFY(!window->mainWindows().first()->isVisible());
}

void ProjectsGuiTest::chooserSearchesBeginningOfName() {
    TestDb db;
    QSqlQuery(db.writableMaster())
        .exec(QStringLiteral("INSERT INTO PG (ID, PG_Name) VALUES (399, 'Sankt Jakob''s Au')"));
    db.reopen();
    MunicipalityDialog chooser(db.master());
    chooser.show();
    QTableView* grid = chooser.municipalityList();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("politische Gemeinde wählen..."));
    QCOMPARE(chooser.font().families().value(0), QStringLiteral("Tahoma"));
    QCOMPARE(chooser.font().pointSize(), 8);
    QLabel* searchLabel = nullptr;
    for (QLabel* label : chooser.findChildren<QLabel*>())
        if (label->buddy() == chooser.nameEdit())
            searchLabel = label;
    QVERIFY(searchLabel);
    QCOMPARE(searchLabel->text(), QStringLiteral("Gemeinde &suchen:"));
    QCOMPARE(chooser.okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(chooser.findChild<QPushButton*>(QStringLiteral("btAbbrechen"))->text(),
             QStringLiteral("Abbruch"));
    QCOMPARE(grid->model()->rowCount(), 17);
    QCOMPARE(cell(grid, 0, 1), QStringLiteral("Bergen"));
    QVERIFY(grid->model()->columnCount() >= 5);
    QVERIFY(chooser.okButton()->isEnabled());

    QTest::keyClicks(chooser.nameEdit(), QStringLiteral("ober"));
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(cell(grid, 0, 1), QStringLiteral("Oberau"));
    QCOMPARE(cell(grid, 2, 1), QStringLiteral("Obertal"));
    QCOMPARE(grid->currentIndex().row(), 0);

    // "au" is inside Unterau and Grünau, but no name begins with it.
    chooser.nameEdit()->clear();
    QTest::keyClicks(chooser.nameEdit(), QStringLiteral("au"));
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!chooser.okButton()->isEnabled());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(chooser.result(), int(QDialog::Rejected));
    QVERIFY(chooser.isVisible());

    // Wildcards typed by the user match only themselves; an apostrophe is an ordinary character.
    for (const QString& text : {QStringLiteral("%"), QStringLiteral("_alheim"), QStringLiteral("O'Brien")}) {
        chooser.nameEdit()->setText(text);
        QCOMPARE(grid->model()->rowCount(), 0);
    }
    chooser.nameEdit()->setText(QStringLiteral("Sankt Jakob'"));
    QCOMPARE(grid->model()->rowCount(), 1);

    chooser.nameEdit()->setText(QStringLiteral("Ober"));
    const QRect second = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(chooser.result(), int(QDialog::Accepted));
    QCOMPARE(chooser.municipality(), 303);
}

void ProjectsGuiTest::duplicateAndDelete() {
    TestDb db;
    const int p = db.insertProject(
        {{QStringLiteral("Beschreibung"), QStringLiteral("Am Bach")}, {QStringLiteral("PG"), 305}});
    db.insertRow(QStringLiteral("Bebauung"), {{QStringLiteral("TAVO"), p},
                                              {QStringLiteral("bbTyp"), QStringLiteral("GWB")},
                                              {QStringLiteral("bbAnteil"), 100}});
    db.insertRow(QStringLiteral("Besiedelung"),
                 {{QStringLiteral("TAVO"), p}, {QStringLiteral("Jahr"), 1}, {QStringLiteral("GWB"), 50.0}});
    auto window = makeWindow(db);
    QTableView* grid = window->projectList();
    QCOMPARE(window->currentProjectId(), p);

    grid->horizontalHeader()->resizeSection(3, 321);
    CLICK(window->duplicateButton());
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->columnWidth(3), 321);
    const int copy = window->currentProjectId();
    QVERIFY(copy != p);
    QCOMPARE(cell(grid, grid->currentIndex().row(), 3), QStringLiteral("Kopie von Am Bach"));
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {copy}), 1);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung WHERE TAVO = ?"), {copy}), 1);

    // "No" keeps the row; "Yes" deletes it with its detail rows.
    QString question;
    answerMessageBox(QMessageBox::No, &question);
    CLICK(window->navigatorButton(Nav::Delete));
    QCOMPARE(question, QStringLiteral("Datensatz löschen?"));
    QCOMPARE(grid->model()->rowCount(), 2);

    // The copy is open in a main window with an unsaved change; deleting it hides that window.
    CLICK(window->okButton());
    MainWindow* main = window->mainWindows().first();
    QCOMPARE(main->projectId(), copy);
    main->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("geändert"));
    answerMessageBox(QMessageBox::Yes);
    CLICK(window->navigatorButton(Nav::Delete));
    QCOMPARE(grid->model()->rowCount(), 1);
    QVERIFY(!main->isVisible());
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM TAVO WHERE ID = ?"), {copy}), 0);
    QCOMPARE(window->currentProjectId(), p);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {copy}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Besiedelung WHERE TAVO = ?"), {copy}), 0);
    QCOMPARE(count(db.user(), QStringLiteral("SELECT count(*) FROM Bebauung WHERE TAVO = ?"), {p}), 1);

    answerMessageBox(QMessageBox::Yes);
    CLICK(window->navigatorButton(Nav::Delete));
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!window->okButton()->isEnabled());
    QVERIFY(!window->duplicateButton()->isEnabled());
}

void ProjectsGuiTest::mainWindowsAreReused() {
    TestDb db;
    for (int i = 1; i <= 3; ++i)
        db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("P%1").arg(i)}});
    auto window = makeWindow(db);

    // Navigator and open: the first project, then the last one in a second window.
    QCOMPARE(window->currentProjectId(), 1);
    QVERIFY(!window->navigatorButton(Nav::First)->isEnabled());
    QVERIFY(!window->navigatorButton(Nav::Prior)->isEnabled());
    CLICK(window->okButton());
    QCOMPARE(window->mainWindows().size(), 1);
    MainWindow* first = window->mainWindows().at(0);
    QCOMPARE(first->projectId(), 1);
    QCOMPARE(first->record().value(QStringLiteral("Beschreibung")).toString(), QStringLiteral("P1"));

    CLICK(window->navigatorButton(Nav::Last));
    QVERIFY(!window->navigatorButton(Nav::Next)->isEnabled());
    CLICK(window->okButton());
    QCOMPARE(window->mainWindows().size(), 2);
    MainWindow* second = window->mainWindows().at(1);
    QCOMPARE(second->projectId(), 3);

    // A window closed with its changes saved is hidden, refreshes the list and opens the next project.
    first->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("P1 neu"));
    answerMessageBox(QMessageBox::Yes);
    first->close();
    QVERIFY(!first->isVisible());
    QCOMPARE(cell(window->projectList(), 0, 3), QStringLiteral("P1 neu"));
    QCOMPARE(window->currentProjectId(), 3);
    CLICK(window->navigatorButton(Nav::Prior));
    QCOMPARE(window->currentProjectId(), 2);
    const QRect rowRect = window->projectList()->visualRect(window->projectList()->model()->index(1, 2));
    QTest::mouseClick(window->projectList()->viewport(), Qt::LeftButton, {}, rowRect.center());
    QTest::mouseDClick(window->projectList()->viewport(), Qt::LeftButton, {}, rowRect.center());
    QCOMPARE(window->mainWindows().size(), 2);
    QVERIFY(first->isVisible());
    QCOMPARE(first->projectId(), 2);
    QCOMPARE(first->record().value(QStringLiteral("Beschreibung")).toString(), QStringLiteral("P2"));

    // With both showing, a third one is created.
    CLICK(window->okButton());
    QCOMPARE(window->mainWindows().size(), 3);
    QVERIFY(window->mainWindows().at(2)->isVisible());
}

void ProjectsGuiTest::closingAsksAboutPendingEdits() {
    TestDb db;
    const int p = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("unverändert")}});
    const auto stored = [&db, p] {
        return Sql::scalar(db.user(), QStringLiteral("SELECT Beschreibung FROM TAVO WHERE ID = ?"), {p})
            .toString();
    };
    auto window = makeWindow(db);
    CLICK(window->okButton());
    MainWindow* main = window->mainWindows().first();
    QPointer<MainWindow> guard(main);
    main->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("geändert"));

    // Abbrechen: the program goes on, the main window keeps the change.
    QStringList questions;
    answerModals({QStringLiteral("Abbrechen")}, &questions);
    CLICK(window->closeButton());
    QVERIFY(window->isVisible());
    QVERIFY(!guard.isNull() && main->isVisible());
    QCOMPARE(main->record().value(QStringLiteral("Beschreibung")).toString(), QStringLiteral("geändert"));
    // Nein: the program ends and the change is dropped.
    answerModals({QStringLiteral("Nein")}, &questions);
    CLICK(window->closeButton());
    QVERIFY(!window->isVisible());
    QVERIFY(guard.isNull());
    QVERIFY(window->mainWindows().isEmpty());
    QCOMPARE(stored(), QStringLiteral("unverändert"));
    window.reset();

    // Ja: the change is saved before the program ends.
    window = makeWindow(db);
    CLICK(window->okButton());
    window->mainWindows().first()->record().setValue(QStringLiteral("Beschreibung"),
                                                     QStringLiteral("gespeichert"));
    answerModals({QStringLiteral("Ja")}, &questions);
    CLICK(window->closeButton());
    QVERIFY(!window->isVisible());
    QCOMPARE(stored(), QStringLiteral("gespeichert"));
    QCOMPARE(questions, QStringList(3, QStringLiteral("Änderungen speichern?")));
    window.reset();

    // An open main window without changes: no question (one would be rejected here and keep the
    // program running).
    window = makeWindow(db);
    CLICK(window->okButton());
    QTimer catcher;
    catcher.setInterval(20);
    connect(&catcher, &QTimer::timeout, [&questions] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            questions << box->text();
            box->reject();
        }
    });
    catcher.start();
    CLICK(window->closeButton());
    QVERIFY(!window->isVisible());
    QCOMPARE(questions.size(), 3);
}

// A file the planner may only read opens for reading; saving is refused with the file's message and the
// file stays as it was.
void ProjectsGuiTest::readOnlyFileIsShownButNotSaved() {
    TestDb db;
    db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("nur lesen")}});
    QFile::setPermissions(db.userPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = [&db] {
        QFile file(db.userPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    auto window = std::make_unique<ProjectListWindow>(
        std::make_unique<Databases>(db.masterPath(), db.userPath(), Databases::Access::WriteIfAllowed));
    window->show();
    QVERIFY(window->databases().isReadOnly());
    QCOMPARE(cell(window->projectList(), 0, 3), QStringLiteral("nur lesen"));
    CLICK(window->okButton());
    MainWindow* main = window->mainWindows().first();
    QCOMPARE(main->record().value(QStringLiteral("Beschreibung")).toString(), QStringLiteral("nur lesen"));
    main->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("geändert"));
    QString refusal;
    onModal<QMessageBox>([&refusal](QMessageBox* question) {
        QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);
        onModal<QMessageBox>([&refusal](QMessageBox* box) {
            refusal = box->text();
            box->done(QMessageBox::Ok);
        });
    });
    main->close();
    QTRY_VERIFY(!refusal.isEmpty());
    QVERIFY2(refusal.contains(db.userPath() + QStringLiteral(" ist schreibgeschützt.")), qPrintable(refusal));
    QFile file(db.userPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_MAIN(ProjectsGuiTest)
#include "test_project_list.moc"

// Alt+letter reaches one thing each; Enter opens the current project; Hilfe -> Info names the database
// files; the question before deleting names the project.
void ProjectsGuiTest::usableFromTheKeyboard() {
    TestDb db;
    for (const char* name : {"Am Bach", "Auf der Höhe"})
        db.insertProject({{QStringLiteral("Beschreibung"), QString::fromUtf8(name)}, {QStringLiteral("PG"), 305}});
    auto window = makeWindow(db);

    QStringList taken;
    const auto mnemonic = [](QString text) {
        text.replace(QStringLiteral("&&"), QString());
        const int at = text.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    for (QAction* menu : window->findChild<QMenuBar*>()->actions())
        taken << mnemonic(menu->text());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isVisible())
            taken << mnemonic(button->text());
    taken.removeAll(QString(QChar()));
    QVERIFY(taken.size() >= 4);
    QCOMPARE(QSet<QString>(taken.begin(), taken.end()).size(), taken.size());

    QTableView* list = window->projectList();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(window->mainWindows().size(), 1);
    MainWindow* main = window->mainWindows().first();
    QCOMPARE(main->projectId(), 2);
    QVERIFY(main->isVisible());
    // Closing it with a change asks about saving, naming the project.
    main->record().setValue(QStringLiteral("Projekt"), QStringLiteral("Hang"));
    QString saveDetail;
    onModal<QMessageBox>([&saveDetail](QMessageBox* box) {
        saveDetail = box->informativeText();
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    main->close();
    QVERIFY(!main->isVisible());
    QVERIFY2(saveDetail.contains(QStringLiteral("Auf der Höhe")), qPrintable(saveDetail));

    QString files;
    onModal<AboutDialog>([&files](AboutDialog* about) {
        files = about->lbDateien ? about->lbDateien->text() : QStringLiteral("keine");
        about->accept();
    });
    window->findChild<QAction*>(QStringLiteral("actInfo"))->trigger();
    QVERIFY2(files.contains(QDir::toNativeSeparators(db.userPath())), qPrintable(files));
    QVERIFY2(files.contains(QDir::toNativeSeparators(db.masterPath())), qPrintable(files));

    QString detail;
    onModal<QMessageBox>([&detail](QMessageBox* box) {
        detail = box->informativeText();
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    list->setCurrentIndex(list->model()->index(1, 0));
    CLICK(window->navigatorButton(Nav::Delete));
    QVERIFY2(detail.contains(QStringLiteral("Auf der Höhe")), qPrintable(detail));
    QCOMPARE(list->model()->rowCount(), 2);
}
