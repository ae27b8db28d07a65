#include "gui/mainwindow/CalculationAction.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "core/data/TavoError.h"
#include "core/services/CalculationRun.h"
#include "core/projects/InputCheck.h"
#include "core/projects/ProjectRecord.h"
#include "gui/common/CalculationNotifier.h"
#include "gui/common/Questions.h"
#include "gui/input/ProjectEdit.h"
#include "gui/mainwindow/MainWindow.h"

namespace tavo {

CalculationAction::CalculationAction(MainWindow& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("calculationAction"));
    if (QPushButton* button = m_window.button(QStringLiteral("btBerechnen")))
        connect(button, &QPushButton::clicked, this, &CalculationAction::calculate);
}

bool CalculationAction::saveInputs(QString* error) {
    // A number still being typed is written first; an invalid one has shown its own message.
    if (auto* edit = qobject_cast<ProjectEdit*>(m_window.focusWidget()); edit && !edit->commit())
        return false;
    // The input is left now, as a click on the button leaves it, so that its handlers run before the
    // save and not while the window is disabled.
    if (QPushButton* button = m_window.button(QStringLiteral("btBerechnen")))
        button->setFocus(Qt::OtherFocusReason);
    try {
        // False after someone else's save when the user reloaded or kept editing: no calculation.
        return m_window.postProjectRow();
    } catch (const TavoError& e) {
        *error = e.message();
        return false;
    }
}

void CalculationAction::refreshAfterRun(QString* error) {
    const auto keep = [error](const QString& message) {
        if (error->isEmpty())
            *error = message;
    };
    try {
        m_window.refreshResultViews();
    } catch (const TavoError& e) {
        keep(e.message());
    }
    // The row shows the stamped reference year; the grids show the rows as stored.
    try {
        m_window.record().load(m_window.record().id());
        m_window.reloadDetailGrids();
    } catch (const TavoError& e) {
        keep(e.message());
    }
}

bool CalculationAction::confirmPlausibility() {
    InputCheck::Findings findings;
    try {
        findings = InputCheck::check(m_window.databases(), m_window.record().id());
    } catch (const TavoError&) {
        // A database that cannot be read is reported by the run itself.
    }
    if (!findings.refusals.isEmpty()) {
        // Inputs that cannot be calculated: no run, and the message names every field to correct.
        QApplication::restoreOverrideCursor();
        QMessageBox::critical(&m_window, QStringLiteral("TAVO - Tavorechner"),
                              QStringLiteral("Das Projekt kann nicht berechnet werden:\n\n• ") +
                                  findings.refusals.join(QStringLiteral("\n• ")));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return false;
    }
    if (findings.warnings.isEmpty())
        return true;
    QApplication::restoreOverrideCursor();
    const bool calculate = Questions::calculateDespite(&m_window, findings.warnings);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return calculate;
}

void CalculationAction::calculate() {
    ProjectRecord& record = m_window.record();
    if (!record.isActive())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    if (!saveInputs(&error)) {
        // Nothing is calculated; the pending edits stay in the window.
        QApplication::restoreOverrideCursor();
        if (!error.isEmpty())
            QMessageBox::critical(&m_window, QStringLiteral("TAVO - Tavorechner"), error);
        return;
    }
    // The check reads the saved inputs; "Abbrechen" leaves them saved and calculates nothing.
    if (!confirmPlausibility()) {
        QApplication::restoreOverrideCursor();
        return;
    }
    m_window.setEnabled(false);
    bool calculated = false;
    try {
        runCalculation(m_window.databases(), record.id());
        calculated = true;
    } catch (const TavoError& e) {
        error = e.message();
    }
    refreshAfterRun(&error);
    // Other windows showing the project read its new results (this one has just done so).
    if (calculated)
        CalculationNotifier::announce(record.id(), &m_window);
    QApplication::beep();
    QApplication::beep();
    m_window.setEnabled(true);
    QApplication::restoreOverrideCursor();
    Q_EMIT calculationFinished(error);
    if (!error.isEmpty())
        QMessageBox::critical(&m_window, QStringLiteral("TAVO - Tavorechner"), error);
}

} // namespace tavo
