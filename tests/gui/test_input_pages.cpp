#include <set>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include "core/data/Sql.h"
#include "core/data/UserSchema.h"
#include "gui/common/GridFooter.h"
#include "gui/input/ValueListCombo.h"
#include "gui/input/DetailGrid.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/projects/InputTables.h"
#include "gui/input/ProjectEdit.h"
#include "core/projects/ProjectRecord.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Confirms every modal message box that appears while it lives and keeps their texts.
class MessageCatcher {
public:
    MessageCatcher() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_texts << box->text();
                if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->done(QMessageBox::Ok);
            }
        });
        m_timer.start();
    }
    QStringList texts() const { return m_texts; }

private:
    QTimer m_timer;
    QStringList m_texts;
};

QVariant stored(TestDb& db, int id, const QString& column) {
    return Sql::scalar(db.user(), QStringLiteral("SELECT %1 FROM TAVO WHERE ID = ?").arg(Sql::quoted(column)),
                       {id});
}

// Types text into an input and leaves it, as the user does.
void typeAndLeave(QLineEdit* edit, const QString& text, QWidget* next) {
    // A message box closed before may have left the window inactive.
    edit->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(edit->window()));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, text);
    next->setFocus();
    QTRY_VERIFY(!edit->hasFocus());
}

} // namespace

class InputWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<MainWindow> m_window;
    int m_id = 0;

    // A project in a freshly set-up window, shown and active.
    void openWindow(const QVariantMap& values = {}) {
        m_id = m_db->insertProject(values.isEmpty()
                                       ? QVariantMap{{QStringLiteral("Beschreibung"), QStringLiteral("Test")}}
                                       : values);
        m_window = std::make_unique<MainWindow>(m_db->dbs());
        m_window->setProjectId(m_id);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    QLineEdit* anyOtherInput() { return m_window->inputFor(QStringLiteral("Projekt")); }

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

    void pagesHeaderAndResultContainers() {
        // The set-up shows the splash window, 800 x 381, and removes it at its end.
        struct SplashWatch : QObject {
            QSize shownSize;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Show && o->objectName() == QLatin1String("frmStartUp"))
                    shownSize = static_cast<QWidget*>(o)->size();
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        openWindow({{QStringLiteral("Projekt"), QStringLiteral("P1")},
                    {QStringLiteral("PG"), 301},
                    {QStringLiteral("PG_Name"), QStringLiteral("Talheim")}});
        qApp->removeEventFilter(&watch);
        QCOMPARE(watch.shownSize, QSize(800, 381));
        QVERIFY(!m_window->findChild<QWidget*>("frmStartUp"));
        // The project and its municipality; the mark of unsaved changes is not shown.
        QCOMPARE(m_window->windowTitle(), QStringLiteral("TAVO – P1 (Talheim) [*]"));
        QVERIFY(!m_window->isWindowModified());
        const QStringList expected = {"Baugebiet/Bebauung", "techn. Infrastruktur", "Besiedelung",
                                      "Grundsteuer",        "soz. Infrastruktur",   "Finanzierung",
                                      "Auswertung Finanz",  "Auswertung Bevölk.",   "Kennzahlen",
                                      "Szenarien",          "Plan"};
        QTabWidget* tabs = m_window->pages();
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles, expected);
        QCOMPARE(tabs->currentIndex(), 0);
        // Each result page sits in the scroll area of its tab.
        QVERIFY(tabs->widget(6)->isAncestorOf(m_window->financeResultPage()));
        QVERIFY(tabs->widget(7)->isAncestorOf(m_window->populationResultPage()));
        for (QWidget* page : {m_window->financeResultPage(), m_window->populationResultPage()}) {
            // The result panels go into the page's vertical layout.
            QVERIFY(qobject_cast<QVBoxLayout*>(page->layout()));
        }
        QCOMPARE(m_window->inputFor("ID")->text(), QString::number(m_id));
        QVERIFY(m_window->inputFor("ID")->isReadOnly());
        QVERIFY(m_window->inputFor("PG_Name")->isReadOnly());
        QVERIFY(m_window->inputFor("Bezugsjahr")->isReadOnly());
        QCOMPARE(m_window->inputFor("PG_Name")->text(), QStringLiteral("Talheim"));
        QCOMPARE(m_window->inputFor("Projekt")->text(), QStringLiteral("P1"));
        for (const char* name :
             {"btAbout", "btHelp", "btAbbrechen", "btExit", "btBerechneLeitungslaengen", "btBerechneFlaeche",
              "btSetAufsied_leer", "btSetAufsied_mit_Mobil", "btSetAufsied_ohne_Mobil"})
            QVERIFY2(m_window->button(name) && m_window->button(name)->isEnabled(), name);
        QCOMPARE(m_window->button("btExit")->text(), QStringLiteral("Speichern und Schließen"));
        QCOMPARE(m_window->button("btAbout")->text(), QStringLiteral("Info..."));
        QCOMPARE(m_window->button("btHelp")->text(), QStringLiteral("Hilfe..."));
        QCOMPARE(m_window->button("btBerechnen")->text(), QStringLiteral("Berechnen"));
        QCOMPARE(m_window->button("btAbbrechen")->text(), QStringLiteral("Abbruch"));
        QCOMPARE(m_window->button("btBerechneFlaeche")->toolTip(), QStringLiteral("Berechne Fläche"));
        QCOMPARE(m_window->button("btBerechneLeitungslaengen")->toolTip(),
                 QStringLiteral("Berechne Vorgabewerte"));
    }

    void everyProjectColumnHasAnInputWithItsNameAsHint() {
        openWindow();
        std::set<QString> bound;
        for (const char* c : InputTables::boundColumns())
            bound.insert(QString::fromUtf8(c));
        for (const char* c : {"ID", "Projekt", "PG", "PG_Name", "Beschreibung", "Bezugsjahr"})
            QVERIFY2(bound.insert(QString::fromUtf8(c)).second, c); // the header is not on a page
        std::set<QString> schema;
        for (const UserSchema::Column& c : UserSchema::projectColumns())
            schema.insert(QString::fromUtf8(c.name));
        QCOMPARE(bound, schema);
        const auto edits = m_window->findChildren<ProjectEdit*>();
        QVERIFY(edits.size() >= int(schema.size()));
        for (ProjectEdit* edit : edits)
            QCOMPARE(edit->toolTip(), edit->column());
        for (const QString& column : schema)
            QVERIFY2(m_window->inputFor(column), qPrintable(column));
        // Inputs with decimals of their table entry.
        QCOMPARE(m_window->inputFor("ifFaktorLeitungslängen")->decimals(), 3);
        QCOMPARE(m_window->inputFor("bgAntGrünflächen")->decimals(), 1);
        QCOMPARE(m_window->inputFor("bgWandstärke")->decimals(), -1);
        // Read-only repetitions on the infrastructure page never hide the editable input.
        QVERIFY(!m_window->inputFor("bgFlBaulandBrutto")->isReadOnly());
        QVERIFY(m_window->inputFor("bgFlBaulandNetto")->isReadOnly());
        QVERIFY(!m_window->comboFor("bgFlGrünflächen"));
        QVERIFY(m_window->comboFor("bgAntGrünflächen"));
    }

    // The texts each input page shows, odd spellings included, found on the page that should hold them.
    void pageCaptionsAndGroupTitles() {
        openWindow();
        QTabWidget* tabs = m_window->pages();
        const auto pageTexts = [tabs](int page) {
            QStringList texts;
            for (QGroupBox* box : tabs->widget(page)->findChildren<QGroupBox*>())
                texts << box->title();
            for (QLabel* label : tabs->widget(page)->findChildren<QLabel*>())
                texts << label->text();
            for (QPushButton* button : tabs->widget(page)->findChildren<QPushButton*>())
                texts << button->text();
            return texts;
        };
        const std::vector<std::vector<const char*>> expected = {
            {"Fläche:", "Bebauung:", "Gesamtfläche (m2):", "Anteil öffentliche Grünflächen (%):",
             "Fläche Bauland (m2):", "Bebauungsdichte großvol. Wohnbau (%):",
             "Grundstücksgröße Einfamilienhaus klein (m2):", "durchschn. Wandstärke von Gebäuden (m):"},
            {"Innenerschließung:", "Außenerschließung:", "Berechnungsfaktor Leitungslängen:",
             "Kanal Str-Entwässerung (Lfm):", "Straßenoberbau in Jahr:", "Errichtungskosten (€):",
             "Erhaltungskosten/Jahr (€):", "Straßenunterbau (m2):", "Straßenbel. (Lfm):",
             "Datenleitung(Lfm):", "Nahwärmeltg. (Lfm):"},
            {"Besiedelung (Fertigstellung in %)", "Hebes. Aufschl.-Abgabe:", "Gemeindeförderung (%):",
             "Einheitssatz Kanal Schmutzw.:", "Anteil Zuzug aus and. Gem.(%):", "alle Werte auf 0",
             "Vorgabewerte mit Mobilisierung", "Vorgabewerte ohne Mobilisierung"},
            {"Einheitswert:", "Grundsteuer:", "Gebäudewert Reihenhaus klein (€/m2 Nutzfläche):",
             "Bodenwert zum Bewertungsstichtag (€/m2):", "Steuermesszahl großvol. Wohnbau:", "Hebesatz:"},
            {"Kindergarten:", "Volksschule:",
             "sonst. Institutionen (Gemeindeverbände/vereine, Rettungswesen, Feuerwehr):",
             "Kosten pro Kind (€):", "Kosten pro EW (€):"},
            {"Eigenmittelanteile:", "Sonderausgaben:", "Errichtungskosten (%):", "Erhaltungskosten (%):",
             "öffentliches Gut:", "Effektivzinssatz Soll (%):", "Effektivzinssatz Haben (%):",
             "Nahwärmeleitung:"}};
        for (int page = 0; page < int(expected.size()); ++page) {
            const QStringList texts = pageTexts(page);
            for (const char* text : expected[size_t(page)])
                QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
        }
        const QStringList header = {"ID:", "Projekt:", "Gemeinde-Nr./Name:", "Beschreibung:", "Bezugsj.:"};
        QStringList headerTexts;
        for (QLabel* label : m_window->findChildren<QLabel*>())
            if (!tabs->isAncestorOf(label))
                headerTexts << label->text();
        QCOMPARE(headerTexts, header);
        // The derived subsidies are shown, not typed, and have no value list.
        QVERIFY(m_window->inputFor("auGemFörderungAufschl")->isReadOnly());
        QVERIFY(!m_window->comboFor("auGemFörderungAufschl"));
        QCOMPARE(m_window->inputFor("auAntGemFörderungAufschl")->decimals(), 0);
    }

    // Every row caption of the input pages is the buddy of its row's first field, every field carries a
    // name for assistive technology, and the Tab key goes through a group row by row, left to right.
    void captionsLeadToFieldsInReadingOrder() {
        openWindow();
        QTabWidget* tabs = m_window->pages();
        int captions = 0;
        for (int page = 0; page < int(InputTables::inputPages().size()); ++page) {
            QWidget* content = tabs->widget(page);
            tabs->setCurrentIndex(page);
            for (QGridLayout* grid : content->findChildren<QGridLayout*>()) {
                QList<QWidget*> fields;
                for (int i = 0; i < grid->count(); ++i) {
                    QWidget* widget = grid->itemAt(i)->widget();
                    int row, column, rows, columns;
                    grid->getItemPosition(i, &row, &column, &rows, &columns);
                    if (auto* label = qobject_cast<QLabel*>(widget); label && column == 0) {
                        ++captions;
                        QVERIFY2(label->buddy(), qPrintable(label->text()));
                        const int at = grid->indexOf(label->buddy());
                        int buddyRow, buddyColumn;
                        grid->getItemPosition(at, &buddyRow, &buddyColumn, &rows, &columns);
                        QVERIFY2(at >= 0 && buddyRow == row, qPrintable(label->text()));
                        // The first field of the row: nothing focusable stands between caption and buddy.
                        for (int c = 1; c < buddyColumn; ++c)
                            QVERIFY(!grid->itemAtPosition(row, c) || !grid->itemAtPosition(row, c)->widget());
                    }
                    if (widget && widget->focusPolicy() & Qt::TabFocus && widget->isEnabled() &&
                        !qobject_cast<QLabel*>(widget)) {
                        QVERIFY2(!widget->accessibleName().isEmpty() || qobject_cast<QPushButton*>(widget),
                                 qPrintable(widget->objectName()));
                        fields << widget;
                    }
                }
                // Follow the Tab key from the group's first field: the fields come in reading order.
                std::sort(fields.begin(), fields.end(), [grid](QWidget* a, QWidget* b) {
                    int ra, ca, rb, cb, rs, cs;
                    grid->getItemPosition(grid->indexOf(a), &ra, &ca, &rs, &cs);
                    grid->getItemPosition(grid->indexOf(b), &rb, &cb, &rs, &cs);
                    return std::pair(ra, ca) < std::pair(rb, cb);
                });
                for (int i = 0; i + 1 < fields.size(); ++i) {
                    fields[i]->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QWidget* now = QApplication::focusWidget();
                    // The line edit inside an editable list counts as the list.
                    if (now && fields[i + 1]->isAncestorOf(now))
                        now = fields[i + 1];
                    QVERIFY2(now == fields[i + 1],
                             qPrintable(fields[i]->accessibleName() + QStringLiteral(" → ") +
                                        (now ? now->metaObject()->className() + QStringLiteral(" ") +
                                                   now->accessibleName()
                                             : QStringLiteral("nichts")) +
                                        QStringLiteral(" statt ") + fields[i + 1]->accessibleName()));
                }
            }
        }
        QVERIFY(captions > 60);
        QLabel* rate = nullptr;
        for (QLabel* label : tabs->widget(3)->findChildren<QLabel*>())
            if (label->text() == QStringLiteral("Hebesatz:"))
                rate = label;
        QVERIFY(rate);
        QCOMPARE(rate->buddy(), m_window->comboFor(QStringLiteral("gsHebesatz"))
                                    ? static_cast<QWidget*>(m_window->comboFor(QStringLiteral("gsHebesatz")))
                                    : m_window->inputFor(QStringLiteral("gsHebesatz")));
        // The second field of a two-field row is named with its column's heading.
        QCOMPARE(m_window->inputFor(QStringLiteral("fiEigAntEhKanal"))->accessibleName(),
                 QStringLiteral("Kanal – Erhaltungskosten (%)"));
    }

    // At QT_SCALE_FACTOR=2 a 1280 x 800 screen offers 640 x 400: the window fits, and its buttons are
    // reached by scrolling instead of lying beyond the screen's edge.
    void windowFitsAHalfSizeScreen() {
        openWindow();
        QVERIFY(m_window->minimumSizeHint().width() <= 640);
        QVERIFY(m_window->minimumSizeHint().height() <= 400);
        // The first size leaves room for the desktop's title bar above the window.
        const QSize first = m_window->preferredSize(QRect(0, 0, 640, 400));
        QVERIFY2(first.width() <= 620 && first.height() <= 360,
                 qPrintable(QStringLiteral("%1 x %2").arg(first.width()).arg(first.height())));
        m_window->resize(620, 380);
        QCOMPARE(m_window->size(), QSize(620, 380));
        auto* scroll = m_window->findChild<QScrollArea*>(QStringLiteral("saFenster"));
        QVERIFY(scroll);
        QPushButton* exit = m_window->findChild<QPushButton*>(QStringLiteral("btExit"));
        scroll->ensureWidgetVisible(exit);
        QApplication::processEvents();
        const QRect shown = QRect(exit->mapTo(m_window.get(), QPoint(0, 0)), exit->size());
        QVERIFY2(m_window->rect().contains(shown), qPrintable(QStringLiteral("%1,%2").arg(shown.bottom()).arg(shown.right())));
    }

    void comboChooseTypeAndShowMatchingEntry() {
        openWindow({{QStringLiteral("bgAntGrünflächen"), 12.5}});
        ValueListCombo* combo = m_window->comboFor("bgAntGrünflächen");
        QVERIFY(combo && !combo->isHidden());
        QCOMPARE(combo->count(), 5);
        QCOMPARE(combo->currentText(), QStringLiteral("12,5 %")); // '.'-stored Wert matched numerically
        QVERIFY(!m_window->record().isEditing());

        // Choosing with the keyboard writes the entry's value and starts editing.
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("15 %"));
        QVERIFY(m_window->record().isEditing());
        QCOMPARE(m_window->record().value("bgAntGrünflächen").toDouble(), 15.0);
        QCOMPARE(m_window->inputFor("bgAntGrünflächen")->text(), QStringLiteral("15.0"));

        // A typed text equal to an entry (any case) writes its value; a typed number that is no entry
        // is written as typed; any other text, also an empty one, keeps the value and shows its entry.
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("5 %"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(m_window->record().value("bgAntGrünflächen").toDouble(), 5.0);
        for (const QString& text : {QStringLiteral("viel"), QString()}) {
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), text);
            if (text.isEmpty())
                QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
            QCOMPARE(m_window->record().value("bgAntGrünflächen").toDouble(), 5.0);
            QCOMPARE(combo->currentText(), QStringLiteral("5 %"));
            QCOMPARE(m_window->inputFor("bgAntGrünflächen")->text(), QStringLiteral("5.0"));
        }
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("7.5"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(m_window->record().value("bgAntGrünflächen").toDouble(), 7.5);
        QCOMPARE(combo->currentText(), QString());
        QCOMPARE(m_window->inputFor("bgAntGrünflächen")->text(), QStringLiteral("7.5"));

        // 12000 m² typed into the list of the gross land: the areas follow it (7.5 % green: 900 m²,
        // no traffic share, net 11100 m²) instead of being emptied.
        ValueListCombo* gross = m_window->comboFor("bgFlBaulandBrutto");
        QVERIFY(gross && !gross->isHidden() && gross->findText(QStringLiteral("12000")) < 0);
        gross->setFocus();
        gross->lineEdit()->selectAll();
        QTest::keyClicks(gross->lineEdit(), QStringLiteral("12000"));
        QTest::keyClick(gross->lineEdit(), Qt::Key_Return);
        QCOMPARE(m_window->record().value("bgFlBaulandBrutto").toDouble(), 12000.0);
        QCOMPARE(m_window->record().value("bgFlGrünflächen").toDouble(), 900.0);
        QCOMPARE(m_window->record().value("bgFlBaulandNetto").toDouble(), 11100.0);

        // A value typed into the input shows the matching entry, or none.
        QLineEdit* input = m_window->inputFor("bgAntGrünflächen");
        typeAndLeave(input, QStringLiteral("20"), anyOtherInput());
        QCOMPARE(combo->currentText(), QStringLiteral("20 %"));
        typeAndLeave(input, QStringLiteral("21"), anyOtherInput());
        QCOMPARE(combo->currentText(), QString());
        QCOMPARE(input->text(), QStringLiteral("21.0"));
    }

    void defaultsAndListsWithoutDefaultOrRows() {
        // Shape the value lists: one without default, one without rows.
        QSqlQuery q(m_db->writableMaster());
        QVERIFY(q.exec(QStringLiteral("UPDATE FeldWerte SET \"Default\" = 0 WHERE Feld = 'gsHebesatz'")));
        QVERIFY(q.exec(QStringLiteral("DELETE FROM FeldWerte WHERE Feld = 'siKoEhSonstige'")));
        q.finish();
        m_db->reopen();
        openWindow({{QStringLiteral("gsHebesatz"), 480.0}});

        QVERIFY(m_window->comboFor("siKoEhSonstige")->isHidden());
        QVERIFY(!m_window->comboFor("gsHebesatz")->isHidden());
        QVERIFY(m_window->editProjectRow());
        m_window->setDefaults();
        const ProjectRecord& r = m_window->record();
        QCOMPARE(r.value("bgFlBaulandBrutto").toDouble(), 10000.0);
        QCOMPARE(r.value("bgAntGrünflächen").toDouble(), 10.0);
        QCOMPARE(r.value("fiZinsenSoll").toDouble(), 3.5);
        QCOMPARE(r.value("bgWandstärke").toDouble(), 0.4);
        QCOMPARE(r.value("gsHebesatz").toDouble(), 480.0); // no default: unchanged
        QVERIFY(r.isNull("siKoEhSonstige"));
        QCOMPARE(m_window->comboFor("fiZinsenSoll")->currentText(), QStringLiteral("3,5 %"));
        m_window->postProjectRow();
        QCOMPARE(stored(*m_db, m_id, "ifFaktorLeitungslängen").toDouble(), 0.04);
        QCOMPARE(stored(*m_db, m_id, "bgFlBaulandBrutto").toDouble(), 10000.0);

        // The input without value list still works.
        typeAndLeave(m_window->inputFor("siKoEhSonstige"), QStringLiteral("77"), anyOtherInput());
        QCOMPARE(m_window->record().value("siKoEhSonstige").toDouble(), 77.0);
    }

    void saveVersusDiscard() {
        openWindow(
            {{QStringLiteral("Projekt"), QStringLiteral("alt")}, {QStringLiteral("gsBodenwert"), 90.0}});
        QSignalSpy closed(m_window.get(), &MainWindow::projectClosed);
        // Nothing changed: "Abbruch" and the close button ask nothing (a question left open would
        // be answered by the catcher with neither Ja nor Nein, and the window would stay).
        {
            MessageCatcher catcher;
            QTest::mouseClick(m_window->button("btAbbrechen"), Qt::LeftButton);
            QVERIFY(!m_window->isVisible());
            m_window->show();
            QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
            m_window->close();
            QVERIFY(!m_window->isVisible());
            QCOMPARE(catcher.texts(), QStringList());
        }
        QCOMPARE(closed.count(), 2);
        QCOMPARE(closed.at(0).at(0).toInt(), m_id);

        // Changes and "Abbruch": Abbrechen keeps the window with them, Nein discards them.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        typeAndLeave(m_window->inputFor("Projekt"), QStringLiteral("neu"),
                     m_window->inputFor("Beschreibung"));
        typeAndLeave(m_window->inputFor("gsBodenwert"), QStringLiteral("120"), anyOtherInput());
        QStringList questions;
        answerModals({QStringLiteral("Abbrechen")}, &questions);
        QTest::mouseClick(m_window->button("btAbbrechen"), Qt::LeftButton);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->inputFor("Projekt")->text(), QStringLiteral("neu"));
        answerModals({QStringLiteral("Nein")}, &questions);
        QTest::mouseClick(m_window->button("btAbbrechen"), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(questions, QStringList(2, QStringLiteral("Änderungen speichern?")));
        QCOMPARE(closed.count(), 3);
        QCOMPARE(stored(*m_db, m_id, "Projekt").toString(), QStringLiteral("alt"));
        QCOMPARE(stored(*m_db, m_id, "gsBodenwert").toDouble(), 90.0);

        // The hidden window is shown again on the stored row; "Speichern und Schließen" saves unasked.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(m_window->inputFor("Projekt")->text(), QStringLiteral("alt"));
        typeAndLeave(m_window->inputFor("Projekt"), QStringLiteral("neu"),
                     m_window->inputFor("Beschreibung"));
        // A value still being typed when the button is pressed is saved too.
        QLineEdit* bodenwert = m_window->inputFor("gsBodenwert");
        bodenwert->setFocus();
        bodenwert->selectAll();
        QTest::keyClicks(bodenwert, QStringLiteral("120"));
        {
            MessageCatcher catcher;
            QTest::mouseClick(m_window->button("btExit"), Qt::LeftButton);
            QVERIFY(!m_window->isVisible());
            QCOMPARE(catcher.texts(), QStringList());
        }
        QCOMPARE(closed.count(), 4);
        QCOMPARE(stored(*m_db, m_id, "Projekt").toString(), QStringLiteral("neu"));
        QCOMPARE(stored(*m_db, m_id, "gsBodenwert").toDouble(), 120.0);

        // The close button asks as well; a value still being typed counts as a change. Ja saves it.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        bodenwert->setFocus();
        bodenwert->selectAll();
        QTest::keyClicks(bodenwert, QStringLiteral("130"));
        questions.clear();
        answerModals({QStringLiteral("Ja")}, &questions);
        m_window->close();
        QVERIFY(!m_window->isVisible());
        QCOMPARE(questions, QStringList{QStringLiteral("Änderungen speichern?")});
        QCOMPARE(stored(*m_db, m_id, "gsBodenwert").toDouble(), 130.0);

        // A save that fails is reported and the window stays open with the typed values, after
        // "Speichern und Schließen" as after Ja.
        Sql::exec(m_db->user(), "CREATE TRIGGER lock_tavo BEFORE UPDATE ON TAVO BEGIN "
                                "SELECT RAISE(ABORT, 'gesperrt'); END");
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        typeAndLeave(m_window->inputFor("Projekt"), QStringLiteral("dritter"),
                     m_window->inputFor("Beschreibung"));
        {
            MessageCatcher catcher;
            QTest::mouseClick(m_window->button("btExit"), Qt::LeftButton);
            QTRY_COMPARE(catcher.texts().size(), 1);
            QVERIFY(catcher.texts().first().contains(QStringLiteral("gesperrt")));
        }
        QVERIFY(m_window->isVisible());
        questions.clear();
        answerModals({QStringLiteral("Ja"), QStringLiteral("OK")}, &questions);
        m_window->close();
        QCOMPARE(questions.size(), 2);
        QVERIFY2(questions.at(1).contains(QStringLiteral("gesperrt")), qPrintable(questions.at(1)));
        QVERIFY(m_window->isVisible());
        QCOMPARE(closed.count(), 5);
        QCOMPARE(m_window->inputFor("Projekt")->text(), QStringLiteral("dritter"));
        QVERIFY(m_window->record().isEditing());
        QCOMPARE(stored(*m_db, m_id, "Projekt").toString(), QStringLiteral("neu"));
        Sql::exec(m_db->user(), "DROP TRIGGER lock_tavo");
    }

    void buildingMixMessageAbove100() {
        m_id = 0;
        openWindow();
        BuildingMixGrid* grid = m_window->buildingMixGrid();
        DetailModel* model = grid->model();
        const int anteil = model->columnIndex("bbAnteil");
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(grid->model()->picks(model->columnIndex("bbTyp")).first(),
                 QStringLiteral("Einfamilienhaus groß"));
        {
            MessageCatcher catcher;
            QTest::mouseClick(grid->navigatorButton("btEinfuegen"), Qt::LeftButton);
            QTest::mouseClick(grid->navigatorButton("btEinfuegen"), Qt::LeftButton);
            QCOMPARE(model->rowCount(), 2);
            QVERIFY(model->setData(model->index(0, 0), "EFHg"));
            QVERIFY(model->setData(model->index(0, 1), "II"));
            QVERIFY(model->setData(model->index(0, anteil), 60));
            QVERIFY(model->setData(model->index(1, 0), "RHk"));
            QVERIFY(model->setData(model->index(1, anteil), 40));
            QTest::qWait(100);
            QCOMPARE(catcher.texts(), QStringList());
            QCOMPARE(grid->footerText(anteil), QStringLiteral("100"));
            // The cell shows the description of the stored key.
            QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Einfamilienhaus groß"));
            QCOMPARE(model->index(0, anteil).data().toString(), QStringLiteral("60 %"));
        }
        {
            MessageCatcher catcher;
            QSignalSpy exceeded(grid, &BuildingMixGrid::sumExceeded);
            QVERIFY(model->setData(model->index(1, anteil), 50));
            QTRY_COMPARE(catcher.texts(), QStringList{QString::fromUtf8(BuildingMixGrid::SumMessage)});
            QCOMPARE(exceeded.count(), 1);
            QCOMPARE(grid->footerText(anteil), QStringLiteral("110"));
        }
        // The cell editors: a drop-down that shows descriptions and stores the key. The sum stays
        // above 100, so each change reports again.
        MessageCatcher catcher;
        QTableView* view = grid->view();
        m_window->pages()->setCurrentIndex(0);
        view->setCurrentIndex(model->index(1, 0));
        view->edit(model->index(1, 0));
        auto* combo = view->viewport()->findChild<QComboBox*>();
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("Reihenhaus klein"));
        combo->setCurrentIndex(combo->findText(QStringLiteral("großvolumiger Wohnbau")));
        QTest::keyClick(combo, Qt::Key_Return);
        QTRY_COMPARE(model->index(1, 0).data(Qt::EditRole).toString(), QStringLiteral("GWB"));

        QTRY_VERIFY(catcher.texts().contains(QString::fromUtf8(BuildingMixGrid::SumMessage)));
        // The check only reports: the rows are written as they are.
        m_window->postProjectRow();
        QCOMPARE(Sql::scalar(m_db->user(), "SELECT Total(bbAnteil) FROM Bebauung WHERE TAVO = ?", {m_id})
                     .toDouble(),
                 110.0);
        QCOMPARE(
            Sql::scalar(m_db->user(), "SELECT bbBauklasse FROM Bebauung WHERE TAVO = ? ORDER BY ID", {m_id})
                .toString(),
            QStringLiteral("II"));
    }

    void footersFollowColumnsAndShowSums() {
        openWindow();
        for (int year = 1; year <= 20; ++year)
            m_db->insertRow("Besiedelung", {{"TAVO", m_id},
                                            {"Jahr", year},
                                            {"EFHg", 5.0},
                                            {"EFHk", year % 2 ? 2.5 : 0.0},
                                            {"RHg", 1.0},
                                            {"RHk", 0.0},
                                            {"GWB", 10.0}});
        // Rows of another project stay out of this grid.
        const int other = m_db->insertProject({{"Beschreibung", "anderes"}});
        m_db->insertRow("Besiedelung", {{"TAVO", other}, {"Jahr", 1}, {"EFHg", 70.0}});
        m_window->reloadDetailGrids();
        SettlementGrid* grid = m_window->settlementGrid();
        QCOMPARE(grid->model()->rowCount(), 20);
        QCOMPARE(grid->footerText(1), QStringLiteral("100"));
        QCOMPARE(grid->footerText(2), QStringLiteral("25"));
        QCOMPARE(grid->footerText(3), QStringLiteral("20"));
        QCOMPARE(grid->footerText(4), QStringLiteral("0"));
        QCOMPARE(grid->footerText(5), QStringLiteral("200"));
        QCOMPARE(grid->footerText(0), QString());
        QVERIFY(grid->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Einfam. Haus groß"));

        m_window->pages()->setCurrentIndex(2);
        QTableView* view = grid->view();
        // Leaving a changed row writes it.
        view->setCurrentIndex(grid->model()->index(0, 1));
        QVERIFY(grid->model()->setData(grid->model()->index(0, 1), "7.5"));
        QCOMPARE(grid->footerText(1), QStringLiteral("102.5"));
        view->setCurrentIndex(grid->model()->index(1, 1));
        QTRY_COMPARE(
            Sql::scalar(m_db->user(), "SELECT EFHg FROM Besiedelung WHERE TAVO = ? AND Jahr = 1", {m_id})
                .toDouble(),
            7.5);
        QCOMPARE(view->currentIndex().row(), 1);
        // A number typed into a cell follows the locale.
        view->edit(view->currentIndex());
        auto* cellEdit = view->viewport()->findChild<QLineEdit*>();
        QVERIFY(cellEdit);
        cellEdit->selectAll();
        QTest::keyClicks(cellEdit, QStringLiteral("2.25"));
        QTest::keyClick(cellEdit, Qt::Key_Return);
        QTRY_COMPARE(grid->model()->index(1, 1).data(Qt::EditRole).toDouble(), 2.25);
        QHeaderView* header = view->horizontalHeader();
        const auto footerX = [&](int c) {
            return grid->footer()->mapTo(grid, grid->footer()->cellRect(c).topLeft()).x();
        };
        const auto headerX = [&](int c) {
            return header->viewport()->mapTo(grid, QPoint(header->sectionViewportPosition(c), 0)).x();
        };
        for (int c = 0; c < 6; ++c)
            QCOMPARE(footerX(c), headerX(c));
        header->resizeSection(1, 300);
        QCOMPARE(grid->footer()->cellRect(1).width(), 300);
        QCOMPARE(footerX(2), headerX(2));
        QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        QCOMPARE(footerX(5), headerX(5));
    }

    void specialExpendituresAndGridEditsAreKept() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        openWindow();
        SpecialExpenditureGrid* grid = m_window->specialExpenditureGrid();
        DetailModel* model = grid->model();
        const QStringList bearers = model->picks(model->columnIndex("Kostenträger"));
        QCOMPARE(bearers,
                 (QStringList{"Gemeinde", "Abwasserverband", "Wasserverband", "Energieversorger", "Land"}));
        QVERIFY(model->picks(model->columnIndex("Typ")).contains("öffentliches Gut"));
        QTest::mouseClick(grid->navigatorButton("btEinfuegen"), Qt::LeftButton);
        QVERIFY(model->setData(model->index(0, 0), 3));
        QVERIFY(model->setData(model->index(0, 1), "öffentliches Gut"));
        QVERIFY(model->setData(model->index(0, 2), "Brücke"));
        QVERIFY(model->setData(model->index(0, 3), "Land"));
        QVERIFY(model->setData(model->index(0, 4), 1234567.5));
        QVERIFY(!model->setData(model->index(0, 4), "zwölf"));
        QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("1.234.567,50"));
        // The pending grid row is a change, though the project row was never edited: closing the
        // window asks, and Ja writes the row.
        QStringList questions;
        answerModals({QStringLiteral("Ja")}, &questions);
        m_window->close();
        QCOMPARE(questions, QStringList{QStringLiteral("Änderungen speichern?")});
        QVERIFY(!m_window->isVisible());
        QCOMPARE(Sql::scalar(m_db->user(),
                             "SELECT Ausgabe FROM Sonderausgaben WHERE TAVO = ? AND Kostenträger = 'Land'",
                             {m_id})
                     .toDouble(),
                 1234567.5);
        // Deleting through the navigator asks first, then removes the row from the database.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(model->rowCount(), 1);
        grid->view()->setCurrentIndex(model->index(0, 2));
        {
            MessageCatcher catcher;
            QTest::mouseClick(grid->navigatorButton("btLoeschen"), Qt::LeftButton);
            QCOMPARE(catcher.texts(), QStringList{QStringLiteral("Datensatz löschen?")});
        }
        QCOMPARE(Sql::scalar(m_db->user(), "SELECT count(*) FROM Sonderausgaben").toInt(), 0);
    }

    void germanLocaleInputs() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        openWindow({{QStringLiteral("bgWandstärke"), 0.35}, {QStringLiteral("bgNutzFl_EFHg"), 1234.5}});
        QCOMPARE(m_window->inputFor("bgWandstärke")->text(), QStringLiteral("0,35"));
        QCOMPARE(m_window->inputFor("bgNutzFl_EFHg")->text(), QStringLiteral("1234,5"));
        QLineEdit* input = m_window->inputFor("bgNutzFl_EFHk");
        typeAndLeave(input, QStringLiteral("8,5"), anyOtherInput());
        QCOMPARE(m_window->record().value("bgNutzFl_EFHk").toDouble(), 8.5);
        QCOMPARE(input->text(), QStringLiteral("8,5"));
        // Letters are refused while typing.
        input->setFocus();
        input->selectAll();
        QTest::keyClicks(input, QStringLiteral("9x"));
        QCOMPARE(input->text(), QStringLiteral("9"));
        // An unfinished number gives a German message and keeps the stored value.
        {
            MessageCatcher catcher;
            input->selectAll();
            QTest::keyClicks(input, QStringLiteral("-"));
            QTest::keyClick(input, Qt::Key_Return);
            QTRY_COMPARE(catcher.texts(), QStringList{QStringLiteral("'-' ist keine gültige Zahl.")});
        }
        QCOMPARE(m_window->record().value("bgNutzFl_EFHk").toDouble(), 8.5);
        QCOMPARE(input->text(), QStringLiteral("8,5"));
        // Whole-number columns refuse fractions.
        {
            MessageCatcher catcher;
            typeAndLeave(m_window->inputFor("ifLfmWasserleitung"), QStringLiteral("2,5"), anyOtherInput());
            QTRY_COMPARE(catcher.texts().size(), 1);
            QVERIFY(m_window->record().isNull("ifLfmWasserleitung"));
        }
        // Value lists match under the German locale too.
        typeAndLeave(m_window->inputFor("bgAntGrünflächen"), QStringLiteral("12,5"), anyOtherInput());
        QCOMPARE(m_window->comboFor("bgAntGrünflächen")->currentText(), QStringLiteral("12,5 %"));
        m_window->postProjectRow();
        QCOMPARE(stored(*m_db, m_id, "bgAntGrünflächen").toDouble(), 12.5);
    }

    void leavingPGLooksUpTheName() {
        openWindow({{QStringLiteral("PG"), 301}, {QStringLiteral("PG_Name"), QStringLiteral("Talheim")}});
        QLineEdit* pg = m_window->inputFor("PG");
        // Browsing only: leaving changes nothing.
        pg->setFocus();
        QTRY_VERIFY(pg->hasFocus());
        anyOtherInput()->setFocus();
        QCOMPARE(m_window->record().value("PG_Name").toString(), QStringLiteral("Talheim"));
        typeAndLeave(pg, QStringLiteral("999"), anyOtherInput());
        QVERIFY(m_window->record().isNull("PG_Name"));
        QCOMPARE(m_window->inputFor("PG_Name")->text(), QString());
        typeAndLeave(pg, QStringLiteral("302"), anyOtherInput());
        const QString name =
            Sql::scalar(m_db->master(), QStringLiteral("SELECT PG_Name FROM PG WHERE ID = 302")).toString();
        QVERIFY(!name.isEmpty());
        QCOMPARE(m_window->inputFor("PG_Name")->text(), name);
        m_window->postProjectRow();
        QCOMPARE(stored(*m_db, m_id, "PG").toInt(), 302);
        QCOMPARE(stored(*m_db, m_id, "PG_Name").toString(), name);
    }
};

QTEST_MAIN(InputWindowTest)
#include "test_input_pages.moc"
