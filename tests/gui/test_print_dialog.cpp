#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "gui/common/Settings.h"
#include "gui/print/PrintDialog.h"
#include "gui/print/TablePrinter.h"
#include "support/Modal.h"

using namespace tavo;

namespace {

// A result grid like the expenditure grid: Jahr, Typ, Bezeichnung, Kostenträger, Ausgabe.
std::unique_ptr<QStandardItemModel> expenditureModel(int rows) {
    auto model = std::make_unique<QStandardItemModel>(rows, 5);
    for (int r = 0; r < rows; ++r) {
        model->setData(model->index(r, 0), r / 10 + 1);
        model->setData(model->index(r, 1), QStringLiteral("Kanal"));
        model->setData(model->index(r, 2), QStringLiteral("Zeile %1").arg(r + 1));
        model->setData(model->index(r, 3), QStringLiteral("Gemeinde"));
        model->setData(model->index(r, 4), 1234.5 * (r + 1));
    }
    return model;
}

QList<PrintColumn> expenditureColumns() {
    return {{0, QStringLiteral("Jahr"), 25, CellFormat::Plain, Qt::AlignRight, {}},
            {1, QStringLiteral("Typ"), 85, CellFormat::Plain, Qt::AlignLeft, {}},
            {2, QStringLiteral("Bezeichnung"), 265, CellFormat::Plain, Qt::AlignLeft, {}},
            {3, QStringLiteral("Kostenträger"), 90, CellFormat::Plain, Qt::AlignLeft, {}},
            {4, QStringLiteral("Ausgabe"), 80, CellFormat::Money, Qt::AlignRight, {}}};
}

QPrinter* pdfPrinter(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return &printer;
}

// The text of one page of a PDF file, as pdftotext extracts it (layout kept).
QString pageText(const QString& pdf, int page) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    process.waitForFinished(30000);
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

class GuiOutputPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cellFormats();
    void macros();
    void longTablePrintsOnSeveralPages();
    void provenanceAboveEveryFooter();
    void paperIsAustrianGermanUnderAnyLocale();
    void fitToPageWidthScalesTheTable();
    void dialogDefaultsAndKeptSettings();
    void fontButtonsChangeOnlyOnConfirm();

private:
    QTemporaryDir m_dir;
};

void GuiOutputPrint::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY(m_dir.isValid());
}

void GuiOutputPrint::cellFormats() {
    PrintColumn money{0, QStringLiteral("A"), 80, CellFormat::Money, Qt::AlignRight, {}};
    QCOMPARE(TablePrinter::cellText(money, 1234567.891), QStringLiteral("1.234.567,89"));
    QCOMPARE(TablePrinter::cellText(money, -0.5), QStringLiteral("-0,50"));
    QCOMPARE(TablePrinter::cellText(money, QVariant()), QString());
    PrintColumn decimal{0, QStringLiteral("B"), 80, CellFormat::OneDecimal, Qt::AlignRight, {}};
    QCOMPARE(TablePrinter::cellText(decimal, 12345.66), QStringLiteral("12.345,7"));
    PrintColumn plain{0, QStringLiteral("C"), 80, CellFormat::Plain, Qt::AlignLeft, {}};
    QCOMPARE(TablePrinter::cellText(plain, 8.5), QStringLiteral("8,5"));
    QCOMPARE(TablePrinter::cellText(plain, 12), QStringLiteral("12"));
    QCOMPARE(TablePrinter::cellText(plain, QStringLiteral("Kanal")), QStringLiteral("Kanal"));
    plain.formatter = [](const QVariant& v) { return QStringLiteral("<%1>").arg(v.toString()); };
    QCOMPARE(TablePrinter::cellText(plain, QStringLiteral("x")), QStringLiteral("<x>"));
}

void GuiOutputPrint::macros() {
    const QDateTime now(QDate(2026, 3, 7), QTime(14, 5));
    const QLocale locale;
    QCOMPARE(TablePrinter::expandMacros(QStringLiteral("Seite: &[Page] von &[Pages]"), 2, 5, now),
             QStringLiteral("Seite: 2 von 5"));
    QCOMPARE(
        TablePrinter::expandMacros(QStringLiteral("&[Date]|&[ShortDate]|&[LongDate]|&[Time]"), 1, 1, now),
        locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char('|') +
            locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char('|') +
            locale.toString(now.date(), QLocale::LongFormat) + QLatin1Char('|') +
            locale.toString(now.time(), QLocale::ShortFormat));
    QVERIFY(TablePrinter::expandMacros(QStringLiteral("&[LongDate]"), 1, 1, now)
                .contains(QStringLiteral("März")));
    QCOMPARE(TablePrinter::expandMacros(QStringLiteral("TAVO"), 1, 1, now), QStringLiteral("TAVO"));
}

// The line naming the master data stands on every page between the last row and the footer texts,
// and no row is lost to the room it takes.
void GuiOutputPrint::provenanceAboveEveryFooter() {
    auto model = expenditureModel(150);
    const QString note = QStringLiteral("Stammdaten: Gemeindedaten Tirol, Stand 2024");
    PrintDialog dialog(nullptr, note);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("edFHerkunft"))->text(), note);
    dialog.setJob({model.get(),
                   expenditureColumns(),
                   {},
                   QStringLiteral("17"),
                   QStringLiteral("301"),
                   QStringLiteral("Talheim"),
                   QString(),
                   QString(),
                   QStringLiteral("Ausgaben"),
                   {}});
    const QString pdf = m_dir.filePath(QStringLiteral("provenance.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    const int pages = dialog.printTo(pdfPrinter(printer, pdf));
    int rowsSeen = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pageText(pdf, page);
        const int noteAt = text.indexOf(note);
        QVERIFY2(noteAt >= 0, qPrintable(text.right(400)));
        QVERIFY(noteAt < text.indexOf(QStringLiteral("Seite %1 von %2").arg(page).arg(pages), noteAt));
        QVERIFY(text.lastIndexOf(QRegularExpression(QStringLiteral("Zeile \\d+\\b"))) < noteAt);
        rowsSeen += text.count(QRegularExpression(QStringLiteral("Zeile \\d+\\b")));
    }
    QCOMPARE(rowsSeen, 150);
}

void GuiOutputPrint::paperIsAustrianGermanUnderAnyLocale() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // A window's texts in the user's locale become the document's, with their decimals.
    QCOMPARE(TablePrinter::documentNumberText(QStringLiteral("12,345.50")), QStringLiteral("12.345,50"));
    QCOMPARE(TablePrinter::documentNumberText(QStringLiteral("1.5")), QStringLiteral("1,5"));
    QCOMPARE(TablePrinter::documentNumberText(QStringLiteral("2012")), QStringLiteral("2012"));
    QCOMPARE(TablePrinter::documentNumberText(QStringLiteral("Summe:")), QStringLiteral("Summe:"));

    auto model = expenditureModel(3);
    PrintDialog dialog(nullptr);
    dialog.setJob(
        {model.get(), expenditureColumns(), {"", "", "", "Summe:", "7,407.00"}, "17", "301", "Talheim", "x"});
    // A text of the user's own may still hold a date macro.
    dialog.findChild<QLineEdit*>(QStringLiteral("edKLinks"))->setText(QStringLiteral("&[LongDate]"));
    const QString pdf = m_dir.filePath(QStringLiteral("austrian.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    QCOMPARE(dialog.printTo(pdfPrinter(printer, pdf)), 1);
    const QString text = pageText(pdf, 1);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // 1234.5 × 3 and the total; January is "Jänner" in Austria.
    QVERIFY2(text.contains(QStringLiteral("3.703,50")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("7.407,00")), qPrintable(text));
    static const char* const months[] = {"Jänner", "Februar", "März",      "April",   "Mai",      "Juni",
                                         "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    const QDate today = QDate::currentDate();
    QVERIFY2(text.contains(QStringLiteral("%1. %2 %3")
                               .arg(today.day())
                               .arg(QString::fromUtf8(months[today.month() - 1]))
                               .arg(today.year())),
             qPrintable(text));
}

void GuiOutputPrint::longTablePrintsOnSeveralPages() {
    auto model = expenditureModel(150);
    PrintDialog dialog(nullptr);
    dialog.setJob({model.get(),
                   expenditureColumns(),
                   {"", "", "", "Summe:", "9.999,00"},
                   QStringLiteral("17"),
                   QStringLiteral("301"),
                   QStringLiteral("Talheim"),
                   QStringLiteral("Wohnanlage Sonnenhang"),
                   QStringLiteral("Am Sonnenhang"),
                   QStringLiteral("Ausgaben"),
                   {QStringLiteral("Kostenträger: Gemeinde"), QStringLiteral("Typ: Kanal")}});
    const QString pdf = m_dir.filePath(QStringLiteral("long.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    const int pages = dialog.printTo(pdfPrinter(printer, pdf));
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    QCOMPARE(pdfPages(pdf), pages);

    const QDate date = QDate::currentDate();
    const QString today = QStringLiteral("%1.%2.%3")
                              .arg(date.day(), 2, 10, QLatin1Char('0'))
                              .arg(date.month(), 2, 10, QLatin1Char('0'))
                              .arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    int rowsSeen = 0;
    for (int page = 1; page <= pages; ++page) {
        // Every page names the project, the municipality, the table and its filters, with date and page.
        const QString text = pageText(pdf, page);
        QVERIFY2(text.contains(today), qPrintable(today + QStringLiteral(" / ") + text.left(300)));
        QVERIFY2(text.contains(QStringLiteral("Seite %1 von %2").arg(page).arg(pages)), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Am Sonnenhang (Projekt 17), Gemeinde 301 Talheim")));
        QVERIFY(text.contains(QStringLiteral("Ausgaben")));
        QVERIFY(text.contains(QStringLiteral("Kostenträger: Gemeinde; Typ: Kanal")));
        QVERIFY(!text.contains(QStringLiteral("&[")));
        QVERIFY(text.contains(QStringLiteral("Bezeichnung"))); // titles repeat on every page
        QCOMPARE(text.contains(QStringLiteral("Wohnanlage Sonnenhang")), page == 1);
        QVERIFY(text.contains(QStringLiteral("301 Talheim"))); // in the header of every page
        QCOMPARE(text.contains(QStringLiteral("Summe:")), page == pages);
        rowsSeen += text.count(QRegularExpression(QStringLiteral("Zeile \\d+\\b")));
    }
    QCOMPARE(rowsSeen, 150); // every row once, none lost at a page break
    QVERIFY(pageText(pdf, 1).contains(QStringLiteral("1.234,50")));
    QVERIFY(pageText(pdf, pages).contains(QStringLiteral("Zeile 150")));
}

void GuiOutputPrint::fitToPageWidthScalesTheTable() {
    // A grid twice as wide as the page: unscaled, its last column runs off the paper.
    auto model = expenditureModel(120);
    QList<PrintColumn> columns = expenditureColumns();
    for (PrintColumn& column : columns)
        column.width *= 3;
    columns.last().title = QStringLiteral("Letzte");

    const auto printWith = [&](bool fit, const QString& name) {
        PrintOptions options;
        options.fitToPageWidth = fit;
        options.header.left = QStringLiteral("Kopf");
        PrintTable table;
        table.model = model.get();
        table.columns = columns;
        QPrinter printer(QPrinter::HighResolution);
        TablePrinter tablePrinter(table, options);
        const int pages = tablePrinter.print(pdfPrinter(printer, m_dir.filePath(name)));
        return pages;
    };
    const int unscaled = printWith(false, QStringLiteral("wide.pdf"));
    const int fitted = printWith(true, QStringLiteral("fit.pdf"));
    QVERIFY2(fitted < unscaled, qPrintable(QStringLiteral("%1 / %2").arg(fitted).arg(unscaled)));
    QVERIFY(pageText(m_dir.filePath(QStringLiteral("fit.pdf")), 1).contains(QStringLiteral("Letzte")));
    QVERIFY(!pageText(m_dir.filePath(QStringLiteral("wide.pdf")), 1).contains(QStringLiteral("Letzte")));
}

void GuiOutputPrint::dialogDefaultsAndKeptSettings() {
    QWidget owner;
    PrintDialog dialog(&owner);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("drucke Auswahl"));
    const auto edit = [&](const char* name) { return dialog.findChild<QLineEdit*>(QLatin1String(name)); };
    auto* fit = dialog.findChild<QCheckBox*>(QStringLiteral("cbAlleSpalten"));
    QCOMPARE(fit->text(), QStringLiteral("auf  eine Seite"));
    QVERIFY(!fit->isChecked());

    // The user changes texts and the option, closes with "S&chließen"; the next request shows them.
    auto model = expenditureModel(3);
    onNextModal([&](QWidget* modal) {
        QCOMPARE(modal, &dialog);
        if (!qEnvironmentVariableIsEmpty("TAVO_SCREENSHOT_DIR"))
            dialog.grab().save(
                QDir(qEnvironmentVariable("TAVO_SCREENSHOT_DIR")).filePath("print-dialog.png"));
        // The texts show what will be printed: no placeholders, the real page count.
        QCOMPARE(edit("edKLinks")->text(), QStringLiteral("Projekt 1, Gemeinde 301 Talheim"));
        QCOMPARE(edit("edKMitte")->text(), QStringLiteral("Saldo"));
        QCOMPARE(edit("edFLinks")->text(), QStringLiteral("Kostenträger: Land"));
        QCOMPARE(edit("edFRechts")->text(), QStringLiteral("Seite 1 von 1"));
        QVERIFY(edit("edFRechts")->isReadOnly());
        for (const char* name : {"edKLinks", "edKMitte", "edKRechts", "edFLinks", "edFMitte", "edFRechts"})
            QVERIFY2(!edit(name)->text().contains(QLatin1Char('&')), name);
        QTest::keyClicks(edit("edFMitte"), QStringLiteral(" Planung"));
        QTest::keyClick(fit, Qt::Key_Space);
        auto* close = dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
        QCOMPARE(close->text(), QStringLiteral("S&chließen"));
        QTest::mouseClick(close, Qt::LeftButton);
    });
    dialog.printModel({model.get(),
                       expenditureColumns(),
                       {},
                       "1",
                       "301",
                       "Talheim",
                       "A",
                       {},
                       "Saldo",
                       {"Kostenträger: Land"}});
    QVERIFY(!dialog.isVisible());

    // The next printout is named by its own job; the fit option is kept.
    onNextModal([&](QWidget*) { dialog.reject(); });
    dialog.printModel({model.get(), expenditureColumns(), {}, "2", "302", "Oberau", "B"});
    QCOMPARE(edit("edFMitte")->text(), QStringLiteral("TAVO – Tavorechner"));
    QCOMPARE(edit("edKMitte")->text(), QString());
    QVERIFY(fit->isChecked());
    const PrintOptions options = dialog.printOptions();
    QVERIFY(options.fitToPageWidth);
    QCOMPARE(options.header.left, QStringLiteral("Projekt 2, Gemeinde 302 Oberau"));
    QCOMPARE(dialog.printTable().beforeGrid,
             (QStringList{"", "2", "302 Oberau", "B", ""})); // taken from the latest request
    QCOMPARE(dialog.printTable().beforeGridFont.pointSize(), 12);
}

void GuiOutputPrint::fontButtonsChangeOnlyOnConfirm() {
    // A font an earlier version remembered, which Linux does not have, gives way to the system's.
    {
        Settings::Store settings;
        settings.beginGroup(QStringLiteral("Druck"));
        settings.setValue(QStringLiteral("KopfFont"), QFont(QStringLiteral("MS Sans Serif"), 8).toString());
    }
    PrintDialog dialog(nullptr);
    const QFont before = dialog.headerFont();
    QCOMPARE(before.pointSize(), 8);
    QCOMPARE(before.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    QCOMPARE(dialog.printTable().tableFont.family(), before.family());
    auto* headerButton = dialog.findChild<QPushButton*>(QStringLiteral("btKFont"));
    auto* footerButton = dialog.findChild<QPushButton*>(QStringLiteral("btFFont"));
    QCOMPARE(headerButton->toolTip(), QStringLiteral("wähle Font"));

    onNextModal([](QWidget* modal) {
        QVERIFY(qobject_cast<QFontDialog*>(modal));
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseClick(headerButton, Qt::LeftButton);
    QCOMPARE(dialog.headerFont(), before);

    onNextModal([](QWidget* modal) {
        auto* fonts = qobject_cast<QFontDialog*>(modal);
        QVERIFY(fonts);
        QFont chosen = fonts->currentFont();
        chosen.setPointSize(14);
        fonts->setCurrentFont(chosen);
        fonts->accept();
    });
    QTest::mouseClick(footerButton, Qt::LeftButton);
    QCOMPARE(dialog.footerFont().pointSize(), 14);
    QCOMPARE(dialog.headerFont(), before);
    QCOMPARE(dialog.printOptions().footer.font.pointSize(), 14);
}

QTEST_MAIN(GuiOutputPrint)
#include "test_print_dialog.moc"
