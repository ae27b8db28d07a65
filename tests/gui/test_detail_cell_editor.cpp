// The cell editor of a detail grid: a stored amount opens as its text, and the arrow keys move between
// rows instead of changing the number.

#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QtTest>

#include "core/data/Sql.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/DetailModel.h"
#include "support/TestDb.h"

class TestDetailCellEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedAmountsSurviveTheEditor();
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

QTEST_MAIN(TestDetailCellEditor)
#include "test_detail_cell_editor.moc"
