#include "gui/mainwindow/ReportAction.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "core/projects/CalculationState.h"
#include "core/projects/ProjectRecord.h"
#include "core/results/KeyFigures.h"
#include "gui/common/Questions.h"
#include "gui/mainwindow/CalculationAction.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/ReportOptionsDialog.h"
#include "report/CouncilReport.h"
#include "report/ReportData.h"

namespace tavo {

namespace {

const QString kTitle = QStringLiteral("TAVO - Tavorechner");

} // namespace

ReportAction::ReportAction(MainWindow& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("reportAction"));
    m_menu = new QMenu(&window);
    m_menu->setObjectName(QStringLiteral("mnBericht"));
    m_menu->addAction(QStringLiteral("Vorschau und Drucken..."), this, &ReportAction::showPreview);
    m_menu->addAction(QStringLiteral("Als PDF speichern..."), this, &ReportAction::savePdf);
    if (QPushButton* button = m_window.button(QStringLiteral("btBericht")))
        button->setMenu(m_menu);
}

bool ReportAction::saveInputs() {
    try {
        return m_window.postProjectRow();
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, kTitle, e.message());
        return false;
    }
}

bool ReportAction::settleOutdatedResults() {
    const int id = m_window.record().id();
    try {
        if (CalculationState::of(m_window.databases().user(), id) != CalculationState::State::Changed)
            return true;
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, kTitle, e.message());
        return false;
    }
    switch (Questions::reportOutdated(&m_window)) {
    case Questions::OutdatedReportChoice::MarkOutdated:
        return true;
    case Questions::OutdatedReportChoice::Calculate:
        break;
    case Questions::OutdatedReportChoice::Cancel:
        return false;
    }
    // The window's own calculation (plausibility question, refresh, error message included); the
    // report follows only when it has made the results current.
    if (auto* calculation = m_window.findChild<CalculationAction*>())
        calculation->calculate();
    try {
        return CalculationState::of(m_window.databases().user(), id) == CalculationState::State::Current;
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, kTitle, e.message());
        return false;
    }
}

bool ReportAction::chooseOptions() {
    QStringList bearers;
    try {
        bearers = keyFigureCostBearers(m_window.databases().master());
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, kTitle, e.message());
        return false;
    }
    ReportOptionsDialog dialog(bearers, m_options, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_options = dialog.options();
    return true;
}

void ReportAction::showPreview() {
    if (!m_window.record().isActive() || !saveInputs() || !settleOutdatedResults() || !chooseOptions())
        return;
    std::unique_ptr<CouncilReport> report;
    try {
        report = std::make_unique<CouncilReport>(
            ReportData::load(m_window.databases(), m_window.record().id(), m_options));
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, kTitle, e.message());
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report->title());
    printer.setCreator(QStringLiteral("TAVO - Tavorechner %1").arg(QStringLiteral(TAVO_VERSION)));
    QPrintPreviewDialog preview(&printer, &m_window);
    preview.setObjectName(QStringLiteral("frmBerichtVorschau"));
    preview.setWindowTitle(QStringLiteral("Bericht – Vorschau"));
    preview.resize(900, 760);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this, &report](QPrinter* target) {
        try {
            report->render(*target);
        } catch (const TavoError& e) {
            QMessageBox::critical(&m_window, kTitle, e.message());
        }
    });
    preview.exec();
}

void ReportAction::savePdf() {
    if (!m_window.record().isActive() || !saveInputs() || !settleOutdatedResults() || !chooseOptions())
        return;
    const int id = m_window.record().id();
    try {
        CouncilReport report(ReportData::load(m_window.databases(), id, m_options));
        const QString file = QFileDialog::getSaveFileName(
            &m_window, QStringLiteral("Bericht als PDF speichern"),
            QStringLiteral("Bericht_Projekt_%1.pdf").arg(id), QStringLiteral("PDF-Dateien (*.pdf)"));
        if (file.isEmpty())
            return;
        OutputFile::checkTarget(file, OutputFile::databasesInUse());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        report.writePdf(file);
        QApplication::restoreOverrideCursor();
        Questions::announceSaved(&m_window, file);
    } catch (const TavoError& e) {
        QApplication::restoreOverrideCursor();
        QMessageBox::critical(&m_window, kTitle, e.message());
    }
}

} // namespace tavo
