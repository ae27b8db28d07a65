#include "gui/print/PrintDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "core/data/NumberFormat.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "gui/common/Settings.h"

namespace tavo {

namespace {

// The system's general font in the given size: what the desktop uses, present on every system.
QFont printFont(int points) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(points);
    return font;
}

// A font remembered by an earlier version, which named a Windows font Linux does not have, gives
// way to the system's.
QFont restoredFont(const QString& saved, const QFont& fallback) {
    QFont font;
    if (saved.isEmpty() || !font.fromString(saved) || font.family() == QLatin1String("MS Sans Serif"))
        return fallback;
    return font;
}

// The page number on every page's foot, right.
const QString kPageNumber = QStringLiteral("Seite &[Page] von &[Pages]");

QLineEdit* addTextRow(QGridLayout* grid, int row, const QString& caption, const QString& name,
                      const QString& text) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    edit->setMinimumWidth(220);
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QPushButton* fontButton(const QString& name) {
    auto* button = new QPushButton(QStringLiteral("Font..."));
    button->setObjectName(name);
    button->setToolTip(QStringLiteral("wähle Font"));
    return button;
}

} // namespace

PrintDialog::PrintDialog(QWidget* parent, const QString& provenance)
    : QDialog(parent), m_headerFont(printFont(8)), m_footerFont(printFont(8)), m_provenance(provenance) {
    setObjectName(QStringLiteral("frmDruckGrid"));
    setWindowTitle(QStringLiteral("drucke Auswahl"));
    buildLayout();
    restoreSettings();
}

// The fonts and the fit option as the user left them at the last print, also in an earlier session
// of the program. The texts belong to each printout and are not kept.
void PrintDialog::restoreSettings() {
    Settings::Store settings;
    settings.beginGroup(QStringLiteral("Druck"));
    m_headerFont = restoredFont(settings.value(QStringLiteral("KopfFont")).toString(), m_headerFont);
    m_footerFont = restoredFont(settings.value(QStringLiteral("FussFont")).toString(), m_footerFont);
    m_fitColumns->setChecked(settings.value(QStringLiteral("AufEineSeite"), false).toBool());
}

void PrintDialog::saveSettings() const {
    Settings::Store settings;
    settings.beginGroup(QStringLiteral("Druck"));
    settings.setValue(QStringLiteral("KopfFont"), m_headerFont.toString());
    settings.setValue(QStringLiteral("FussFont"), m_footerFont.toString());
    settings.setValue(QStringLiteral("AufEineSeite"), m_fitColumns->isChecked());
}

void PrintDialog::done(int result) {
    saveSettings();
    QDialog::done(result);
}

void PrintDialog::buildLayout() {
    auto* header = new QGroupBox(QStringLiteral("Kopfzeile:"));
    auto* headerGrid = new QGridLayout(header);
    m_headerLeft = addTextRow(headerGrid, 0, QStringLiteral("links:"), QStringLiteral("edKLinks"), QString());
    m_headerCentre =
        addTextRow(headerGrid, 1, QStringLiteral("mitte:"), QStringLiteral("edKMitte"), QString());
    m_headerRight =
        addTextRow(headerGrid, 2, QStringLiteral("rechts:"), QStringLiteral("edKRechts"), QString());
    auto* headerFontButton = fontButton(QStringLiteral("btKFont"));
    headerGrid->addWidget(headerFontButton, 0, 2);

    auto* footer = new QGroupBox(QStringLiteral("Fußzeile:"));
    auto* footerGrid = new QGridLayout(footer);
    m_footerLeft = addTextRow(footerGrid, 0, QStringLiteral("links:"), QStringLiteral("edFLinks"), QString());
    m_footerCentre =
        addTextRow(footerGrid, 1, QStringLiteral("mitte:"), QStringLiteral("edFMitte"), QString());
    m_footerRight =
        addTextRow(footerGrid, 2, QStringLiteral("rechts:"), QStringLiteral("edFRechts"), QString());
    // The page number is counted on every page; the field shows the first page's.
    m_footerRight->setReadOnly(true);
    m_footerRight->setToolTip(QStringLiteral("Die Seitenzahl steht auf jeder Seite."));
    // Where the master data come from is printed on every page and cannot be edited away.
    m_footerNote =
        addTextRow(footerGrid, 3, QStringLiteral("Stammdaten:"), QStringLiteral("edFHerkunft"), m_provenance);
    m_footerNote->setReadOnly(true);
    m_footerNote->setCursorPosition(0); // the beginning of the line says which data
    if (m_provenance.isEmpty()) {
        m_footerNote->hide();
        footerGrid->itemAtPosition(3, 0)->widget()->hide();
    }
    auto* footerFontButton = fontButton(QStringLiteral("btFFont"));
    footerGrid->addWidget(footerFontButton, 0, 2);

    auto* options = new QGroupBox(QStringLiteral("Optionen:"));
    auto* optionsLayout = new QVBoxLayout(options);
    m_fitColumns = new QCheckBox(QStringLiteral("auf  eine Seite"));
    m_fitColumns->setObjectName(QStringLiteral("cbAlleSpalten"));
    optionsLayout->addWidget(m_fitColumns);

    auto* previewButton = new QPushButton(QStringLiteral("Vorschau"));
    previewButton->setObjectName(QStringLiteral("btVorschau"));
    auto* printButton = new QPushButton(QStringLiteral("Druck"));
    printButton->setObjectName(QStringLiteral("btDruck"));
    auto* closeButton = new QPushButton(QStringLiteral("S&chließen"));
    closeButton->setObjectName(QStringLiteral("BitBtn1"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previewButton);
    buttons->addWidget(printButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(footer);
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(headerFontButton, &QPushButton::clicked, this, &PrintDialog::onHeaderFontClicked);
    connect(footerFontButton, &QPushButton::clicked, this, &PrintDialog::onFooterFontClicked);
    connect(previewButton, &QPushButton::clicked, this, &PrintDialog::onPreviewClicked);
    connect(printButton, &QPushButton::clicked, this, &PrintDialog::onPrintClicked);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void PrintDialog::setJob(const PrintJob& job) {
    m_job = job;
    fillTexts();
}

void PrintDialog::fillTexts() {
    // The texts as printed: numbers and dates in Austrian German, whatever the desktop's locale.
    const NumberFormat::DocumentScope documentFormat;
    QString project = m_job.id.isEmpty() ? m_job.projekt
                      : m_job.projekt.isEmpty()
                          ? QStringLiteral("Projekt %1").arg(m_job.id)
                          : QStringLiteral("%1 (Projekt %2)").arg(m_job.projekt, m_job.id);
    const QString municipality = QStringLiteral("%1 %2").arg(m_job.pg, m_job.pgName).trimmed();
    if (!municipality.isEmpty())
        project += (project.isEmpty() ? QStringLiteral("Gemeinde %1") : QStringLiteral(", Gemeinde %1"))
                       .arg(municipality);
    m_headerLeft->setText(project);
    m_headerCentre->setText(m_job.table);
    m_headerRight->setText(NumberFormat::dateLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    m_footerLeft->setText(m_job.filters.join(QStringLiteral("; ")));
    m_footerCentre->setText(QStringLiteral("TAVO – Tavorechner"));
    int pages = 1;
    if (m_job.model) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        pages = TablePrinter(printTable(), printOptions()).pageCount(&printer);
    }
    m_footerRight->setText(TablePrinter::expandMacros(kPageNumber, 1, pages, QDateTime::currentDateTime()));
}

void PrintDialog::printModel(const PrintJob& job) {
    setJob(job);
    exec();
}

PrintOptions PrintDialog::printOptions() const {
    PrintOptions options;
    options.header = {m_headerLeft->text(), m_headerCentre->text(), m_headerRight->text(), m_headerFont};
    options.footer = {m_footerLeft->text(), m_footerCentre->text(), kPageNumber, m_footerFont, m_provenance};
    options.fitToPageWidth = m_fitColumns->isChecked();
    return options;
}

PrintTable PrintDialog::printTable() const {
    PrintTable table;
    table.model = m_job.model;
    table.columns = m_job.columns;
    table.footer = m_job.footer;
    table.beforeGrid = TablePrinter::projectHeading(m_job.id, m_job.pg, m_job.pgName, m_job.beschreibung);
    // The table's name and its filters above the rows, under the project.
    if (!m_job.table.isEmpty())
        table.beforeGrid.insert(1, m_job.table);
    if (!m_job.filters.isEmpty())
        table.beforeGrid.insert(table.beforeGrid.size() - 1, m_job.filters.join(QStringLiteral("; ")));
    table.beforeGridFont = printFont(12);
    table.tableFont = printFont(8);
    return table;
}

int PrintDialog::printTo(QPrinter* printer) const {
    if (!m_job.model)
        throw TavoError(QStringLiteral("Es ist keine Tabelle zum Drucken ausgewählt."));
    TablePrinter tablePrinter(printTable(), printOptions());
    return tablePrinter.print(printer);
}

void PrintDialog::writePdf(const QString& file, QPageLayout::Orientation orientation) const {
    OutputFile::checkTarget(file, OutputFile::databasesInUse());
    // QPrinter writes only to a file of its own: a private temporary one, copied in one piece.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw TavoError(QStringLiteral("Für „%1“ kann im Ordner „%2“ keine temporäre Datei angelegt werden.")
                            .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(QDir::tempPath())));
    const QString temporary = folder.filePath(QStringLiteral("ausdruck.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temporary);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(orientation);
        printTo(&printer);
    }
    QFile made(temporary);
    if (!made.open(QIODevice::ReadOnly) || made.size() == 0)
        throw TavoError(QStringLiteral("Die Datei „%1“ konnte nicht erzeugt werden.")
                            .arg(QDir::toNativeSeparators(file)));
    OutputFile::write(file, made.readAll());
}

void PrintDialog::onPreviewClicked() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Vorschau"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        try {
            printTo(target);
        } catch (const TavoError& error) {
            QMessageBox::critical(this, windowTitle(), error.message());
        }
    });
    preview.exec();
}

void PrintDialog::onPrintClicked() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        printTo(&printer);
    } catch (const TavoError& error) {
        QMessageBox::critical(this, windowTitle(), error.message());
    }
}

bool PrintDialog::chooseFont(QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, this, QStringLiteral("wähle Font"));
    if (ok)
        font = chosen;
    return ok;
}

void PrintDialog::onHeaderFontClicked() {
    chooseFont(m_headerFont);
}

void PrintDialog::onFooterFontClicked() {
    chooseFont(m_footerFont);
}

} // namespace tavo
