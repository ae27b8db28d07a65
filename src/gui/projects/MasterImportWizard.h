#pragma once

#include <atomic>

#include <QFutureWatcher>
#include <QWizard>

#include "core/master/MasterImport.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tavo {

// The wizard "Gemeindedaten importieren…": the planner picks the published population files (one per
// year), the municipality code list, optionally a land, regional forecast totals and the filled fiscal
// template; the import then runs in a worker thread with a progress bar, so the window stays
// responsive and Cancel stops it. Refusals are listed with file and line; at the end the wizard says
// where the new master is. Nothing is written unless the import is complete.
class MasterImportWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { FilesPage, OptionalPage, RunPage };

    // templateMaster: the master whose presets and value lists are carried over; outPath: where the
    // new master goes (the per-user imported master).
    MasterImportWizard(const QString& templateMaster, const QString& outPath, QWidget* parent = nullptr);
    ~MasterImportWizard() override;

    // Datei – "Gemeindedaten importieren…" of a window: the wizard from the shipped master into the
    // per-user imported master; after a successful import the offer to restart the program with it
    // (the open windows keep the master they were started with).
    static void importInteractively(QWidget* window);

    // The options as the pages hold them now.
    MasterImportOptions options() const;

    // True while the import runs; true once a run has ended and its report is shown; the report of
    // the last run.
    bool isRunning() const { return m_watcher.isRunning(); }
    bool hasFinished() const { return m_done; }
    const MasterImportReport& report() const { return m_report; }

    QListWidget* populationList() const { return m_populationList; }
    QPushButton* addPopulationButton() const { return m_addPopulation; }
    QLineEdit* codesEdit() const { return m_codes; }
    QSpinBox* landSpin() const { return m_land; }
    QLineEdit* totalsEdit() const { return m_totals; }
    QLineEdit* fiscalEdit() const { return m_fiscal; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLabel() const { return m_status; }
    QPlainTextEdit* messageBox() const { return m_messages; }

    // Adds population files to the list (the file dialog of "Hinzufügen…" calls it).
    void addPopulationFiles(const QStringList& files);

    void reject() override;

    // Starts the import (entering the last page does it).
    void startImport();

Q_SIGNALS:
    // The import ended with a complete master at outPath.
    void imported(const QString& path);

private:
    QWizardPage* buildFilesPage();
    QWizardPage* buildOptionalPage();
    QWizardPage* buildRunPage();
    void onProgress(qint64 done, qint64 total, const QString& step);
    void onFinished();

    QString m_templateMaster;
    QString m_outPath;
    QListWidget* m_populationList = nullptr;
    QPushButton* m_addPopulation = nullptr;
    QLineEdit* m_codes = nullptr;
    QSpinBox* m_land = nullptr;
    QLineEdit* m_totals = nullptr;
    QLineEdit* m_fiscal = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPlainTextEdit* m_messages = nullptr;
    QWizardPage* m_runPage = nullptr;
    QFutureWatcher<MasterImportReport> m_watcher;
    MasterImportReport m_report;
    std::atomic<bool> m_cancel{false};
    bool m_closeWhenDone = false;
    bool m_done = false;
};

} // namespace tavo
