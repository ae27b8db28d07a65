#include "gui/projects/MasterImportWizard.h"

#include <functional>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "core/data/DataLocations.h"

namespace tavo {

namespace {

const QString kCsvFilter = QStringLiteral("CSV-Dateien (*.csv);;Alle Dateien (*)");

// A page whose Next/Finish button follows a condition of the wizard's fields.
class CheckedPage : public QWizardPage {
public:
    explicit CheckedPage(std::function<bool()> complete) : m_complete(std::move(complete)) {}
    bool isComplete() const override { return m_complete(); }
    void recheck() { Q_EMIT completeChanged(); }

private:
    std::function<bool()> m_complete;
};

// The explanation at the top of a page, wrapped to the page's width (a wizard's subtitle is cut off).
QLabel* explanation(QWidget* page, const QString& text) {
    auto* label = new QLabel(text, page);
    label->setWordWrap(true);
    return label;
}

// A line edit for one file with a "Durchsuchen…" button beside it, in row `row` of grid.
QLineEdit* addFileRow(QWizardPage* page, QGridLayout* grid, int row, const QString& caption,
                      const QString& name, const QString& filter) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    auto* label = new QLabel(caption, page);
    label->setBuddy(edit);
    auto* browse = new QPushButton(QStringLiteral("Durchsuchen…"), page);
    browse->setObjectName(name + QStringLiteral("Durchsuchen"));
    QObject::connect(browse, &QPushButton::clicked, page, [page, edit, caption, filter] {
        const QString file = QFileDialog::getOpenFileName(page, caption, edit->text(), filter);
        if (!file.isEmpty())
            edit->setText(QDir::toNativeSeparators(file));
    });
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(browse, row, 2);
    return edit;
}

} // namespace

MasterImportWizard::MasterImportWizard(const QString& templateMaster, const QString& outPath, QWidget* parent)
    : QWizard(parent), m_templateMaster(templateMaster), m_outPath(outPath) {
    setObjectName(QStringLiteral("frmImportGemeindedaten"));
    setWindowTitle(QStringLiteral("Gemeindedaten importieren"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnLastPage, false);
    setButtonText(QWizard::NextButton, QStringLiteral("&Weiter >"));
    setButtonText(QWizard::BackButton, QStringLiteral("< &Zurück"));
    setButtonText(QWizard::FinishButton, QStringLiteral("&Fertig"));
    setButtonText(QWizard::CancelButton, QStringLiteral("&Abbrechen"));
    setPage(FilesPage, buildFilesPage());
    setPage(OptionalPage, buildOptionalPage());
    setPage(RunPage, m_runPage = buildRunPage());
    connect(&m_watcher, &QFutureWatcher<MasterImportReport>::finished, this, &MasterImportWizard::onFinished);
    resize(640, 460);
}

MasterImportWizard::~MasterImportWizard() {
    // The worker reports into this object: it must have ended before the object goes.
    m_cancel = true;
    m_watcher.waitForFinished();
}

QWizardPage* MasterImportWizard::buildFilesPage() {
    auto* page = new CheckedPage(
        [this] { return m_populationList->count() > 0 && !m_codes->text().trimmed().isEmpty(); });
    page->setTitle(QStringLiteral("Bevölkerung und Gemeinden"));
    auto* intro = explanation(
        page,
        QStringLiteral(
            "Die Bevölkerung zu Jahresbeginn nach Gemeinde, Alter und Geschlecht, wie Statistik Austria sie "
            "als offene Daten veröffentlicht (OGD_bevstandjbab2002_BevStand_<Jahr>.csv, eine Datei je Jahr; "
            "für die Prognose zwei Jahre, die fünf Jahre auseinanderliegen), und die Liste der "
            "Gemeindecodes."));
    m_populationList = new QListWidget(page);
    m_populationList->setObjectName(QStringLiteral("lstBevoelkerung"));
    m_populationList->setAccessibleName(QStringLiteral("Bevölkerungsdateien"));
    m_addPopulation = new QPushButton(QStringLiteral("&Hinzufügen…"), page);
    m_addPopulation->setObjectName(QStringLiteral("btBevoelkerungHinzu"));
    auto* remove = new QPushButton(QStringLiteral("&Entfernen"), page);
    remove->setObjectName(QStringLiteral("btBevoelkerungWeg"));
    connect(m_addPopulation, &QPushButton::clicked, this, [this, page] {
        addPopulationFiles(QFileDialog::getOpenFileNames(page, QStringLiteral("Bevölkerungsdateien wählen"),
                                                         QString(), kCsvFilter));
    });
    connect(remove, &QPushButton::clicked, this, [this, page] {
        delete m_populationList->currentItem();
        page->recheck();
    });
    auto* grid = new QGridLayout;
    auto* outer = new QVBoxLayout(page);
    outer->addWidget(intro);
    outer->addLayout(grid, 1);
    grid->addWidget(new QLabel(QStringLiteral("Bevölkerungsdateien:"), page), 0, 0, Qt::AlignTop);
    grid->addWidget(m_populationList, 0, 1);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(m_addPopulation);
    listButtons->addWidget(remove);
    listButtons->addStretch(1);
    grid->addLayout(listButtons, 0, 2);
    m_codes = addFileRow(page, grid, 1, QStringLiteral("Gemeindecodes:"), QStringLiteral("edGemeindecodes"),
                         kCsvFilter);
    m_land = new QSpinBox(page);
    m_land->setObjectName(QStringLiteral("spLand"));
    m_land->setRange(0, 9);
    m_land->setSpecialValueText(QStringLiteral("alle Bundesländer"));
    m_land->setToolTip(
        QStringLiteral("Nur die Gemeinden dieses Bundeslands (erste Ziffer der Gemeindekennziffer)"));
    auto* landLabel = new QLabel(QStringLiteral("&Bundesland:"), page);
    landLabel->setBuddy(m_land);
    grid->addWidget(landLabel, 2, 0);
    grid->addWidget(m_land, 2, 1, Qt::AlignLeft);
    connect(m_codes, &QLineEdit::textChanged, page, &CheckedPage::recheck);
    connect(m_populationList->model(), &QAbstractItemModel::rowsInserted, page, &CheckedPage::recheck);
    return page;
}

QWizardPage* MasterImportWizard::buildOptionalPage() {
    auto* page = new QWizardPage;
    page->setTitle(QStringLiteral("Prognosesummen und Finanzwerte (freiwillig)"));
    auto* intro = explanation(
        page,
        QStringLiteral(
            "Regionale Summen je Jahr halten die Prognose an einer veröffentlichten Regionalprognose fest. "
            "Die "
            "ausgefüllte Finanzvorlage (tavo-cli stammdaten vorlage) liefert Ertragsanteile, Transfers und "
            "Umlagen der Gemeinden; ohne sie kann eine Gemeinde erst nach dem Nachtragen berechnet werden."));
    auto* grid = new QGridLayout;
    auto* outer = new QVBoxLayout(page);
    outer->addWidget(intro);
    outer->addLayout(grid, 1);
    m_totals = addFileRow(page, grid, 0, QStringLiteral("Prognosesummen:"),
                          QStringLiteral("edPrognoseSummen"), kCsvFilter);
    m_fiscal = addFileRow(page, grid, 1, QStringLiteral("Finanzwerte:"), QStringLiteral("edFinanzen"),
                          QStringLiteral("Finanzvorlage (*.xlsx *.csv);;Alle Dateien (*)"));
    grid->setRowStretch(2, 1);
    return page;
}

QWizardPage* MasterImportWizard::buildRunPage() {
    auto* page = new CheckedPage([this] { return m_done && m_report.ok; });
    page->setTitle(QStringLiteral("Einlesen"));
    page->setFinalPage(true);
    m_status = new QLabel(page);
    m_status->setObjectName(QStringLiteral("lbImportSchritt"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar(page);
    m_progress->setObjectName(QStringLiteral("pbImport"));
    m_messages = new QPlainTextEdit(page);
    m_messages->setObjectName(QStringLiteral("meImportMeldungen"));
    m_messages->setReadOnly(true);
    m_messages->setAccessibleName(QStringLiteral("Meldungen des Imports"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_messages, 1);
    connect(this, &QWizard::currentIdChanged, this, [this](int id) {
        if (id == RunPage)
            startImport();
    });
    return page;
}

void MasterImportWizard::importInteractively(QWidget* window) {
    const DataLocations locations = DataLocations::ofRunningProgram();
    MasterImportWizard wizard(locations.shippedMasterPath(), locations.importedMasterPath(), window);
    if (wizard.exec() != QDialog::Accepted || !wizard.report().ok)
        return;
    if (QMessageBox::question(window, wizard.windowTitle(),
                              QStringLiteral("TAVO jetzt mit den neuen Stammdaten neu starten?")) !=
        QMessageBox::Yes)
        return;
    // The same arguments, except a --master that would pin the old master data.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--master") && i + 1 < arguments.size())
            arguments.remove(i, 2), --i;
        else if (arguments[i].startsWith(QLatin1String("--master=")))
            arguments.removeAt(i--);
    }
    if (window->close())
        QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}

MasterImportOptions MasterImportWizard::options() const {
    MasterImportOptions o;
    for (int i = 0; i < m_populationList->count(); ++i)
        o.populationFiles << m_populationList->item(i)->data(Qt::UserRole).toString();
    o.codesFile = QDir::fromNativeSeparators(m_codes->text().trimmed());
    o.land = m_land->value();
    o.forecastTotalsFile = QDir::fromNativeSeparators(m_totals->text().trimmed());
    o.fiscalFile = QDir::fromNativeSeparators(m_fiscal->text().trimmed());
    o.templateMaster = m_templateMaster;
    o.outPath = m_outPath;
    return o;
}

// The list shows the file names, whose year tells the files apart (a full path would be cut off before
// it); the path is the item's tooltip and data.
void MasterImportWizard::addPopulationFiles(const QStringList& files) {
    for (const QString& file : files) {
        const QString path = QDir::fromNativeSeparators(file);
        bool listed = false;
        for (int i = 0; i < m_populationList->count() && !listed; ++i)
            listed = m_populationList->item(i)->data(Qt::UserRole).toString() == path;
        if (listed)
            continue;
        auto* item = new QListWidgetItem(QFileInfo(path).fileName(), m_populationList);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
}

void MasterImportWizard::startImport() {
    if (m_watcher.isRunning())
        return;
    m_done = false;
    m_cancel = false;
    m_report = MasterImportReport();
    m_messages->clear();
    m_progress->setRange(0, 0); // busy until the first step reports its size
    m_status->setText(QStringLiteral("Die Dateien werden geprüft…"));
    static_cast<CheckedPage*>(m_runPage)->recheck();
    button(QWizard::BackButton)->setEnabled(false); // after the wizard's own update of its buttons
    // The per-user data folder may not exist yet on a fresh installation.
    QDir().mkpath(QFileInfo(m_outPath).absolutePath());
    const MasterImportOptions o = options();
    m_watcher.setFuture(QtConcurrent::run([this, o] {
        const auto progress = [this](qint64 done, qint64 total, const QString& step) {
            QMetaObject::invokeMethod(
                this, [this, done, total, step] { onProgress(done, total, step); }, Qt::QueuedConnection);
        };
        try {
            return importMaster(o, progress, [this] { return m_cancel.load(); });
        } catch (const std::exception& e) {
            MasterImportReport failed;
            failed.errors << QString::fromUtf8(e.what());
            return failed;
        }
    }));
}

void MasterImportWizard::onProgress(qint64 done, qint64 total, const QString& step) {
    if (m_done)
        return; // a late report of a finished run
    // The bar counts in thousandths, so that row counts beyond an int fit.
    m_progress->setRange(0, 1000);
    m_progress->setValue(total > 0 ? static_cast<int>(1000 * done / total) : 0);
    m_status->setText(step + QStringLiteral("…"));
}

void MasterImportWizard::onFinished() {
    m_report = m_watcher.result();
    m_done = true;
    if (m_closeWhenDone) {
        QWizard::reject();
        return;
    }
    m_progress->setRange(0, 1000);
    QStringList lines;
    if (m_report.ok) {
        m_progress->setValue(1000);
        m_status->setText(
            QStringLiteral(
                "Fertig: %1 Gemeinden eingelesen, letzter Bevölkerungsstand %2. Die neuen Stammdaten liegen "
                "in\n%3\n"
                "Sie sind jetzt die Stammdaten von TAVO: tavo-cli verwendet sie ab sofort, die Fenster "
                "nach dem Neustart des Programms. Die mitgelieferten Beispieldaten bleiben "
                "unverändert.")
                .arg(m_report.municipalities)
                .arg(m_report.baseYear)
                .arg(QDir::toNativeSeparators(m_outPath)));
        lines = m_report.notes;
        Q_EMIT imported(m_outPath);
    } else {
        m_progress->setValue(0);
        m_status->setText(QStringLiteral("Nicht eingelesen: nichts wurde geschrieben. Bitte die Dateien "
                                         "berichtigen (Zurück) und erneut versuchen."));
        lines = m_report.errors;
    }
    m_messages->setPlainText(lines.join(QLatin1Char('\n')));
    static_cast<CheckedPage*>(m_runPage)->recheck();
    button(QWizard::BackButton)->setEnabled(!m_report.ok);
}

void MasterImportWizard::reject() {
    if (m_watcher.isRunning()) {
        // Stop the worker at its next check; the window closes when it has ended.
        m_cancel = true;
        m_closeWhenDone = true;
        m_status->setText(QStringLiteral("Wird abgebrochen…"));
        button(QWizard::CancelButton)->setEnabled(false);
        return;
    }
    QWizard::reject();
}

} // namespace tavo
