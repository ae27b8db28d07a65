#include "gui/print/PrintDialog.h"

#include <QCheckBox>
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
#include <QVBoxLayout>

#include "core/data/TavoError.h"

namespace {

// The grid printout's classic font; where it is not installed the sans-serif fallback takes over.
QFont printFont(int points) {
    QFont font(QStringLiteral("MS Sans Serif"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

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

TfrmDruckGrid::TfrmDruckGrid(QWidget* parent)
    : QDialog(parent), m_headerFont(printFont(8)), m_footerFont(printFont(8)) {
    setObjectName(QStringLiteral("frmDruckGrid"));
    setWindowTitle(QStringLiteral("drucke Auswahl"));
    buildLayout();
}

void TfrmDruckGrid::buildLayout() {
    auto* header = new QGroupBox(QStringLiteral("Kopfzeile:"));
    auto* headerGrid = new QGridLayout(header);
    edKLinks = addTextRow(headerGrid, 0, QStringLiteral("links:"), QStringLiteral("edKLinks"),
                          QStringLiteral("&[Date]"));
    edKMitte = addTextRow(headerGrid, 1, QStringLiteral("mitte:"), QStringLiteral("edKMitte"), QString());
    edKRechts = addTextRow(headerGrid, 2, QStringLiteral("rechts:"), QStringLiteral("edKRechts"),
                           QStringLiteral("Seite: &[Page]"));
    auto* btKFont = fontButton(QStringLiteral("btKFont"));
    headerGrid->addWidget(btKFont, 0, 2);

    auto* footer = new QGroupBox(QStringLiteral("Fußzeile:"));
    auto* footerGrid = new QGridLayout(footer);
    edFLinks = addTextRow(footerGrid, 0, QStringLiteral("links:"), QStringLiteral("edFLinks"),
                          QStringLiteral("TAVO"));
    edFMitte = addTextRow(footerGrid, 1, QStringLiteral("mitte:"), QStringLiteral("edFMitte"), QString());
    edFRechts = addTextRow(footerGrid, 2, QStringLiteral("rechts:"), QStringLiteral("edFRechts"), QString());
    auto* btFFont = fontButton(QStringLiteral("btFFont"));
    footerGrid->addWidget(btFFont, 0, 2);

    auto* options = new QGroupBox(QStringLiteral("Optionen:"));
    auto* optionsLayout = new QVBoxLayout(options);
    cbAlleSpalten = new QCheckBox(QStringLiteral("auf  eine Seite"));
    cbAlleSpalten->setObjectName(QStringLiteral("cbAlleSpalten"));
    optionsLayout->addWidget(cbAlleSpalten);

    auto* btVorschau = new QPushButton(QStringLiteral("Vorschau"));
    btVorschau->setObjectName(QStringLiteral("btVorschau"));
    auto* btDruck = new QPushButton(QStringLiteral("Druck"));
    btDruck->setObjectName(QStringLiteral("btDruck"));
    auto* btSchliessen = new QPushButton(QStringLiteral("S&chließen"));
    btSchliessen->setObjectName(QStringLiteral("BitBtn1"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btVorschau);
    buttons->addWidget(btDruck);
    buttons->addStretch();
    buttons->addWidget(btSchliessen);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(footer);
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btKFont, &QPushButton::clicked, this, &TfrmDruckGrid::btKFontClick);
    connect(btFFont, &QPushButton::clicked, this, &TfrmDruckGrid::btFFontClick);
    connect(btVorschau, &QPushButton::clicked, this, &TfrmDruckGrid::btVorschauClick);
    connect(btDruck, &QPushButton::clicked, this, &TfrmDruckGrid::btDruckClick);
    connect(btSchliessen, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDruckGrid::printModel(const PrintJob& job) {
    setJob(job);
    exec();
}

PrintOptions TfrmDruckGrid::PreparePrint() const {
    PrintOptions options;
    options.header = {edKLinks->text(), edKMitte->text(), edKRechts->text(), m_headerFont};
    options.footer = {edFLinks->text(), edFMitte->text(), edFRechts->text(), m_footerFont};
    options.fitToPageWidth = cbAlleSpalten->isChecked();
    return options;
}

PrintTable TfrmDruckGrid::printTable() const {
    PrintTable table;
    table.model = m_job.model;
    table.columns = m_job.columns;
    table.footer = m_job.footer;
    table.beforeGrid = TablePrinter::projectHeading(m_job.id, m_job.pg, m_job.pgName, m_job.beschreibung);
    table.beforeGridFont = printFont(12);
    table.tableFont = printFont(8);
    return table;
}

int TfrmDruckGrid::printTo(QPrinter* printer) const {
    if (!m_job.model)
        throw TavoError(QStringLiteral("Es ist keine Tabelle zum Drucken ausgewählt."));
    TablePrinter tablePrinter(printTable(), PreparePrint());
    return tablePrinter.print(printer);
}

void TfrmDruckGrid::btVorschauClick() {
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

void TfrmDruckGrid::btDruckClick() {
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

bool TfrmDruckGrid::chooseFont(QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, this, QStringLiteral("wähle Font"));
    if (ok)
        font = chosen;
    return ok;
}

void TfrmDruckGrid::btKFontClick() {
    chooseFont(m_headerFont);
}

void TfrmDruckGrid::btFFontClick() {
    chooseFont(m_footerFont);
}
