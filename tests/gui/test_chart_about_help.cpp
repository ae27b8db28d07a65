#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>
#include <QtTest>

#include "core/data/Sql.h"
#include "gui/common/AboutDialog.h"
#include "gui/chart/FinanceChartWindow.h"
#include "gui/common/Help.h"
#include "support/Modal.h"
#include "support/TestDb.h"

using namespace tavo;

namespace {

// Answers the next message box and returns its text through *text.
void catchMessage(QString* text) {
    onNextModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        *text = box->text();
        box->accept();
    });
}

QBarSeries* barSeries(const FinanceChartWindow& window) {
    const QList<QAbstractSeries*> all = window.chart()->series();
    return all.size() == 1 ? qobject_cast<QBarSeries*>(all.first()) : nullptr;
}

} // namespace

class GuiOutputWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chartShowsOneSeriesPerCostBearer();
    void chartSwitchesToTypesAndPrints();
    void chartWithNineCostBearersShowsEightAndTheMessage();
    void aboutShowsVersionAndPicture();
    void helpReportsMissingManualAndOpensExisting();
    void generatedManualCoversTheProgram();
};

void GuiOutputWindows::chartShowsOneSeriesPerCostBearer() {
    TestDb db;
    const int project = db.insertProject({{QStringLiteral("Beschreibung"), QStringLiteral("Sonnenhang")}});
    db.book(project, 1, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 120000,
            0);
    db.book(project, 2, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Land"), 30000, 0);
    db.book(project, 4, QStringLiteral("Wasser"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 15000,
            4000);

    ChartRequest request;
    request.projectId = project;
    request.quantity = ChartData::Quantity::Expenditure;
    request.titleLines = ChartRequest::projectTitle(QStringLiteral("Talheim"), QStringLiteral("Sonnenhang"));
    QWidget owner;
    FinanceChartWindow window(db.dbs(), request, &owner);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Grafik: Auswertung Finanz"));
    QCOMPARE(ChartRequest::chartedItems({"Gemeinde", "Land", "keine Einschränkung"}),
             (QStringList{"Gemeinde", "Land"}));
    QVERIFY(ChartRequest::chartedItems({}).isEmpty());

    QBarSeries* bars = barSeries(window);
    QVERIFY(bars);
    QCOMPARE(bars->count(), 5); // the five cost bearers of the reference data
    QCOMPARE(bars->barSets().first()->label(), QStringLiteral("Gemeinde"));
    QCOMPARE(bars->barSets().last()->label(), QStringLiteral("Land"));
    // Years 1, 2 and 4 have rows; expenditure stands below the zero line.
    auto* years = qobject_cast<QBarCategoryAxis*>(window.chart()->axes(Qt::Horizontal).first());
    QCOMPARE(years->categories(), (QStringList{"1", "2", "4"}));
    QCOMPARE(years->titleText(), QStringLiteral("Prognosejahr"));
    QCOMPARE(window.chart()->axes(Qt::Vertical).first()->titleText(), QStringLiteral("Betrag"));
    QCOMPARE(bars->barSets().first()->at(0), -120000.0);
    QCOMPARE(bars->barSets().first()->at(2), -15000.0);
    QCOMPARE(bars->barSets().last()->at(1), -30000.0);
    QVERIFY(window.chart()->title().contains(QStringLiteral("TAVO: Auswertung Finanz")));
    QVERIFY(window.chart()->title().contains(QStringLiteral("Talheim: Sonnenhang")));
    QVERIFY(window.chart()->legend()->isVisible());

    // Distinct colours per series.
    QSet<QRgb> colours;
    for (QBarSet* set : bars->barSets())
        colours.insert(set->color().rgb());
    QCOMPARE(colours.size(), bars->count());

    // The chart follows the window when the user enlarges it.
    const QSize before = window.chartView()->size();
    window.resize(window.width() + 200, window.height() + 100);
    QTRY_VERIFY(window.chartView()->width() > before.width() &&
                window.chartView()->height() > before.height());

    if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOT_DIR"))
        window.grab().save(QDir(qEnvironmentVariable("TAVO_SCREENSHOT_DIR")).filePath("chart.png"));

    auto* close = window.findChild<QPushButton*>(QStringLiteral("btSchliessen"));
    QCOMPARE(close->text(), QStringLiteral("&Schließen"));
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

void GuiOutputWindows::chartSwitchesToTypesAndPrints() {
    TestDb db;
    const int project = db.insertProject({});
    db.book(project, 3, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Gemeinde"), 100,
            300);
    db.book(project, 3, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Land"), 50, 0);
    ChartRequest request;
    request.projectId = project;
    request.quantity = ChartData::Quantity::Balance;
    request.titleLines = ChartRequest::projectTitle(QStringLiteral("Talheim"), QStringLiteral("Test"));
    FinanceChartWindow window(db.dbs(), request, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QRadioButton* byType = nullptr;
    for (QRadioButton* button : window.findChildren<QRadioButton*>())
        if (button->text() == QLatin1String("Typ"))
            byType = button;
    QVERIFY(byType);
    QTest::mouseClick(byType, Qt::LeftButton);
    QTest::qWait(100); // the chart lays out its new series and legend on the event loop
    QBarSeries* bars = barSeries(window);
    QVERIFY(bars);
    QCOMPARE(bars->count(), 8); // the eight evaluation types
    QCOMPARE(bars->barSets().at(1)->label(), QStringLiteral("Kanal"));
    QCOMPARE(bars->barSets().at(1)->at(0), 150.0); // 300 - 100 - 50 over both cost bearers

    // Printing paints the chart as shown onto the page.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Landscape);
    window.printChart(&printer);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains(QStringLiteral("Prognosejahr")), qPrintable(printed));
    QVERIFY(printed.contains(QStringLiteral("TAVO: Auswertung Finanz")));
    if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOT_DIR")) {
        QFile::copy(pdf, QDir(qEnvironmentVariable("TAVO_SCREENSHOT_DIR")).filePath("chart.pdf"));
        window.grab().save(QDir(qEnvironmentVariable("TAVO_SCREENSHOT_DIR")).filePath("chart-types.png"));
    }
    QVERIFY2(printed.contains(QStringLiteral("Kanal")), qPrintable(printed));
}

void GuiOutputWindows::chartWithNineCostBearersShowsEightAndTheMessage() {
    TestDb db;
    for (int i = 1; i <= 4; ++i)
        Sql::exec(db.writableMaster(),
                  QStringLiteral("ALTER TABLE Auswertung_Typen ADD COLUMN \"Anteil_Zusatz%1\" REAL").arg(i));
    db.reopen();
    const int project = db.insertProject({});
    db.book(project, 1, QStringLiteral("Kanal"), QStringLiteral("Test"), QStringLiteral("Zusatz4"), 10, 0);
    ChartRequest request;
    request.projectId = project;
    request.quantity = ChartData::Quantity::Expenditure;
    FinanceChartWindow window(db.dbs(), request, nullptr);
    QString message;
    catchMessage(&message);
    window.show();
    QTRY_COMPARE(message, QStringLiteral("Zu viele Kostenträger definiert!"));
    QBarSeries* bars = barSeries(window);
    QVERIFY(bars);
    QCOMPARE(bars->count(), 8);
    QCOMPARE(bars->barSets().last()->label(), QStringLiteral("Zusatz3"));
}

void GuiOutputWindows::aboutShowsVersionAndPicture() {
    QWidget owner;
    AboutDialog about(&owner);
    QCOMPARE(about.windowTitle(), QStringLiteral("TAVO - Tavorechner"));
    QCOMPARE(about.font().families().value(0), QStringLiteral("Tahoma"));
    QCOMPARE(about.font().pointSize(), 8);
    QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("btSchliessen"))->text(),
             QStringLiteral("&Schließen"));
    QCOMPARE(about.lbVersion->text(), QStringLiteral("Version: " TAVO_VERSION));
    QVERIFY(QStringLiteral(TAVO_VERSION).contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+"))));
    auto* picture = about.findChild<QLabel*>(QStringLiteral("imgAbout"));
    QVERIFY(picture);
    QCOMPARE(picture->pixmap().deviceIndependentSize(), QSizeF(512, 280));
    // The picture comes from the resource: sky at the top, the green hill at the bottom.
    const QImage image = picture->pixmap().toImage();
    const QColor sky = image.pixelColor(0, 0);
    const QColor hill = image.pixelColor(2, image.height() - 3);
    QVERIFY(sky.blue() > 180 && sky.red() < 150);
    QVERIFY(hill.green() > hill.red() && hill.green() > hill.blue());
    auto* text = about.findChild<QPlainTextEdit*>(QStringLiteral("meAbout"));
    QVERIFY(text && text->isReadOnly());
    QVERIFY(text->toPlainText().contains(QStringLiteral("frei")));

    onNextModal([&](QWidget* modal) {
        QCOMPARE(modal, &about);
        if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOT_DIR"))
            about.grab().save(QDir(qEnvironmentVariable("TAVO_SCREENSHOT_DIR")).filePath("about.png"));
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("btSchliessen")), Qt::LeftButton);
    });
    QCOMPARE(about.exec(), int(QDialog::Accepted));

    // On a screen 400 pixels high (1280 x 800 at scale factor 2, less the title bar) the picture
    // shrinks in proportion and the window with its button fits; on a tinier one it is left out.
    AboutDialog small(&owner, QStringLiteral("/m/TAVO_Master.db"), QStringLiteral("/u/TAVO_User.db"));
    small.fitToHeight(360);
    auto* shrunk = small.findChild<QLabel*>(QStringLiteral("imgAbout"));
    QVERIFY2(small.height() <= 360, qPrintable(QString::number(small.height())));
    QVERIFY(!shrunk->isHidden() && shrunk->height() < 280 && shrunk->height() >= 80);
    QCOMPARE(qRound(shrunk->width() * 280.0 / shrunk->height()), 512);
    small.fitToHeight(150);
    QVERIFY(shrunk->isHidden());
}

// Receives the URLs the program hands to the desktop, instead of starting a PDF viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

void GuiOutputWindows::helpReportsMissingManualAndOpensExisting() {
    // The manual is looked for beside the program file, not in the working folder.
    QTemporaryDir work;
    QFile decoy(work.filePath(QStringLiteral("TAVO_Handbuch.pdf")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QString expected = QDir(QCoreApplication::applicationDirPath()).filePath("TAVO_Handbuch.pdf");
    QCOMPARE(Help::manualPath(), expected);
    QVERIFY(!QFile::exists(expected));

    QString message;
    catchMessage(&message);
    Help::openManual(nullptr);
    QDir::setCurrent(previous);
    QCOMPARE(message,
             QStringLiteral("Das Handbuch wurde nicht gefunden:\n") + QDir::toNativeSeparators(expected));

    // An existing document goes to the desktop's handler for files.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QVERIFY(Help::openDocument(nullptr, decoy.fileName()));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.urls, (QList<QUrl>{QUrl::fromLocalFile(decoy.fileName())}));
}

void GuiOutputWindows::generatedManualCoversTheProgram() {
    // The build renders the manual beside the program and its databases.
    const QString pdf =
        QFileInfo(TestDb::generatedMaster()).dir().filePath(QStringLiteral("TAVO_Handbuch.pdf"));
    QVERIFY2(QFile::exists(pdf), qPrintable(pdf));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(QString::fromUtf8(info.readAllStandardOutput()));
    QVERIFY(pages.hasMatch());
    QVERIFY2(pages.captured(1).toInt() >= 8, qPrintable(pages.captured(1)));

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    // Line breaks of the PDF text become single blanks, so phrases split over two lines are found, and
    // typographic ligatures ("ﬁ") their plain letters.
    const QString manual = QString::fromUtf8(text.readAllStandardOutput())
                               .normalized(QString::NormalizationForm_KC)
                               .simplified();
    for (const char* topic :
         {"Start und Dateien", "Datensatz duplizieren", "Seite „Baugebiet/Bebauung“",
          "Die Berechnung Schritt für Schritt", "Anschlussgebühren", "Aufschließungsabgabe", "Grundsteuer",
          "Finanzausgleich", "Zinsen Vorjahr", "Auswertung Finanz", "Grafik: Auswertung Finanz",
          "drucke Auswahl", "Zwischenablage", "tavo-cli"})
        QVERIFY2(manual.contains(QString::fromUtf8(topic)), topic);
}

QTEST_MAIN(GuiOutputWindows)
#include "test_chart_about_help.moc"
