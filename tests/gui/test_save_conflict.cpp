#include <memory>

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/projects/ProjectRecord.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/ProjectEdit.h"
#include "gui/mainwindow/CalculationAction.h"
#include "gui/mainwindow/MainWindow.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

const QString kSecond = QStringLiteral("zweiterPlaner");

QVariant stored(const QSqlDatabase& db, int id, const QString& column) {
    return Sql::scalar(db, QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(column)), {id});
}

const QString kChanged = QStringLiteral("Der Datensatz wurde inzwischen geändert.");

} // namespace

// One window of planner A; a second connection to the same file is planner B, who saves meanwhile.
class SaveConflictTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<MainWindow> m_window;
    QSqlDatabase m_second;
    int m_id = 0;

    void plannerBSaves(const QString& column, const QVariant& value) {
        ProjectRecord b(m_second);
        b.load(m_id);
        b.setValue(column, value);
        b.post();
    }
    int settlementEfhg() {
        return Sql::scalar(m_db->user(), QStringLiteral("SELECT EFHg FROM Besiedelung WHERE TAVO = ?"),
                           {m_id})
            .toInt();
    }
    QPushButton* button(const char* name) { return m_window->button(QString::fromLatin1(name)); }

private Q_SLOTS:
    void init() {
        m_db = std::make_unique<TestDb>();
        m_id = m_db->insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("Original")},
                                    {QStringLiteral("gsHebesatz"), 400.0}});
        m_db->insertRow(
            QStringLiteral("Besiedelung"),
            {{QStringLiteral("TAVO"), m_id}, {QStringLiteral("Jahr"), 1}, {QStringLiteral("EFHg"), 10}});
        m_second = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSecond);
        m_second.setDatabaseName(m_db->userPath());
        m_second.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        QVERIFY(m_second.open());
        m_window = std::make_unique<MainWindow>(m_db->dbs());
        m_window->setProjectId(m_id);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() {
        m_window.reset();
        m_second.close();
        m_second = QSqlDatabase();
        QSqlDatabase::removeDatabase(kSecond);
        m_db.reset();
    }

    void abbrechenKeepsEditingAndCalculatesNothing() {
        plannerBSaves(QStringLiteral("gsHebesatz"), 450);
        m_window->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("von A"));
        QSignalSpy finished(m_window->findChild<CalculationAction*>(),
                            &CalculationAction::calculationFinished);
        {
            QStringList texts;
            answerModals({QStringLiteral("Abbrechen")}, &texts);
            QTest::mouseClick(button("btBerechnen"), Qt::LeftButton);
            QCOMPARE(texts.size(), 1);
            QVERIFY2(texts[0].startsWith(kChanged), qPrintable(texts[0]));
            QVERIFY(texts[0].contains(QStringLiteral("gsHebesatz")));
        }
        QCOMPARE(finished.count(), 0);
        QCOMPARE(Sql::scalar(m_db->user(), QStringLiteral("SELECT count(*) FROM Auswertung")).toInt(), 0);
        {
            QStringList texts;
            answerModals({QStringLiteral("Abbrechen")}, &texts);
            QTest::mouseClick(button("btExit"), Qt::LeftButton);
            QCOMPARE(texts.size(), 1);
        }
        // Nothing was written, the window is open with A's edit.
        QVERIFY(m_window->isVisible());
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("Original"));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 1);
        QCOMPARE(m_window->record().value(QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("von A"));
        QVERIFY(m_window->hasUnsavedChanges());
    }

    void neuLadenShowsTheStoredRecord() {
        plannerBSaves(QStringLiteral("gsHebesatz"), 450);
        m_window->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("von A"));
        SettlementGrid* grid = m_window->settlementGrid();
        QVERIFY(grid->model()->setData(
            grid->model()->index(0, grid->model()->columnIndex(QStringLiteral("EFHg"))), 20));
        {
            QStringList texts;
            answerModals({QStringLiteral("Neu laden")}, &texts);
            QVERIFY(!m_window->saveProject());
            QCOMPARE(texts.size(), 1);
        }
        QVERIFY(!m_window->hasUnsavedChanges());
        QCOMPARE(m_window->record().value(QStringLiteral("gsHebesatz")).toDouble(), 450.0);
        QCOMPARE(m_window->record().value(QStringLiteral("Beschreibung")).toString(),
                 QStringLiteral("Original"));
        QCOMPARE(m_window->inputFor(QStringLiteral("Beschreibung"))->text(), QStringLiteral("Original"));
        QVERIFY(m_window->inputFor(QStringLiteral("gsHebesatz"))->text().startsWith(QStringLiteral("450")));
        QCOMPARE(grid->model()
                     ->data(grid->model()->index(0, grid->model()->columnIndex(QStringLiteral("EFHg"))),
                            Qt::EditRole)
                     .toInt(),
                 10);
        QCOMPARE(settlementEfhg(), 10);
        // In step with the stored version now: the next save goes through.
        m_window->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("danach"));
        QVERIFY(m_window->saveProject());
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 2);
    }

    void ueberschreibenWritesOwnValuesAndCloses() {
        plannerBSaves(QStringLiteral("Projekt"), QStringLiteral("von B"));
        plannerBSaves(QStringLiteral("gsHebesatz"), 450);
        m_window->record().setValue(QStringLiteral("gsHebesatz"), 420);
        {
            QStringList texts;
            answerModals({QStringLiteral("Überschreiben")}, &texts);
            QTest::mouseClick(button("btExit"), Qt::LeftButton);
            QCOMPARE(texts.size(), 1);
        }
        QVERIFY(!m_window->isVisible());
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("gsHebesatz")).toDouble(), 420.0);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Projekt")).toString(), QStringLiteral("von B"));
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 3);
    }

    void detailRowsOfAChangedProjectAskToo() {
        // B saved only detail rows: the version moved all the same.
        {
            ProjectRecord b(m_second);
            b.load(m_id);
            b.keepVersion(b.claimVersion());
        }
        SettlementGrid* grid = m_window->settlementGrid();
        const QModelIndex efhg = grid->model()->index(0, grid->model()->columnIndex(QStringLiteral("EFHg")));
        QVERIFY(grid->model()->setData(efhg, 30));
        {
            // "Abbruch" asks to save; "Ja", then "Abbrechen" at the conflict keeps the window open.
            QStringList texts;
            answerModals({QStringLiteral("Ja"), QStringLiteral("Abbrechen")}, &texts);
            QTest::mouseClick(button("btAbbrechen"), Qt::LeftButton);
            QCOMPARE(texts.size(), 2);
            QCOMPARE(texts[1], kChanged);
        }
        QVERIFY(m_window->isVisible());
        QCOMPARE(settlementEfhg(), 10);
        {
            QStringList texts;
            answerModals({QStringLiteral("Ja"), QStringLiteral("Überschreiben")}, &texts);
            QTest::mouseClick(button("btAbbrechen"), Qt::LeftButton);
            QCOMPARE(texts.size(), 2);
        }
        QVERIFY(!m_window->isVisible());
        QCOMPARE(settlementEfhg(), 30);
        // The overwrite took the newest version, the grid's write claimed the next one.
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 3);
    }

    void presetOverAChangedProjectIsRefused() {
        plannerBSaves(QStringLiteral("gsHebesatz"), 450);
        {
            // Replacing the settlement rows is confirmed, then refused as the project moved on.
            QStringList texts;
            answerModals({QStringLiteral("Ja"), QStringLiteral("OK")}, &texts);
            QTest::mouseClick(button("btSetAufsied_leer"), Qt::LeftButton);
            QCOMPARE(texts.size(), 2);
            QVERIFY2(texts[1].startsWith(kChanged), qPrintable(texts[1]));
        }
        QCOMPARE(settlementEfhg(), 10);
        QCOMPARE(stored(m_db->user(), m_id, QStringLiteral("Version")).toInt(), 1);
    }
};

QTEST_MAIN(SaveConflictTest)
#include "test_save_conflict.moc"
