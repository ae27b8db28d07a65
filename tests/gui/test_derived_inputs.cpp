#include <functional>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "gui/mainwindow/CalculationAction.h"
#include "gui/input/ValueListCombo.h"
#include "gui/input/DerivedInputs.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/AreaDialog.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/input/ProjectEdit.h"
#include "core/projects/ProjectRecord.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultPopulationPanel.h"
#include "core/projects/ProjectRecords.h"
#include "support/EngineFixture.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Works through the modal windows that appear, one scripted step per window, in order. A message
// box that no step expects is closed and its text kept, so a test never hangs on it.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }
    // Answers the next message box with a button and keeps its text.
    ModalScript& answer(QMessageBox::StandardButton button) {
        m_steps << [this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY2(box, "a message box was expected");
            m_texts << box->text();
            box->button(button)->click();
        };
        return *this;
    }
    ModalScript& then(const Step& step) {
        m_steps << step;
        return *this;
    }
    QStringList texts() const { return m_texts; }
    QStringList unexpected() const { return m_unexpected; }
    bool finished() const { return m_steps.isEmpty(); }

private:
    void tick() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (QApplication::activeWindow() != w) {
            w->activateWindow();
            return;
        }
        if (m_steps.isEmpty()) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                m_unexpected << box->text();
                box->done(QMessageBox::Ok);
            }
            return;
        }
        // Taken before it runs: a step may open the next modal window itself.
        const Step step = m_steps.takeFirst();
        step(w);
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QStringList m_texts;
    QStringList m_unexpected;
};

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

// Clicks the button of a message box with the given caption; fails when there is none.
void clickButton(QMessageBox* box, const QString& caption) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == caption) {
            button->click();
            return;
        }
    }
    box->reject();
    QFAIL(qPrintable(QStringLiteral("no button ") + caption));
}

// Every row of a query as text, for comparing result tables of two projects.
QStringList rows(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    QSqlQuery q = Sql::exec(db, sql, params);
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << q.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

const char* const kLedger =
    "SELECT Jahr, Typ, Bezeichnung, Kostenträger, round(Ausgabe, 6), round(Einnahme, 6) "
    "FROM Auswertung WHERE TAVO = ? ORDER BY Jahr, Typ, Bezeichnung, Kostenträger";
const char* const kDwellings =
    "SELECT Jahr, round(EFHg, 9), round(EFHk, 9), round(RHg, 9), round(RHk, 9), round(GWB, 9) FROM bWvB "
    "WHERE TAVO = ? ORDER BY Jahr";

} // namespace

class DerivedInputsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<MainWindow> m_window;
    int m_id = 0;

    void openWindow(int id) {
        m_id = id;
        m_window = std::make_unique<MainWindow>(m_db->dbs());
        m_window->setProjectId(m_id);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void openWindow(const QVariantMap& values) { openWindow(m_db->insertProject(values)); }
    ProjectEdit* input(const char* column) { return m_window->inputFor(QString::fromUtf8(column)); }
    double value(const char* column) {
        return m_window->record().value(QString::fromUtf8(column)).toDouble();
    }
    QWidget* elsewhere() { return input("Projekt"); }
    DerivedInputs* derived() { return m_window->findChild<DerivedInputs*>(); }
    QVariant stored(const char* column) {
        return Sql::scalar(
            m_db->user(),
            QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(QString::fromUtf8(column))),
            {m_id});
    }

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale::c());
        m_db = std::make_unique<TestDb>();
    }
    void cleanup() {
        m_window.reset();
        m_db.reset();
        QLocale::setDefault(QLocale::c());
    }

    void areasFollowGrossSharesAndTypedAreas() {
        openWindow({{"bgAntGrünflächen", 12.5}, {"bgAntVerkehrsflächen", 20}});
        typeAndLeave(input("bgFlBaulandBrutto"), "10000", elsewhere());
        QCOMPARE(input("bgFlGrünflächen")->text(), QStringLiteral("1250"));
        QCOMPARE(input("bgFlVerkehrsflächen")->text(), QStringLiteral("2000"));
        QCOMPARE(input("bgFlBaulandNetto")->text(), QStringLiteral("6750"));

        // 999 m² at 10 %: 99, not 100.
        typeAndLeave(input("bgFlBaulandBrutto"), "999", elsewhere());
        typeAndLeave(input("bgAntGrünflächen"), "10", elsewhere());
        QCOMPARE(value("bgFlGrünflächen"), 99.0);
        QCOMPARE(value("bgFlVerkehrsflächen"), 199.0);
        QCOMPARE(value("bgFlBaulandNetto"), 701.0);

        // A typed traffic area sets its share; the net land follows.
        typeAndLeave(input("bgFlBaulandBrutto"), "5000", elsewhere());
        typeAndLeave(input("bgFlVerkehrsflächen"), "750", elsewhere());
        QCOMPARE(value("bgAntVerkehrsflächen"), 15.0);
        QCOMPARE(input("bgAntVerkehrsflächen")->text(), QStringLiteral("15.0"));
        QCOMPARE(value("bgFlVerkehrsflächen"), 750.0);
        QCOMPARE(value("bgFlBaulandNetto"), 5000.0 - 500 - 750);

        // 333 of 1000 m² stays 333 (33.3 %), also when its share input is left again.
        typeAndLeave(input("bgFlBaulandBrutto"), "1000", elsewhere());
        typeAndLeave(input("bgFlGrünflächen"), "333", elsewhere());
        QCOMPARE(input("bgAntGrünflächen")->text(), QStringLiteral("33.3"));
        input("bgAntGrünflächen")->setFocus();
        elsewhere()->setFocus();
        QCOMPARE(value("bgFlGrünflächen"), 333.0);
        QCOMPARE(value("bgFlBaulandNetto"), 1000.0 - 333 - 150);

        // Without gross land a typed area is stored as typed and the share stays.
        typeAndLeave(input("bgFlBaulandBrutto"), "0", elsewhere());
        QCOMPARE(value("bgFlGrünflächen"), 0.0);
        typeAndLeave(input("bgFlGrünflächen"), "500", elsewhere());
        QCOMPARE(value("bgFlGrünflächen"), 500.0);
        QCOMPARE(value("bgAntGrünflächen"), 33.3);

        m_window->postProjectRow();
        QCOMPARE(stored("bgFlGrünflächen").toDouble(), 500.0);
        QCOMPARE(stored("bgAntVerkehrsflächen").toDouble(), 15.0);
    }

    void browsingDerivesNothing() {
        // Stale values stay while the row is only browsed: leaving inputs writes nothing.
        openWindow({{"bgFlBaulandBrutto", 2000},
                    {"bgAntGrünflächen", 10},
                    {"bgFlGrünflächen", 7},
                    {"auHebesatzAufschl", 12.5},
                    {"auAntGemFörderungAufschl", 30},
                    {"auGemFörderungAufschl", 9}});
        input("bgAntGrünflächen")->setFocus();
        QTRY_VERIFY(input("bgAntGrünflächen")->hasFocus());
        elsewhere()->setFocus();
        derived()->calculateAreas();
        m_window->pages()->setCurrentIndex(2);
        input("auHebesatzAufschl")->setFocus();
        QTRY_VERIFY(input("auHebesatzAufschl")->hasFocus());
        input("auAntGemFörderungAufschl")->setFocus();
        elsewhere()->setFocus();
        derived()->calculateLevySubsidy();
        QVERIFY(!m_window->record().isEditing());
        QCOMPARE(value("bgFlGrünflächen"), 7.0);
        QCOMPARE(value("auGemFörderungAufschl"), 9.0);
    }

    void lineLengthsAskForTheSewerSystem() {
        openWindow({{"bgFlBaulandBrutto", 12345}, {"ifFaktorLeitungslängen", 0.05}, {"ifLfmGasleitung", 1}});
        m_window->pages()->setCurrentIndex(1);
        QPushButton* button = m_window->button("btBerechneLeitungslaengen");
        const char* const all[] = {"ifLfmWasserleitung", "ifLfmStraßenbeleuchtung", "ifLfmStromleitung",
                                   "ifLfmDatenleitung",  "ifLfmGasleitung",         "ifLfmNahwärme"};
        for (const bool separate : {true, false}) {
            ModalScript script;
            script.answer(separate ? QMessageBox::Yes : QMessageBox::No);
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(script.finished());
            QCOMPARE(script.texts(), QStringList{"Kanal als Trennsystem?"});
            QVERIFY(m_window->record().isEditing());
            for (const char* column : all)
                QCOMPARE(value(column), 617.0);
            QCOMPARE(value("ifLfmKanalTrennsystem"), separate ? 617.0 : 0.0);
            QCOMPARE(value("ifLfmKanalMischsystem"), separate ? 0.0 : 617.0);
            QCOMPARE(value("ifLfmKanalStrEntwässerung"), separate ? 0.0 : 617.0);
        }
        QCOMPARE(input("ifLfmKanalMischsystem")->text(), QStringLiteral("617"));
        // A factor typed and not yet left counts.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        input("ifFaktorLeitungslängen")->setFocus();
        QTRY_VERIFY(input("ifFaktorLeitungslängen")->hasFocus());
        input("ifFaktorLeitungslängen")->selectAll();
        QTest::keyClicks(input("ifFaktorLeitungslängen"), "0.1");
        ModalScript script;
        script.answer(QMessageBox::Yes);
        button->click();
        QCOMPARE(value("ifLfmWasserleitung"), 1234.0);
    }

    void connectingRoadThroughTheAreaDialog() {
        openWindow({{"ifFlAnschlStraße", 1000}});
        m_window->pages()->setCurrentIndex(1);
        QPushButton* button = m_window->button("btBerechneFlaeche");
        const char* const lines[] = {"ifLfmAnschlWasserleitung", "ifLfmAnschlStraßenbeleuchtung",
                                     "ifLfmAnschlStromleitung",  "ifLfmAnschlDatenleitung",
                                     "ifLfmAnschlGasleitung",    "ifLfmAnschlNahwärme"};
        // Opened on 1000 m²: 117 running metres at 8.5 m; confirming unchanged keeps 1000.
        {
            QStringList shown;
            ModalScript script;
            script
                .then([&](QWidget* w) {
                    auto* dialog = qobject_cast<AreaDialog*>(w);
                    QVERIFY(dialog);
                    shown << dialog->windowTitle() << dialog->runningMetresEdit()->text()
                          << dialog->widthEdit()->text() << dialog->areaEdit()->text();
                    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
                })
                .answer(QMessageBox::Yes);
            QTest::mouseClick(button, Qt::LeftButton);
            QTRY_VERIFY(script.finished());
            QCOMPARE(shown, QStringList({"Berechne Fläche:", "117", "8.5", "1000"}));
            QCOMPARE(value("ifFlAnschlStraße"), 1000.0);
            for (const char* column : lines)
                QCOMPARE(value(column), 117.0);
            QCOMPARE(value("ifLfmAnschlKanalTrennsystem"), 117.0);
            QCOMPARE(value("ifLfmAnschlKanalMischsystem"), 0.0);
            QCOMPARE(value("ifLfmAnschlKanalStrEntwässerung"), 0.0);
        }

        // 120 m typed: the area 1020 is shown on leaving; answering No fills the combined system.
        QString areaShown;
        ModalScript second;
        second
            .then([&](QWidget* w) {
                auto* dialog = qobject_cast<AreaDialog*>(w);
                QVERIFY(dialog);
                dialog->runningMetresEdit()->setFocus();
                dialog->runningMetresEdit()->selectAll();
                QTest::keyClicks(dialog->runningMetresEdit(), "120");
                dialog->widthEdit()->setFocus();
                areaShown = dialog->areaEdit()->text();
                QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            })
            .answer(QMessageBox::No);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(second.finished());
        QCOMPARE(areaShown, QStringLiteral("1020"));
        QCOMPARE(value("ifFlAnschlStraße"), 1020.0);
        for (const char* column : lines)
            QCOMPARE(value(column), 120.0);
        QCOMPARE(value("ifLfmAnschlKanalTrennsystem"), 0.0);
        QCOMPARE(value("ifLfmAnschlKanalMischsystem"), 120.0);
        QCOMPARE(value("ifLfmAnschlKanalStrEntwässerung"), 120.0);
        m_window->postProjectRow();
        QCOMPARE(stored("ifFlAnschlStraße").toInt(), 1020);
        QCOMPARE(stored("ifLfmAnschlNahwärme").toInt(), 120);
    }

    void areaDialogUnderADecimalCommaAndWithInvalidText() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        AreaDialog dialog;
        QCOMPARE(dialog.widthEdit()->text(), QStringLiteral("8,5"));
        dialog.setArea(1000.9);
        QCOMPARE(dialog.areaEdit()->text(), QStringLiteral("1000"));
        dialog.show();
        QCOMPARE(dialog.runningMetresEdit()->text(), QStringLiteral("117"));
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        // A width typed with the decimal comma: 10 m at 7,25 m.
        dialog.runningMetresEdit()->setFocus();
        dialog.runningMetresEdit()->selectAll();
        QTest::keyClicks(dialog.runningMetresEdit(), "10");
        dialog.widthEdit()->setFocus();
        dialog.widthEdit()->selectAll();
        QTest::keyClicks(dialog.widthEdit(), "7,25");
        dialog.runningMetresEdit()->setFocus();
        QTRY_COMPARE(dialog.areaEdit()->text(), QStringLiteral("72,5"));

        // Text that is no number: a German message on leaving, no area, and OK blocked until the
        // text is a number again.
        ModalScript script;
        script.answer(QMessageBox::Ok);
        dialog.runningMetresEdit()->selectAll();
        QTest::keyClicks(dialog.runningMetresEdit(), "zehn");
        QCOMPARE(dialog.areaEdit()->text(), QString());
        QVERIFY(!dialog.okButton()->isEnabled());
        dialog.widthEdit()->setFocus();
        QTRY_COMPARE(script.texts().size(), 1);
        QVERIFY2(script.texts().at(0).contains(QStringLiteral("keine gültige Zahl")),
                 qPrintable(script.texts().at(0)));
        QVERIFY(script.texts().at(0).contains(QStringLiteral("Laufmeter")));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(script.unexpected(), QStringList());
    }

    void areaDialogShowsOnlyTheAreaOfItsValues() {
        // An English locale: the width "6,5" is no number there.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AreaDialog dialog;
        dialog.setArea(1275);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.runningMetresEdit()->text(), QStringLiteral("150")); // 1275 / 8.5
        ModalScript script;
        script.answer(QMessageBox::Ok);
        dialog.widthEdit()->setFocus();
        dialog.widthEdit()->selectAll();
        QTest::keyClicks(dialog.widthEdit(), "6,5");
        dialog.runningMetresEdit()->setFocus();
        QTRY_COMPARE(script.texts().size(), 1);
        QVERIFY2(script.texts().at(0).contains(QStringLiteral("Breite")), qPrintable(script.texts().at(0)));
        // Neither the area of the old width nor OK while the width is invalid.
        QCOMPARE(dialog.areaEdit()->text(), QString());
        QVERIFY(!dialog.okButton()->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.widthEdit()->setFocus();
        dialog.widthEdit()->selectAll();
        QTest::keyClicks(dialog.widthEdit(), "6.5");
        QCOMPARE(dialog.areaEdit()->text(), QStringLiteral("975")); // 150 * 6.5, before leaving
        QVERIFY(dialog.okButton()->isEnabled());
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.area(), 975.0);
        QCOMPARE(dialog.runningMetres(), 150.0);
        QCOMPARE(script.unexpected(), QStringList());
    }

    void levySubsidiesOnLeavingTheirInputs() {
        openWindow({{"auHebesatzAufschl", 12.5},
                    {"auAntGemFörderungAufschl", 25},
                    {"auGemFörderungAufschl", 1},
                    {"auAntGemFörderungWasser", 50},
                    {"auGemFörderungWasser", 9},
                    {"auEinheitssatzKanalMisch", 1290},
                    {"auAntGemFörderungKanalSchmutz", 20},
                    {"auAntGemFörderungKanalMisch", 1}});
        m_window->pages()->setCurrentIndex(2);
        // Rate 12.5 and 30 %: 3 (3.75 cut).
        typeAndLeave(input("auAntGemFörderungAufschl"), "30", elsewhere());
        QCOMPARE(value("auGemFörderungAufschl"), 3.0);
        QCOMPARE(input("auGemFörderungAufschl")->text(), QStringLiteral("3"));
        typeAndLeave(input("auEinheitssatzKanalSchmutz"), "15", elsewhere());
        QCOMPARE(value("auGemFörderungKanalSchmutz"), 3.0);
        typeAndLeave(input("auEinheitssatzKanalMisch"), "-1290", elsewhere());
        QCOMPARE(value("auGemFörderungKanalMisch"), -12.0);

        // The value-list field of the development levy: 50 % chosen, then left.
        ValueListCombo* combo = m_window->comboFor("auAntGemFörderungAufschl");
        QVERIFY(combo && combo->isVisible());
        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        combo->setCurrentIndex(combo->findText("25 %"));
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(value("auAntGemFörderungAufschl"), 50.0);
        elsewhere()->setFocus();
        QTRY_COMPARE(value("auGemFörderungAufschl"), 6.0);

        // An empty rate: a German message, the subsidy stays.
        ModalScript script;
        script.answer(QMessageBox::Ok);
        typeAndLeave(input("auAntGemFörderungWasser"), "40", elsewhere());
        QTRY_COMPARE(script.texts().size(), 1);
        QVERIFY(script.texts().at(0).contains(QStringLiteral("Einheitssatz Wasserl.")));
        QCOMPARE(value("auGemFörderungWasser"), 9.0);
        QCOMPARE(value("auAntGemFörderungWasser"), 40.0);
        QVERIFY(script.unexpected().isEmpty());
        m_window->postProjectRow();
        QCOMPARE(stored("auGemFörderungAufschl").toInt(), 6);
    }

    void settlementPresetsReplaceTheGridRowsOnly() {
        const int other = m_db->insertProject({{"Projekt", "Nachbar"}});
        applySettlementPreset(m_db->dbs(), other, "mit_Mobilisierung");
        const int id = m_db->insertProject({{"Projekt", "Alt"}});
        applySettlementPreset(m_db->dbs(), id, "mit_Mobilisierung");
        openWindow(id);
        const QString otherRows =
            rows(m_db->user(), "SELECT * FROM Besiedelung WHERE TAVO = ? ORDER BY ID", {other}).join('\n');
        // A pending project edit and an unsaved grid edit.
        typeAndLeave(input("Projekt"), "Neu", input("Beschreibung"));
        m_window->pages()->setCurrentIndex(2);
        SettlementGrid* grid = m_window->settlementGrid();
        QVERIFY(grid->model()->setData(grid->model()->index(0, 1), "99"));

        const auto presetRows = [this](const QString& name) {
            return rows(m_db->master(),
                        "SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM Besiedelung_" + name + " ORDER BY Jahr")
                .join('\n');
        };
        const QString userSql =
            "SELECT Jahr, EFHg, EFHk, RHg, RHk, GWB FROM Besiedelung WHERE TAVO = ? ORDER BY Jahr";
        // Rows that hold values are replaced only after a Ja; Nein keeps them with the grid edit.
        auto questions = std::make_unique<ModalScript>();
        ModalScript& asked = *questions;
        asked.answer(QMessageBox::No)
            .answer(QMessageBox::Yes)
            .answer(QMessageBox::Yes)
            .answer(QMessageBox::Yes)
            .answer(QMessageBox::Yes);
        QTest::mouseClick(m_window->button("btSetAufsied_ohne_Mobil"), Qt::LeftButton);
        QCOMPARE(rows(m_db->user(), userSql, {id}).join('\n'), presetRows("mit_Mobilisierung"));
        QCOMPARE(grid->model()->index(0, 1).data(Qt::EditRole).toDouble(), 99.0);
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(m_window->button("btSetAufsied_ohne_Mobil"), Qt::LeftButton);
        QCOMPARE(rows(m_db->user(), userSql, {id}).join('\n'), presetRows("ohne_Mobilisierung"));
        QCOMPARE(grid->model()->rowCount(), 20);
        QVERIFY(!grid->model()->isDirty());
        const double sum =
            Sql::scalar(m_db->master(), "SELECT total(EFHg) FROM Besiedelung_ohne_Mobilisierung").toDouble();
        QVERIFY(sum > 0);
        QCOMPARE(grid->footerText(1), NumberFormat::general(sum));
        QCOMPARE(grid->model()->columnSum(1), sum);

        QTest::mouseClick(m_window->button("btSetAufsied_mit_Mobil"), Qt::LeftButton);
        QCOMPARE(rows(m_db->user(), userSql, {id}).join('\n'), presetRows("mit_Mobilisierung"));
        QTest::mouseClick(m_window->button("btSetAufsied_leer"), Qt::LeftButton);
        QCOMPARE(rows(m_db->user(), userSql, {id}).join('\n'), presetRows("leer"));
        QCOMPARE(grid->footerText(1), QStringLiteral("0"));
        // Rows that are all 0 are replaced without a question.
        QTest::mouseClick(m_window->button("btSetAufsied_leer"), Qt::LeftButton);
        QVERIFY(asked.finished());
        QCOMPARE(asked.unexpected(), QStringList());
        QCOMPARE(asked.texts().size(), 5);
        QCOMPARE(asked.texts().at(0),
                 QStringLiteral(
                     "Die Besiedelung enthält Werte. Sollen sie durch die Vorgabewerte ersetzt werden?"));
        QCOMPARE(asked.texts().at(4),
                 QStringLiteral("Die Besiedelung enthält Werte. Sollen alle Werte auf 0 gesetzt werden?"));
        questions.reset();

        // The project row keeps its pending edit; the other project keeps its rows.
        QVERIFY(m_window->record().isEditing());
        QCOMPARE(m_window->record().value("Projekt").toString(), QStringLiteral("Neu"));
        QCOMPARE(stored("Projekt").toString(), QStringLiteral("Alt"));
        QCOMPARE(
            rows(m_db->user(), "SELECT * FROM Besiedelung WHERE TAVO = ? ORDER BY ID", {other}).join('\n'),
            otherRows);

        // A preset that does not exist: a message, the rows stay.
        ModalScript script;
        script.answer(QMessageBox::Ok);
        derived()->setSettlementPreset("gibt_es_nicht");
        QVERIFY(script.finished());
        QVERIFY(!script.texts().at(0).isEmpty());
        QCOMPARE(rows(m_db->user(), userSql, {id}).join('\n'), presetRows("leer"));
        QCOMPARE(grid->model()->rowCount(), 20);
    }

    void calculationSavesPendingEditsFirst() {
        using namespace EngineFixture;
        const int id = insertRealisticProject(*m_db);
        // The same project with the edits already stored, calculated directly, and the original.
        const int twin = insertRealisticProject(*m_db);
        const int original = insertRealisticProject(*m_db);
        const QString setTwin = "UPDATE Besiedelung SET EFHg = 35 WHERE TAVO = ? AND Jahr = 1";
        Sql::exec(m_db->user(), setTwin, {twin});
        Sql::exec(m_db->user(), "UPDATE TAVO SET ifKoErStraßeUnterbau = 95, gsHebesatz = 450 WHERE ID = ?",
                  {twin});
        runCalculation(m_db->dbs(), twin);
        runCalculation(m_db->dbs(), original);

        openWindow(id);
        QSignalSpy finished(m_window->findChild<CalculationAction*>(),
                            &CalculationAction::calculationFinished);
        // A grid cell typed and confirmed, its row not yet left; an input left; an input still being typed.
        m_window->pages()->setCurrentIndex(2);
        QTableView* view = m_window->settlementGrid()->view();
        view->setCurrentIndex(view->model()->index(0, 1));
        view->edit(view->currentIndex());
        auto* cell = view->viewport()->findChild<QLineEdit*>();
        QVERIFY(cell);
        cell->selectAll();
        QTest::keyClicks(cell, "35");
        QTest::keyClick(cell, Qt::Key_Return);
        m_window->pages()->setCurrentIndex(3);
        typeAndLeave(input("gsHebesatz"), "450", input("gsBodenwert"));
        m_window->pages()->setCurrentIndex(1);
        input("ifKoErStraßeUnterbau")->setFocus();
        QTRY_VERIFY(input("ifKoErStraßeUnterbau")->hasFocus());
        input("ifKoErStraßeUnterbau")->selectAll();
        QTest::keyClicks(input("ifKoErStraßeUnterbau"), "95");
        QVERIFY(Sql::scalar(m_db->user(), "SELECT EFHg FROM Besiedelung WHERE TAVO = ? AND Jahr = 1", {id})
                    .toDouble() != 35);

        // While the run refreshes the window, it is disabled under the hourglass.
        QList<bool> enabledDuringRun;
        QList<int> cursorDuringRun;
        connect(&m_window->record(), &ProjectRecord::reloaded, this, [&] {
            enabledDuringRun << m_window->isEnabled();
            cursorDuringRun << (QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape())
                                                               : -1);
        });
        auto* finance = m_window->findChild<ResultFinancePanel*>();
        auto* population = m_window->findChild<ResultPopulationPanel*>();
        QVERIFY(finance && population);
        QCOMPARE(finance->dataset(ResultFinancePanel::ResultKind::Expenditure).rowCount(), 0);
        QSignalSpy financeRefreshed(finance, &ResultFinancePanel::resultsRefreshed);
        QSignalSpy populationRefreshed(population, &ResultPopulationPanel::resultsRefreshed);
        // 35 % in year 1 makes the EFHg column add up to 125 %: the check of the saved rows warns,
        // and the user calculates all the same.
        QString warning;
        ModalScript script;
        script.then([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            warning = box->text();
            clickButton(box, "Trotzdem berechnen");
        });
        m_window->button("btBerechnen")->click();
        QVERIFY(script.finished());
        QVERIFY2(warning.contains(QStringLiteral("Die Besiedelung EFHg ergibt zusammen 125 % statt 100 %.")),
                 qPrintable(warning));
        // The result views show the new results.
        QCOMPARE(financeRefreshed.size(), 1);
        QCOMPARE(populationRefreshed.size(), 1);
        QVERIFY(finance->dataset(ResultFinancePanel::ResultKind::Expenditure).rowCount() > 0);
        QVERIFY(population->datasetWE().rowCount() > 0);
        QCOMPARE(enabledDuringRun, QList<bool>{false});
        QCOMPARE(cursorDuringRun, QList<int>{int(Qt::WaitCursor)});
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), QString());
        QVERIFY(script.unexpected().isEmpty());
        QVERIFY(m_window->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(input("Bezugsjahr")->text(), QStringLiteral("2024"));
        QCOMPARE(stored("ifKoErStraßeUnterbau").toDouble(), 95.0);
        QVERIFY(!m_window->record().isEditing());
        const QStringList ledger = rows(m_db->user(), kLedger, {id});
        QVERIFY(!ledger.isEmpty());
        QCOMPARE(ledger, rows(m_db->user(), kLedger, {twin}));
        QCOMPARE(rows(m_db->user(), kDwellings, {id}), rows(m_db->user(), kDwellings, {twin}));
        // The edits matter to the result.
        QVERIFY(rows(m_db->user(), kDwellings, {original}) != rows(m_db->user(), kDwellings, {twin}));
        QVERIFY(ledgerSum(*m_db, original, "Ausgabe", "Errichtung Unterbau Straße") !=
                ledgerSum(*m_db, twin, "Ausgabe", "Errichtung Unterbau Straße"));
    }

    void plausibilityWarningsBeforeTheRun() {
        using namespace EngineFixture;
        // 583 % in year 2 instead of 20: the EFHg column adds up to 100 - 20 + 583 = 663 %.
        const int project = insertRealisticProject(*m_db);
        Sql::exec(m_db->user(), "UPDATE Besiedelung SET EFHg = 583 WHERE TAVO = ? AND Jahr = 2", {project});
        openWindow(project);
        typeAndLeave(input("bgFlBaulandBrutto"), "-20000", elsewhere());

        // Abbrechen: the typed area is saved, nothing is calculated.
        QStringList texts;
        const auto answer = [&texts](const char* caption) {
            return [&texts, caption](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                texts << box->text();
                clickButton(box, QString::fromUtf8(caption));
            };
        };
        ModalScript script;
        script.then(answer("Abbrechen")).then(answer("Trotzdem berechnen"));
        m_window->button("btBerechnen")->click();
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.at(0),
                 QStringLiteral("Die Eingaben sind nicht plausibel:\n\n"
                                "• Besiedelung EFHg: Werte außerhalb von 0 bis 100 % im Jahr 2.\n"
                                "• Die Besiedelung EFHg ergibt zusammen 663 % statt 100 %.\n"
                                "• Die Gesamtfläche (bgFlBaulandBrutto) ist -20000 m², nicht größer als 0."));
        QCOMPARE(ledgerRows(*m_db, project), 0);
        QVERIFY(stored("Bezugsjahr").isNull());
        QCOMPARE(stored("bgFlBaulandBrutto").toDouble(), -20000.0);
        QVERIFY(m_window->isEnabled());
        QVERIFY(!QApplication::overrideCursor());

        // Trotzdem berechnen: the same warnings, then the run.
        m_window->button("btBerechnen")->click();
        QVERIFY(script.finished());
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.at(1), texts.at(0));
        QCOMPARE(script.unexpected(), QStringList());
        QVERIFY(ledgerRows(*m_db, project) > 0);
        QCOMPARE(stored("Bezugsjahr").toInt(), 2024);
    }

    void calculationErrorAfterTheWindowIsEnabledAgain() {
        using namespace EngineFixture;
        // The project holds the results of an earlier run when the reference data lose a type.
        const int project = insertRealisticProject(*m_db);
        runCalculation(m_db->dbs(), project);
        const int previousRows = ledgerRows(*m_db, project);
        Sql::exec(m_db->writableMaster(), "DELETE FROM Auswertung_Typen WHERE Typ = 'Kanal'");
        m_db->reopen();
        openWindow(project);

        // A number that cannot be saved: its message, and no calculation.
        m_window->pages()->setCurrentIndex(3);
        input("gsHebesatz")->setFocus();
        QTRY_VERIFY(input("gsHebesatz")->hasFocus());
        input("gsHebesatz")->selectAll();
        QTest::keyClicks(input("gsHebesatz"), "1e");
        {
            ModalScript script;
            script.answer(QMessageBox::Ok);
            m_window->button("btBerechnen")->click();
            QVERIFY(script.finished());
            QVERIFY(script.texts().at(0).contains(QStringLiteral("keine gültige Zahl")));
            QCOMPARE(ledgerRows(*m_db, m_id), previousRows);
            QVERIFY(m_window->isEnabled());
            QVERIFY(!QApplication::overrideCursor());
        }

        // The engine's error: shown once the window is enabled and the cursor restored.
        bool enabledAtMessage = false;
        bool cursorRestored = false;
        ModalScript script;
        script.then([&](QWidget* w) {
            enabledAtMessage = m_window->isEnabled();
            cursorRestored = !QApplication::overrideCursor();
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("Unbekannter Typ Kanal"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->button(QMessageBox::Ok)->click();
        });
        auto* finance = m_window->findChild<ResultFinancePanel*>();
        QVERIFY(finance);
        QSignalSpy financeRefreshed(finance, &ResultFinancePanel::resultsRefreshed);
        m_window->button("btBerechnen")->click();
        QVERIFY(script.finished());
        // The failed run is rolled back: the views show the previous results, without own-funds rows.
        QCOMPARE(financeRefreshed.size(), 1);
        QVERIFY(finance->dataset(ResultFinancePanel::ResultKind::Expenditure).rowCount() > 0);
        QVERIFY(enabledAtMessage);
        QVERIFY(cursorRestored);
        QCOMPARE(ledgerRows(*m_db, m_id), previousRows);
        QCOMPARE(ledgerCount(*m_db, m_id, "Eigenmittel"), 0);
        QVERIFY(ledgerCount(*m_db, m_id, "Errichtung Kanal Trennsystem") > 0);
        QCOMPARE(input("Bezugsjahr")->text(), QStringLiteral("2024"));
    }
};

QTEST_MAIN(DerivedInputsTest)
#include "test_derived_inputs.moc"
