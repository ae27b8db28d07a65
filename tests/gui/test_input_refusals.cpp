// The window's side of the input check: "Berechnen" refuses stored inputs that cannot be calculated
// (one message, no run, no plausibility question), and the text inputs take no more than their
// maximum length.

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/services/CalculationRun.h"
#include "core/projects/InputCheck.h"
#include "gui/input/ProjectEdit.h"
#include "gui/mainwindow/MainWindow.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Confirms every message box that appears while it lives and keeps their texts and icons.
class MessageCatcher {
public:
    MessageCatcher() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_texts << box->text();
                m_icons << box->icon();
                box->done(QMessageBox::Ok);
            }
        });
        m_timer.start();
    }
    QStringList texts() const { return m_texts; }
    QList<QMessageBox::Icon> icons() const { return m_icons; }

private:
    QTimer m_timer;
    QStringList m_texts;
    QList<QMessageBox::Icon> m_icons;
};

} // namespace

class InputRefusalsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<MainWindow> m_window;

    void openWindow(int id) {
        m_window = std::make_unique<MainWindow>(m_db->dbs());
        m_window->setProjectId(id);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale::c());
        m_db = std::make_unique<TestDb>();
    }
    void cleanup() {
        m_window.reset();
        m_db.reset();
    }

    void calculateRefusesWhatCannotBeCalculated() {
        using namespace EngineFixture;
        const int id = insertRealisticProject(*m_db);
        runCalculation(m_db->dbs(), id);
        const int rows = ledgerRows(*m_db, id);
        // Stored by another tool: a settlement year 2.7 and a share that is no number.
        Sql::exec(m_db->user(), "UPDATE Besiedelung SET Jahr = 2.7 WHERE TAVO = ? AND Jahr = 3", {id});
        Sql::exec(m_db->user(), "UPDATE TAVO SET bgAntGrünflächen = 'inf' WHERE ID = ?", {id});
        openWindow(id);
        MessageCatcher catcher;
        QTest::mouseClick(m_window->button(QStringLiteral("btBerechnen")), Qt::LeftButton);
        QTRY_COMPARE(catcher.texts().size(), 1);
        const QString text = catcher.texts().first();
        QCOMPARE(catcher.icons().first(), QMessageBox::Critical);
        QVERIFY2(
            text.startsWith(QStringLiteral("Das Projekt kann nicht berechnet werden:")) &&
                text.contains(QStringLiteral("„inf“ im Feld bgAntGrünflächen (Projekt %1)").arg(id)) &&
                text.contains(QStringLiteral("„2.7“ im Feld Besiedelung.Jahr (Projekt %1, Zeile 3)").arg(id)),
            qPrintable(text));
        QCOMPARE(ledgerRows(*m_db, id), rows);
        QCOMPARE(Sql::scalar(m_db->user(), "SELECT Bezugsjahr FROM TAVO WHERE ID = ?", {id}).toInt(), 2024);
        QVERIFY(m_window->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void textInputsStopAtTheirMaximum() {
        const int id = m_db->insertProject({{"PG", 301}});
        openWindow(id);
        const QList<QPair<QString, int>> inputs{
            {QStringLiteral("Beschreibung"), InputCheck::MaxDescriptionLength},
            {QStringLiteral("Projekt"), InputCheck::MaxNameLength}};
        for (const auto& [column, limit] : inputs) {
            ProjectEdit* edit = m_window->inputFor(column);
            QVERIFY(edit);
            edit->setFocus();
            QTRY_VERIFY(edit->hasFocus());
            QTest::keyClicks(edit, QString(limit + 5, QLatin1Char('w')));
            QCOMPARE(edit->text().size(), limit);
        }
        // Leaving the inputs writes them as they stand.
        m_window->inputFor(QStringLiteral("Beschreibung"))->setFocus();
        QTRY_COMPARE(m_window->record().value(QStringLiteral("Projekt")).toString().size(),
                     InputCheck::MaxNameLength);
        QCOMPARE(m_window->record().value(QStringLiteral("Beschreibung")).toString().size(),
                 InputCheck::MaxDescriptionLength);
    }
};

QTEST_MAIN(InputRefusalsTest)
#include "test_input_refusals.moc"
