// The cell editor of a detail grid: a stored amount opens as its text, the arrow keys move between
// rows instead of changing the number, and numbers are typed freely within each column's range.

#include <memory>

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

#include "core/data/MasterData.h"
#include "core/data/Sql.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/DetailModel.h"
#include "gui/input/ValueListCombo.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

class TestDetailCellEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedAmountsSurviveTheEditor();
    void typedNumbers_data();
    void typedNumbers();
    void cleanup() { QLocale::setDefault(QLocale::c()); }
};

namespace {

// The editor open in the grid's view, if any.
QLineEdit* openEditor(QTableView* view) {
    QLineEdit* found = nullptr;
    for (QLineEdit* edit : view->viewport()->findChildren<QLineEdit*>())
        if (edit->isVisible())
            found = edit;
    return found;
}

} // namespace

void TestDetailCellEditor::storedAmountsSurviveTheEditor() {
    TestDb db;
    const int id = db.insertProject({{"Beschreibung", "Editor"}});
    db.insertRow("Sonderausgaben", {{"TAVO", id},
                                    {"Jahr", 3},
                                    {"Typ", "Sonstiges"},
                                    {"Bezeichnung", "Brücke"},
                                    {"Kostenträger", "Gemeinde"},
                                    {"Ausgabe", 420000.0}});
    db.insertRow("Sonderausgaben", {{"TAVO", id},
                                    {"Jahr", 4},
                                    {"Typ", "Sonstiges"},
                                    {"Bezeichnung", "Zaun"},
                                    {"Kostenträger", "Gemeinde"},
                                    {"Ausgabe", 12.5}});
    SpecialExpenditureGrid grid(db.user());
    grid.open(id);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    DetailModel* model = grid.model();
    const int amount = model->columnIndex("Ausgabe");
    QTableView* view = grid.view();
    // Moving onto the cell opens its editor with the whole amount.
    view->setCurrentIndex(model->index(0, amount));
    QPointer<QLineEdit> edit = openEditor(view);
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("420000"));
    // Down leaves the amount as it is.
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(view->currentIndex().row(), 1);
    if (edit)
        QTest::keyClick(edit, Qt::Key_Return);
    grid.post();
    QCOMPARE(Sql::scalar(db.user(), "SELECT Ausgabe FROM Sonderausgaben WHERE TAVO = ? AND Jahr = 3", {id})
                 .toDouble(),
             420000.0);
    QCOMPARE(Sql::scalar(db.user(), "SELECT Ausgabe FROM Sonderausgaben WHERE TAVO = ? AND Jahr = 4", {id})
                 .toDouble(),
             12.5);
}

void TestDetailCellEditor::typedNumbers_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored"); // the column's value afterwards
    QTest::addColumn<QString>("message"); // empty: accepted without a word

    const QString de = QStringLiteral("de_AT"), c = QStringLiteral("C");
    // The building mix holds 60 before; its list offers 10 % … 100 %.
    QTest::newRow("share 35") << de << "Bebauung"
                              << "bbAnteil"
                              << "35" << QVariant(35) << "";
    QTest::newRow("share 35 %") << c << "Bebauung"
                                << "bbAnteil"
                                << "35 %" << QVariant(35) << "";
    QTest::newRow("share 0") << c << "Bebauung"
                             << "bbAnteil"
                             << "0" << QVariant(0) << "";
    QTest::newRow("share list entry") << de << "Bebauung"
                                      << "bbAnteil"
                                      << "30 %" << QVariant(30) << "";
    QTest::newRow("share 3") << de << "Bebauung"
                             << "bbAnteil"
                             << "3" << QVariant(3) << "";
    QTest::newRow("share 300") << de << "Bebauung"
                               << "bbAnteil"
                               << "300" << QVariant(60) << "'300' liegt nicht zwischen 0 und 100.";
    QTest::newRow("share -5") << c << "Bebauung"
                              << "bbAnteil"
                              << "-5" << QVariant(60) << "'-5' liegt nicht zwischen 0 und 100.";
    QTest::newRow("share text") << de << "Bebauung"
                                << "bbAnteil"
                                << "viel" << QVariant(60) << "'viel' ist keine gültige Zahl.";
    QTest::newRow("share fraction") << de << "Bebauung"
                                    << "bbAnteil"
                                    << "35,5" << QVariant(35.5) << "";
    QTest::newRow("share fraction neutral") << c << "Bebauung"
                                            << "bbAnteil"
                                            << "12.5" << QVariant(12.5) << "";
    // The settlement holds 25 in year 1; percentages take decimals in either notation.
    QTest::newRow("settled de") << de << "Besiedelung"
                                << "EFHg"
                                << "12,5" << QVariant(12.5) << "";
    QTest::newRow("settled neutral") << de << "Besiedelung"
                                     << "EFHg"
                                     << "12.5" << QVariant(12.5) << "";
    QTest::newRow("settled C") << c << "Besiedelung"
                               << "EFHg"
                               << "7.25" << QVariant(7.25) << "";
    QTest::newRow("settled 100.5") << c << "Besiedelung"
                                   << "EFHg"
                                   << "100.5" << QVariant(25) << "'100.5' liegt nicht zwischen 0 und 100.";
    QTest::newRow("settled inf") << c << "Besiedelung"
                                 << "EFHg"
                                 << "inf" << QVariant(25) << "'inf' ist keine gültige Zahl.";
    QTest::newRow("year 21") << de << "Besiedelung"
                             << "Jahr"
                             << "21" << QVariant(1) << "'21' liegt nicht zwischen 1 und 20.";
    // The special expenditure holds 1000 in year 3.
    QTest::newRow("amount de") << de << "Sonderausgaben"
                               << "Ausgabe"
                               << "1234,5" << QVariant(1234.5) << "";
    QTest::newRow("amount negative") << c << "Sonderausgaben"
                                     << "Ausgabe"
                                     << "-20" << QVariant(-20.0) << "";
    QTest::newRow("amount huge") << c << "Sonderausgaben"
                                 << "Ausgabe"
                                 << "2e12" << QVariant(1000.0)
                                 << "'2e12' liegt nicht zwischen -1000000000000 und 1000000000000.";
    QTest::newRow("expenditure year 0") << c << "Sonderausgaben"
                                        << "Jahr"
                                        << "0" << QVariant(3) << "'0' liegt nicht zwischen 1 und 20.";
}

void TestDetailCellEditor::typedNumbers() {
    QFETCH(QString, locale);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, message);
    QLocale::setDefault(QLocale(locale));
    TestDb db;
    const int id = db.insertProject({{"Beschreibung", "Tippen"}});
    db.insertRow("Bebauung", {{"TAVO", id}, {"bbTyp", "EFHg"}, {"bbBauklasse", "II"}, {"bbAnteil", 60}});
    db.insertRow("Besiedelung", {{"TAVO", id}, {"Jahr", 1}, {"EFHg", 25.0}});
    db.insertRow("Sonderausgaben",
                 {{"TAVO", id}, {"Jahr", 3}, {"Bezeichnung", "Brücke"}, {"Ausgabe", 1000.0}});
    std::unique_ptr<DetailGrid> grid;
    if (table == QLatin1String("Bebauung")) {
        auto* mix = new BuildingMixGrid(db.user());
        MasterData::ValueLists valueLists(db.master());
        mix->loadPickLists(valueLists);
        grid.reset(mix);
    } else if (table == QLatin1String("Besiedelung")) {
        grid.reset(new SettlementGrid(db.user()));
    } else {
        grid.reset(new SpecialExpenditureGrid(db.user()));
    }
    grid->open(id);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    DetailModel* model = grid->model();
    const int column = model->columnIndex(field);
    grid->view()->setCurrentIndex(model->index(0, column));
    // The share opens an editable drop-down, the other numbers a line edit.
    QComboBox* combo = nullptr;
    for (QComboBox* open : grid->view()->viewport()->findChildren<QComboBox*>())
        if (open->isVisible())
            combo = open;
    QLineEdit* edit = combo ? combo->lineEdit() : openEditor(grid->view());
    QVERIFY(edit);
    QCOMPARE(combo != nullptr, field == QLatin1String("bbAnteil"));
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QStringList texts;
    if (!message.isEmpty())
        answerModals({QStringLiteral("OK")}, &texts);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(texts, message.isEmpty() ? QStringList() : QStringList{message});
    grid->post();
    const QVariant value = Sql::scalar(
        db.user(), QStringLiteral("SELECT %1 FROM %2 WHERE TAVO = ?").arg(Sql::quoted(field), table), {id});
    QCOMPARE(value.toDouble(), stored.toDouble());
}

QTEST_MAIN(TestDetailCellEditor)
#include "test_detail_cell_editor.moc"
