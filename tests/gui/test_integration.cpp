#include <functional>

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/projects/ProjectRecord.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/common/AboutDialog.h"
#include "gui/chart/FinanceChartWindow.h"
#include "gui/print/PrintDialog.h"
#include "gui/common/Help.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "gui/results/ResultRadioGroup.h"
#include "gui/results/ResultZoom.h"
#include "support/EngineFixture.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

using ResultKind = ResultQueries::ResultKind;

namespace {

// Answers modal windows while a step runs inside exec(): polls the active modal window and hands it
// to `handle`, which returns true once the script is done. Stops by itself after a few seconds.
class ModalScript {
public:
    explicit ModalScript(std::function<bool(QWidget*)> handle) : m_handle(std::move(handle)) {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (++m_ticks > 500)
                m_timer.stop();
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != m_last) {
                m_last = modal;
                if (m_handle(modal))
                    m_timer.stop();
            }
        });
        m_timer.start();
    }

private:
    std::function<bool(QWidget*)> m_handle;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_ticks = 0;
};

void clickItem(ResultRadioGroup* group, int index) {
    QRadioButton* button = group->button(index);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    QCOMPARE(group->itemIndex(), index);
}

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class IntegrationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<MainWindow> m_window;
    int m_id = 0;

    // A project with expenditure of two cost bearers, revenue and dwelling units.
    int projectWithResults() {
        const int id = m_db->insertProject({{QStringLiteral("PG"), 301},
                                            {QStringLiteral("PG_Name"), QStringLiteral("Talheim")},
                                            {QStringLiteral("Beschreibung"), QStringLiteral("Nordhang")},
                                            {QStringLiteral("auAnteilZuzug"), 50.0}});
        m_db->book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"),
                   QStringLiteral("Gemeinde"), 1234567.891, 0);
        m_db->book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Errichtung Kanal"),
                   QStringLiteral("Abwasserverband"), 800.4, 0);
        m_db->book(id, 1, QStringLiteral("Wasser"), QStringLiteral("Errichtung Wasser"),
                   QStringLiteral("Gemeinde"), 50, 0);
        m_db->book(id, 1, QStringLiteral("Kanal"), QStringLiteral("Anschlussgebühr"),
                   QStringLiteral("Gemeinde"), 0, 2500);
        m_db->book(id, 2, QStringLiteral("Finanzausgleich"), QStringLiteral("Ertragsanteile"),
                   QStringLiteral("Gemeinde"), 0, 3000.75);
        for (int year = 1; year <= 3; ++year)
            m_db->insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), id},
                                                     {QStringLiteral("Jahr"), year},
                                                     {QStringLiteral("EFHg"), 2.5 * year},
                                                     {QStringLiteral("EFHk"), 0},
                                                     {QStringLiteral("RHg"), 0},
                                                     {QStringLiteral("RHk"), 0},
                                                     {QStringLiteral("GWB"), 1}});
        for (int year = 1; year <= 3; ++year)
            for (int age : {4, 8, 40})
                m_db->insertRow(QStringLiteral("bBvB"), {{QStringLiteral("TAVO"), id},
                                                         {QStringLiteral("Alter"), age},
                                                         {QStringLiteral("Jahr"), year},
                                                         {QStringLiteral("Bewohner"), 10.0 * year}});
        return id;
    }

    void openWindow(int id) {
        m_id = id;
        m_window = std::make_unique<MainWindow>(m_db->dbs());
        m_window->setProjectId(id);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // Shows the page "Auswertung Finanz" with its layout settled.
    void showFinancePage() {
        m_window->pages()->setCurrentIndex(6);
        QApplication::processEvents();
    }

    ResultFinancePanel* finance() { return m_window->resultPages()->financePanel(); }
    ResultPopulationPanel* population() { return m_window->resultPages()->populationPanel(); }
    ResultZoom* zoom() { return m_window->resultPages()->zoom(); }

    // The zoom-only buttons enabled exactly while zoomed, the zoom buttons shown exactly while not.
    void verifyZoomButtons(bool zoomed) {
        QCOMPARE(zoom()->isZoomed(), zoomed);
        for (QToolButton* b : {zoom()->zoomOutButton(), zoom()->printZoomButton(), zoom()->copyZoomButton(),
                               zoom()->chartButton()})
            QCOMPARE(b->isEnabled(), zoomed);
        for (ResultKind kind : {ResultKind::Expenditure, ResultKind::Revenue, ResultKind::Balance}) {
            QCOMPARE(zoom()->zoomButton(kind)->isHidden(), zoomed);
            if (!zoomed) {
                QVERIFY(!finance()->grid(kind)->isHidden());
                QVERIFY(!finance()->caption(kind)->isHidden());
            }
        }
    }

    void zoomBy(ResultKind kind) {
        QTest::mouseClick(zoom()->zoomButton(kind), Qt::LeftButton);
        verifyZoomButtons(true);
        QCOMPARE(zoom()->zoomedKind(), kind);
    }

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_db = std::make_unique<TestDb>();
    }
    void cleanup() {
        m_window.reset();
        m_db.reset();
        QLocale::setDefault(QLocale::c());
    }

    void pagesShowTheProjectAndFollowItsChanges();
    void zoomFillsThePageAndEndsAfterEachRequest();
    void clipboardTexts();
    void printDialogIsKeptAndHeadedByTheProject();
    void chartOfTheZoomedView();
    void chartWithNineCostBearersShowsTheMessage();
    void calculationFillsBothPages();
    void infoShowsTheVersion();
    void helpLooksBesideTheProgram();
    void screenshots();
};

void IntegrationTest::pagesShowTheProjectAndFollowItsChanges() {
    const int other = m_db->insertProject({{QStringLiteral("PG"), 301}});
    m_db->book(other, 1, QStringLiteral("Kanal"), QStringLiteral("fremd"), QStringLiteral("Gemeinde"), 99, 0);
    openWindow(projectWithResults());
    QVERIFY(m_window->financeResultPage()->isAncestorOf(finance()));
    QVERIFY(m_window->populationResultPage()->isAncestorOf(population()));
    // Each result page sits in the scroll area of its tab.
    QVERIFY(m_window->pages()->widget(6)->isAncestorOf(m_window->financeResultPage()));
    QVERIFY(m_window->pages()->widget(7)->isAncestorOf(m_window->populationResultPage()));

    // The first cost bearer ("Gemeinde") of all types: two expenditure rows of this project only.
    ResultGrid* ausgaben = finance()->grid(ResultKind::Expenditure);
    QCOMPARE(ausgaben->model()->rowCount(), 2);
    QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("1.234.617,89"));
    QCOMPARE(finance()->grid(ResultKind::Revenue)->model()->rowCount(), 2);
    QCOMPARE(population()->gridWE()->model()->rowCount(), 3);
    // "Baugebiet Zuzug": the building area's inhabitants scaled by auAnteilZuzug (50 %).
    QCOMPARE(population()->gridBeV()->model()->rowCount(), 3);
    QCOMPARE(population()->gridBeV()->model()->index(2, 3).data().toDouble(), 45.0);
    // Amounts over a million and a negative total show whole in the window's font.
    ResultGrid* saldo = finance()->grid(ResultKind::Balance);
    QFont bold = saldo->font();
    bold.setBold(true);
    for (const char* field : {"Ausgaben", "Saldo"}) {
        const int column = field == QByteArray("Saldo") ? 5 : 4;
        const QString total = saldo->footerText(QString::fromUtf8(field));
        QVERIFY(
            total.startsWith(field == QByteArray("Saldo") ? QStringLiteral("-1.2") : QStringLiteral("1.2")));
        QVERIFY(QFontMetrics(bold).horizontalAdvance(total) + 6 <= saldo->view()->columnWidth(column));
        QVERIFY(saldo->view()->fontMetrics().horizontalAdvance(saldo->cellText(column, -1232067.891)) + 6 <=
                saldo->view()->columnWidth(column));
    }
    QCOMPARE(population()->gridWE()->cellText(1, population()->gridWE()->model()->index(2, 1).data()),
             QStringLiteral("8,5"));

    // A change of the project row writes the footers again from the ledger.
    m_db->book(m_id, 3, QStringLiteral("Wasser"), QStringLiteral("Erhaltung"), QStringLiteral("Gemeinde"),
               100, 0);
    m_window->record().setValue(QStringLiteral("Beschreibung"), QStringLiteral("Südhang"));
    QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("1.234.717,89"));
    QCOMPARE(ausgaben->model()->rowCount(), 2);

    // The refresh after a calculation re-queries both pages.
    m_db->insertRow(QStringLiteral("bWvB"), {{QStringLiteral("TAVO"), m_id}, {QStringLiteral("Jahr"), 4}});
    m_window->refreshResultViews();
    QCOMPARE(ausgaben->model()->rowCount(), 3);
    QCOMPARE(population()->gridWE()->model()->rowCount(), 4);

    // Closing the window (its changes discarded) closes the views; showing it on another project
    // opens that one's.
    QStringList questions;
    answerModals({QStringLiteral("Nein")}, &questions);
    m_window->close();
    QCOMPARE(questions, QStringList{QStringLiteral("Änderungen speichern?")});
    QVERIFY(!ausgaben->model()->isOpen());
    QVERIFY(!population()->gridWE()->model()->isOpen());
    m_window->setProjectId(other);
    m_window->show();
    QVERIFY(ausgaben->model()->isOpen());
    QCOMPARE(ausgaben->model()->rowCount(), 1);
    QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), QStringLiteral("99,00"));
}

void IntegrationTest::zoomFillsThePageAndEndsAfterEachRequest() {
    openWindow(projectWithResults());
    showFinancePage();
    verifyZoomButtons(false);
    ResultGrid* ausgaben = finance()->grid(ResultKind::Expenditure);
    ResultGrid* saldo = finance()->grid(ResultKind::Balance);
    const int top = ausgaben->geometry().top();
    const int bottom = saldo->geometry().bottom();
    const int saldoHeight = saldo->height();
    const int captionTop = finance()->caption(ResultKind::Expenditure)->geometry().top();

    // The balance grid covers the room of all three, its caption where the first one was.
    zoomBy(ResultKind::Balance);
    QApplication::processEvents();
    QVERIFY(ausgaben->isHidden());
    QVERIFY(finance()->grid(ResultKind::Revenue)->isHidden());
    QVERIFY(finance()->caption(ResultKind::Expenditure)->isHidden());
    QVERIFY(!saldo->isHidden());
    QCOMPARE(zoom()->zoomGrid(), saldo);
    QCOMPARE(zoom()->zoomText(), finance()->caption(ResultKind::Balance));
    QCOMPARE(zoom()->zoomDataset(), &finance()->dataset(ResultKind::Balance));
    QCOMPARE(finance()->caption(ResultKind::Balance)->geometry().top(), captionTop);
    QVERIFY(saldo->geometry().top() <= top);
    QVERIFY(saldo->geometry().bottom() >= bottom - 2);
    QTest::mouseClick(zoom()->zoomOutButton(), Qt::LeftButton);
    QApplication::processEvents();
    verifyZoomButtons(false);
    QCOMPARE(saldo->height(), saldoHeight);
    QCOMPARE(saldo->geometry().bottom(), bottom);

    // Copy, print (dialog closed without printing) and chart each end the zoom.
    zoomBy(ResultKind::Expenditure);
    QTest::mouseClick(zoom()->copyZoomButton(), Qt::LeftButton);
    verifyZoomButtons(false);

    zoomBy(ResultKind::Revenue);
    bool dialogSeen = false;
    {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<PrintDialog*>(modal);
            dialogSeen = dialog != nullptr;
            if (dialog)
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
            return true;
        });
        QTest::mouseClick(zoom()->printZoomButton(), Qt::LeftButton);
    }
    QVERIFY(dialogSeen);
    verifyZoomButtons(false);

    zoomBy(ResultKind::Balance);
    bool chartSeen = false;
    {
        ModalScript script([&](QWidget* modal) {
            chartSeen = qobject_cast<FinanceChartWindow*>(modal) != nullptr;
            modal->close();
            return true;
        });
        QTest::mouseClick(zoom()->chartButton(), Qt::LeftButton);
    }
    QVERIFY(chartSeen);
    verifyZoomButtons(false);
    QVERIFY(!m_window->findChild<FinanceChartWindow*>());

    // Closing the window ends the zoom; the next show starts unzoomed.
    zoomBy(ResultKind::Expenditure);
    m_window->close();
    verifyZoomButtons(false);
}

void IntegrationTest::clipboardTexts() {
    openWindow(projectWithResults());
    QClipboard* clipboard = QApplication::clipboard();

    // Expenditure of the first cost bearer ("Gemeinde") restricted to type "Kanal".
    const int kanal = finance()->typeGroup()->items().indexOf(QStringLiteral("Kanal"));
    QVERIFY(kanal >= 0);
    clickItem(finance()->typeGroup(), kanal);
    zoomBy(ResultKind::Expenditure);
    QTest::mouseClick(zoom()->copyZoomButton(), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("Jahr\tTyp\tBezeichnung\tKostenträger\tAusgabe\r\n"
                                               "1\tKanal\tErrichtung Kanal\tGemeinde\t1234567,891\r\n"));

    // The balance grouped by year and cost bearer: five columns in query order, Ausgaben first.
    clickItem(finance()->typeGroup(), finance()->typeGroup()->items().size() - 1);
    clickItem(finance()->groupingGroup(), 1);
    zoomBy(ResultKind::Balance);
    QTest::mouseClick(zoom()->copyZoomButton(), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("Jahr\tKostenträger\tAusgaben\tEinnahmen\tSaldo\r\n"
                                               "1\tGemeinde\t1234617,891\t2500\t-1232117,891\r\n"
                                               "2\tGemeinde\t0\t3000,75\t3000,75\r\n"));

    // The dwelling units copy themselves with the same routine.
    QTest::mouseClick(population()->copyUnitsButton(), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("Jahr\tWohneinheiten\r\n1\t3,5\r\n2\t6\r\n3\t8,5\r\n"));

    // A project without results copies the header line only.
    m_window->close();
    m_window->setProjectId(m_db->insertProject({{QStringLiteral("PG"), 301}}));
    m_window->show();
    clipboard->setText(QStringLiteral("vorher"));
    zoomBy(ResultKind::Revenue);
    QTest::mouseClick(zoom()->copyZoomButton(), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("Jahr\tTyp\tBezeichnung\tKostenträger\tEinnahme\r\n"));
}

void IntegrationTest::printDialogIsKeptAndHeadedByTheProject() {
    openWindow(projectWithResults());
    QVERIFY(!m_window->resultPages()->printDialog());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("saldo.pdf"));

    // The zoomed balance: its grid columns, "Summe:" and the totals, headed by the project.
    zoomBy(ResultKind::Balance);
    PrintTable table;
    int pages = 0;
    {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<PrintDialog*>(modal);
            if (!dialog)
                return false;
            table = dialog->printTable();
            dialog->findChild<QLineEdit*>(QStringLiteral("edKMitte"))->setText(QStringLiteral("Bilanz"));
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            pages = dialog->printTo(&printer);
            dialog->reject();
            return true;
        });
        QTest::mouseClick(zoom()->printZoomButton(), Qt::LeftButton);
    }
    PrintDialog* first = m_window->resultPages()->printDialog();
    QVERIFY(first);
    QCOMPARE(first->parentWidget(), m_window.get());
    QStringList titles;
    for (const PrintColumn& c : table.columns)
        titles << c.title;
    QCOMPARE(titles, QStringList({"Jahr", "Typ", "Kostenträger", "Einnahmen", "Ausgaben", "Saldo"}));
    QCOMPARE(table.columns.at(5).format, CellFormat::Money);
    ResultGrid* saldo = finance()->grid(ResultKind::Balance);
    QCOMPARE(table.footer, QStringList({"", "", "Summe:", saldo->footerText("Einnahmen"),
                                        saldo->footerText("Ausgaben"), saldo->footerText("Saldo")}));
    QVERIFY(table.beforeGrid.contains(QString::number(m_id)));
    QVERIFY(table.beforeGrid.contains(QStringLiteral("301 Talheim")));
    QVERIFY(table.beforeGrid.contains(QStringLiteral("Nordhang")));
    QCOMPARE(pages, 1);
    const QString text = pdfText(pdf);
    for (const QString& expected :
         {QStringLiteral("Nordhang"), QStringLiteral("301 Talheim"), QStringLiteral("Bilanz"),
          QStringLiteral("Summe:"), QStringLiteral("Seite 1 von 1"), saldo->footerText("Saldo"),
          QStringLiteral("Kostenträger: "), QStringLiteral("Typ: "),
          QStringLiteral("Gruppierung: ")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text));
    // Every amount printed whole, none cut short.
    QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(text));
    verifyZoomButtons(false);

    // The inhabitants' print button uses the same dialog, its texts naming the new table.
    QString kept;
    PrintTable bevTable;
    {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<PrintDialog*>(modal);
            if (!dialog)
                return false;
            kept = dialog->findChild<QLineEdit*>(QStringLiteral("edKMitte"))->text();
            bevTable = dialog->printTable();
            dialog->reject();
            return true;
        });
        QTest::mouseClick(population()->printInhabitantsButton(), Qt::LeftButton);
    }
    QCOMPARE(m_window->resultPages()->printDialog(), first);
    QCOMPARE(kept, QStringLiteral("Bewohner"));
    QCOMPARE(bevTable.columns.size(), 4);
    QCOMPARE(bevTable.columns.at(3).title, QStringLiteral("Bewohner"));
    QVERIFY(bevTable.footer.isEmpty());
    QCOMPARE(bevTable.model.data(), static_cast<QAbstractItemModel*>(population()->gridBeV()->model()));
}

void IntegrationTest::chartOfTheZoomedView() {
    openWindow(projectWithResults());
    const QStringList bearers = ChartRequest::chartedItems(finance()->costBearerGroup()->items());
    QVERIFY(bearers.size() >= 2);
    // The filter choice does not restrict the chart: one series per cost bearer all the same.
    clickItem(finance()->costBearerGroup(), 1);

    QStringList names;
    QString title;
    double gemeindeYear1 = 0;
    zoomBy(ResultKind::Expenditure);
    {
        ModalScript script([&](QWidget* modal) {
            auto* chart = qobject_cast<FinanceChartWindow*>(modal);
            if (!chart)
                return false;
            title = chart->chart()->title();
            const auto* bars = qobject_cast<QBarSeries*>(chart->chart()->series().value(0));
            if (bars)
                for (QBarSet* set : bars->barSets()) {
                    names << set->label();
                    if (set->label() == QStringLiteral("Gemeinde"))
                        gemeindeYear1 = set->at(0);
                }
            chart->accept();
            return true;
        });
        QTest::mouseClick(zoom()->chartButton(), Qt::LeftButton);
    }
    QCOMPARE(names, bearers);
    // Expenditure is charted below the zero line.
    QCOMPARE(gemeindeYear1, -1234617.891);
    QVERIFY(title.contains(QStringLiteral("TAVO: Auswertung Finanz")));
    QVERIFY(title.contains(QStringLiteral("Talheim: Nordhang")));
    verifyZoomButtons(false);
}

void IntegrationTest::chartWithNineCostBearersShowsTheMessage() {
    {
        QSqlQuery alter(m_db->writableMaster());
        for (int i = 1; i <= 4; ++i)
            QVERIFY(alter.exec(
                QStringLiteral("ALTER TABLE Auswertung_Typen ADD COLUMN Anteil_Extra%1 DOUBLE").arg(i)));
    }
    m_db->reopen();
    openWindow(projectWithResults());
    QCOMPARE(finance()->costBearerGroup()->items().size(), 10);

    QString message;
    int series = -1;
    zoomBy(ResultKind::Balance);
    {
        ModalScript script([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                message = box->text();
                box->accept();
                return false;
            }
            auto* chart = qobject_cast<FinanceChartWindow*>(modal);
            if (!chart || message.isEmpty())
                return false;
            const auto* bars = qobject_cast<QBarSeries*>(chart->chart()->series().value(0));
            series = bars ? bars->count() : 0;
            chart->accept();
            return true;
        });
        QTest::mouseClick(zoom()->chartButton(), Qt::LeftButton);
    }
    QCOMPARE(message, QStringLiteral("Zu viele Kostenträger definiert!"));
    QCOMPARE(series, 8);
    verifyZoomButtons(false);
}

void IntegrationTest::calculationFillsBothPages() {
    openWindow(EngineFixture::insertRealisticProject(*m_db));
    QCOMPARE(finance()->grid(ResultKind::Expenditure)->model()->rowCount(), 0);
    QCOMPARE(population()->gridWE()->model()->rowCount(), 0);
    QStringList messages;
    {
        ModalScript script([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                messages << box->text();
                box->accept();
            }
            return false;
        });
        QTest::mouseClick(m_window->button(QStringLiteral("btBerechnen")), Qt::LeftButton);
    }
    QCOMPARE(messages, QStringList());

    // The first cost bearer of all types, as the page opens.
    const QString bearer = finance()->costBearerChoice();
    const QVariantList params{m_id, bearer};
    const int expected = Sql::scalar(m_db->user(),
                                     QStringLiteral("SELECT COUNT(*) FROM Auswertung WHERE TAVO = ? AND "
                                                    "Ausgabe <> 0 AND Kostenträger = ? AND Typ IS NOT NULL"),
                                     params)
                             .toInt();
    QVERIFY(expected > 0);
    ResultGrid* ausgaben = finance()->grid(ResultKind::Expenditure);
    QCOMPARE(ausgaben->model()->rowCount(), expected);
    const double total =
        Sql::scalar(m_db->user(),
                    QStringLiteral("SELECT Total(Ausgabe) FROM Auswertung WHERE TAVO = ? AND "
                                   "Kostenträger = ? AND Typ IS NOT NULL"),
                    params)
            .toDouble();
    QCOMPARE(ausgaben->footerText(QStringLiteral("Ausgabe")), NumberFormat::money(total));
    QCOMPARE(population()->gridWE()->model()->rowCount(),
             Sql::scalar(m_db->user(), QStringLiteral("SELECT COUNT(*) FROM bWvB WHERE TAVO = ?"), {m_id})
                 .toInt());
    QVERIFY(population()->gridWE()->model()->rowCount() > 0);
    QVERIFY(population()->gridBeV()->model()->rowCount() > 0);
}

void IntegrationTest::infoShowsTheVersion() {
    openWindow(m_db->insertProject({{QStringLiteral("PG"), 301}}));
    QString version;
    QString files;
    {
        ModalScript script([&](QWidget* modal) {
            auto* about = qobject_cast<AboutDialog*>(modal);
            if (!about)
                return false;
            version = about->lbVersion->text();
            files = about->lbDateien ? about->lbDateien->text() : QString();
            about->accept();
            return true;
        });
        QTest::mouseClick(m_window->button(QStringLiteral("btAbout")), Qt::LeftButton);
    }
    QCOMPARE(version, QStringLiteral("Version: " TAVO_VERSION));
    // It names the two database files of this window.
    QVERIFY2(files.contains(QDir::toNativeSeparators(m_db->masterPath())) &&
                 files.contains(QDir::toNativeSeparators(m_db->userPath())),
             qPrintable(files));
    // Created for this use only.
    QApplication::processEvents();
    QVERIFY(!m_window->findChild<AboutDialog*>());
}

// "Hilfe..." opens TAVO_Handbuch.pdf beside the program; the test program has none beside it, which is
// reported with the path looked at.
void IntegrationTest::helpLooksBesideTheProgram() {
    openWindow(m_db->insertProject({{QStringLiteral("PG"), 301}}));
    QVERIFY(!QFileInfo::exists(Help::manualPath()));
    QString message;
    {
        ModalScript script([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            message = box->text();
            box->accept();
            return true;
        });
        QTest::mouseClick(m_window->button(QStringLiteral("btHelp")), Qt::LeftButton);
    }
    QVERIFY(message.contains(QDir::toNativeSeparators(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("TAVO_Handbuch.pdf")))));
}

// Pictures of both result pages with data, and of a zoomed grid, for a look by eye: into
// TAVO_SCREENSHOT_DIR when set, else into a temporary folder.
void IntegrationTest::screenshots() {
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsEmpty("TAVO_SCREENSHOT_DIR") ? temporary.path()
                                                                              : qEnvironmentVariable("TAVO_SCREENSHOT_DIR");
    const auto shot = [&](const char* name) { return QDir(folder).filePath(QString::fromLatin1(name)); };
    openWindow(projectWithResults());
    showFinancePage();
    QVERIFY(m_window->grab().save(shot("tavo_integration_finanz.png")));
    zoomBy(ResultKind::Expenditure);
    QApplication::processEvents();
    QVERIFY(m_window->grab().save(shot("tavo_integration_zoom.png")));
    zoom()->unzoomResultGrid();
    m_window->pages()->setCurrentIndex(7);
    QApplication::processEvents();
    QVERIFY(m_window->grab().save(shot("tavo_integration_bevoelk.png")));

    // The chart of the zoomed balance and its printout, as the user gets them.
    zoomBy(ResultKind::Balance);
    bool chartSaved = false;
    {
        ModalScript script([&](QWidget* modal) {
            auto* chart = qobject_cast<FinanceChartWindow*>(modal);
            if (!chart)
                return false;
            chartSaved = chart->grab().save(shot("tavo_integration_chart.png"));
            chart->accept();
            return true;
        });
        QTest::mouseClick(zoom()->chartButton(), Qt::LeftButton);
    }
    QVERIFY(chartSaved);
    zoomBy(ResultKind::Balance);
    int pages = 0;
    {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<PrintDialog*>(modal);
            if (!dialog)
                return false;
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(shot("tavo_integration_saldo.pdf"));
            pages = dialog->printTo(&printer);
            dialog->reject();
            return true;
        });
        QTest::mouseClick(zoom()->printZoomButton(), Qt::LeftButton);
    }
    QCOMPARE(pages, 1);
}

QTEST_MAIN(IntegrationTest)
#include "test_integration.moc"
