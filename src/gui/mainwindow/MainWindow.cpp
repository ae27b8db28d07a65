#include "gui/mainwindow/MainWindow.h"

#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSplashScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <utility>

#include "core/data/MasterData.h"
#include "core/data/TavoError.h"
#include "gui/mainwindow/CalculationAction.h"
#include "gui/mainwindow/ReportAction.h"
#include "gui/plan/PlanAction.h"
#include "gui/mainwindow/MainWindowMenu.h"
#include "gui/common/Settings.h"
#include "gui/input/ValueListCombo.h"
#include "gui/input/DerivedInputs.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/InputPageBuilder.h"
#include "core/projects/InputTables.h"
#include "gui/input/ProjectEdit.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/RecordConflict.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/results/ScenarioPanel.h"
#include "gui/common/AboutDialog.h"
#include "gui/common/Artwork.h"
#include "gui/common/CalculationNotifier.h"
#include "gui/common/Help.h"
#include "gui/common/ProvenanceLabel.h"
#include "gui/common/Questions.h"
#include "core/projects/ProjectRecords.h"

namespace tavo {

namespace {

const char* const kCaption = "TAVO - Tavorechner: Datensatz bearbeiten";
const char* const kSettingsKey = "Bearbeiten";

// The header of the window: caption, column, numeric, read-only, and the place in three lines: the
// line, the grid column of the caption (the input follows it) and the columns the input spans.
struct HeaderField {
    const char* caption;
    const char* column;
    bool numeric;
    bool readOnly;
    int line;
    int gridColumn;
    int span;
};

const HeaderField kHeader[] = {
    {"ID:", "ID", true, true, 0, 3, 1},
    {"Projekt:", "Projekt", false, false, 0, 0, 2},
    {"Gemeinde-Nr./Name:", "PG", true, false, 1, 0, 1},
    {nullptr, "PG_Name", false, true, 1, 1, 3},
    {"Beschreibung:", "Beschreibung", false, false, 2, 0, 2},
    {"Bezugsj.:", "Bezugsjahr", true, true, 2, 3, 1},
};

// The settlement presets beside the settlement grid.
struct PresetButton {
    const char* objectName;
    const char* caption;
};

const PresetButton kPresetButtons[] = {
    {"btSetAufsied_leer", "alle Werte auf 0"},
    {"btSetAufsied_mit_Mobil", "Vorgabewerte mit Mobilisierung"},
    {"btSetAufsied_ohne_Mobil", "Vorgabewerte ohne Mobilisierung"},
};

} // namespace

MainWindow::MainWindow(Databases& dbs, QWidget* parent) : QWidget(parent, Qt::Window), m_dbs(dbs) {
    // The start picture stays on top, centred on the screen, while the window is being set up.
    QSplashScreen splash(Artwork::splashPicture(), Qt::WindowStaysOnTopHint);
    splash.setObjectName(QStringLiteral("frmStartUp"));
    splash.show();
    splash.raise();
    splash.repaint();
    m_prepared = false;
    setObjectName(QStringLiteral("frmHaupt"));
    setWindowTitle(QString::fromUtf8(kCaption));
    // The pages are laid out for a compact 8 point font, as the window holds many inputs.
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    m_record = new ProjectRecord(dbs.user(), this);
    try {
        buildWindow();
        MasterData::ValueLists valueLists(dbs.master());
        for (ValueListCombo* combo : m_comboOrder)
            combo->loadValueList(QStringLiteral("TAVO"), valueLists);
        m_buildingMixGrid->loadPickLists(valueLists);
        m_specialExpenditureGrid->loadPickLists(dbs.master());
    } catch (const TavoError& e) {
        showError(e.message());
    }
    // The handlers of the derived inputs and presets, and the calculation run behind "Berechnen".
    new DerivedInputs(*this);
    new CalculationAction(*this);
    new ReportAction(*this);
    new PlanAction(*this);
    m_menu = new MainWindowMenu(*this);
    m_prepared = true;
    placeOnScreen();
    splash.close();
}

MainWindow::~MainWindow() = default;

QSize MainWindow::preferredSize(const QRect& available) const {
    // 763 pixels wide, wider where the font in use needs more room for a page or the tab row.
    int width = 763;
    for (int i = 0; i < m_pages->count(); ++i)
        if (auto* scroll = qobject_cast<QScrollArea*>(m_pages->widget(i)))
            width = qMax(width, scroll->widget()->sizeHint().width() + 40);
    width = qMax(width, m_pages->tabBar()->sizeHint().width() + 24);
    // The result pages use what the screen offers for their grids side by side.
    width = qMax(width, qMin(available.width() - 40, 1240));
    // The window frame of the desktop takes some 30 pixels above and around the window.
    const int height = qBound(703, available.height() - 40, 780);
    return {qMin(width, available.width() - 20), qMin(height, available.height() - 40)};
}

void MainWindow::placeOnScreen() {
    // Where the user left it last time; else sized for the screen and centred.
    if (Settings::restoreWindow(this, QString::fromUtf8(kSettingsKey)))
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    resize(preferredSize(available));
    move(available.center() - rect().center());
}

void MainWindow::buildWindow() {
    const QSqlDatabase user = m_dbs.user();
    m_buildingMixGrid = new BuildingMixGrid(user);
    m_settlementGrid = new SettlementGrid(user);
    m_specialExpenditureGrid = new SpecialExpenditureGrid(user);
    m_buildingMixGrid->setMinimumHeight(110);
    m_settlementGrid->setMinimumHeight(230);
    m_specialExpenditureGrid->setMinimumHeight(110);
    const std::pair<DetailGrid*, const char*> gridNames[] = {
        {m_buildingMixGrid, "Bebauung: Gebäudetyp, Bauklasse und Anteil in Prozent je Zeile"},
        {m_settlementGrid, "Besiedelung: je Jahr der Anteil jedes Gebäudetyps in Prozent, der bezogen ist"},
        {m_specialExpenditureGrid,
         "Sonderausgaben: Jahr, Typ, Bezeichnung, Kostenträger und Betrag in Euro"}};
    for (const auto& [grid, description] : gridNames) {
        const QString text = QString::fromUtf8(description);
        grid->view()->setAccessibleName(text.section(QLatin1Char(':'), 0, 0));
        grid->view()->setAccessibleDescription(text);
    }

    auto* presets = new QWidget;
    auto* presetColumn = new QVBoxLayout(presets);
    presetColumn->setContentsMargins(0, 0, 0, 0);
    for (const PresetButton& p : kPresetButtons) {
        auto* button = new QPushButton(QString::fromUtf8(p.caption), presets);
        button->setObjectName(QString::fromUtf8(p.objectName));
        presetColumn->addWidget(button);
    }

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pcHaupt"));
    InputPageBuilder builder(*m_record,
                             {m_buildingMixGrid, m_settlementGrid, m_specialExpenditureGrid, presets});
    for (const InputTables::Page& page : InputTables::inputPages())
        m_pages->addTab(builder.build(page), QString::fromUtf8(page.title));
    m_financePage = new QWidget;
    m_financePage->setObjectName(QStringLiteral("tsAuswertungFinanz"));
    (new QVBoxLayout(m_financePage))->setContentsMargins(3, 3, 3, 3);
    m_populationPage = new QWidget;
    m_populationPage->setObjectName(QStringLiteral("tsAuswertungBevoelk"));
    (new QVBoxLayout(m_populationPage))->setContentsMargins(3, 3, 3, 3);
    m_keyFiguresPage = new QWidget;
    m_keyFiguresPage->setObjectName(QStringLiteral("tsKennzahlen"));
    (new QVBoxLayout(m_keyFiguresPage))->setContentsMargins(3, 3, 3, 3);
    // The result pages scroll like the input pages, so that the window fits a 1280 x 800 screen.
    for (const auto& [page, caption] : {std::pair{m_financePage, QStringLiteral("Auswertung Finanz")},
                                        std::pair{m_populationPage, QStringLiteral("Auswertung Bevölk.")},
                                        std::pair{m_keyFiguresPage, QStringLiteral("Kennzahlen")}}) {
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(page);
        m_pages->addTab(scroll, caption);
    }
    m_resultPages = new ResultPagesHost(m_dbs, *m_record, this, m_financePage, m_populationPage,
                                        m_keyFiguresPage);
    m_pages->addTab(m_scenarioPanel = new ScenarioPanel(m_dbs), QStringLiteral("Szenarien"));
    m_pages->setCurrentIndex(0);
    connect(m_resultPages, &ResultPagesHost::calculateRequested, this,
            [this] { button(QStringLiteral("btBerechnen"))->click(); });
    // A result page that comes into view shows whether its results still belong to the saved inputs.
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= static_cast<int>(InputTables::inputPages().size()) && m_record->isActive())
            m_resultPages->checkStateQuietly();
    });
    connect(&CalculationNotifier::instance(), &CalculationNotifier::projectCalculated, this,
            &MainWindow::onProjectCalculated);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildHeader());
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildButtonRow());
    // On a small screen or at a large scale factor the window may be smaller than its contents need;
    // they scroll then, so that the buttons stay reachable instead of lying beyond the screen's edge.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("saFenster"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    for (ProjectEdit* edit : builder.inputs())
        registerInput(edit);
    m_comboOrder = builder.combos();
    for (ValueListCombo* combo : m_comboOrder) {
        m_combos.insert(combo->pairedInput()->column(), combo);
        // The list stands left of its input, so the Tab key reaches it first (reading order).
        QWidget::setTabOrder(combo, combo->pairedInput());
    }
    connect(m_record, &ProjectRecord::valueChanged, this, &MainWindow::onProjectValueChanged);
    connect(m_record, &ProjectRecord::stateChanged, this, &MainWindow::updateTitle);
    // Every write of the project's own rows raises its version, checked against the window's.
    const auto claimVersion = [this] { m_record->keepVersion(m_record->claimVersion()); };
    for (DetailGrid* grid :
         std::initializer_list<DetailGrid*>{m_buildingMixGrid, m_settlementGrid, m_specialExpenditureGrid}) {
        connect(grid->model(), &DetailModel::contentsChanged, this, &MainWindow::markDetailsChanged);
        grid->model()->setBeforeWrite(claimVersion);
    }
    m_scenarioPanel->setBeforeWrite(claimVersion);
}

// "TAVO – <project> (<municipality>)" with the desktop's mark of unsaved changes.
void MainWindow::updateTitle() {
    if (!m_record->isActive()) {
        setWindowTitle(QString::fromUtf8(kCaption));
        return;
    }
    const QString project = m_record->displayName();
    const QString municipality = m_record->value(QStringLiteral("PG_Name")).toString().trimmed();
    QString title = QStringLiteral("TAVO – ") + project;
    if (!municipality.isEmpty())
        title += QStringLiteral(" (%1)").arg(municipality);
    setWindowTitle(title + QStringLiteral(" [*]"));
    setWindowModified(m_record->isEditing() || m_detailsChanged);
    m_resultPages->setUnsavedInputs(m_record->isModified() || m_detailsChanged);
}

void MainWindow::markDetailsChanged() {
    // Reading the grids (load, reload after a run) is no change of the user's.
    if (!m_detailLoading) {
        m_detailsChanged = true;
        updateTitle();
    }
}

void MainWindow::registerInput(ProjectEdit* edit) {
    // An editable input comes first, so inputFor() finds the one the user types into.
    QList<ProjectEdit*>& list = m_inputs[edit->column()];
    if (edit->isReadOnly())
        list.append(edit);
    else
        list.prepend(edit);
    connect(edit, &ProjectEdit::exited, this, &MainWindow::inputEditFinished);
}

QWidget* MainWindow::buildHeader() {
    auto* header = new QWidget;
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    for (const HeaderField& f : kHeader) {
        auto* edit = new ProjectEdit(*m_record, QString::fromUtf8(f.column), f.numeric, f.numeric ? 0 : -1);
        edit->setReadOnly(f.readOnly);
        if (f.readOnly) {
            // Shown, not typed into: the window's background and no stop for the Tab key; a click
            // still selects the text for copying.
            edit->setFocusPolicy(Qt::ClickFocus);
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        if (f.caption) {
            auto* label = new QLabel(QString::fromUtf8(f.caption));
            label->setBuddy(edit);
            grid->addWidget(label, f.line, f.gridColumn);
            edit->setAccessibleName(label->text().chopped(1));
        }
        grid->addWidget(edit, f.line, f.gridColumn + 1, 1, f.span);
        if (f.numeric)
            edit->setFixedWidth(72);
        registerInput(edit);
    }
    inputFor(QStringLiteral("PG_Name"))->setObjectName(QStringLiteral("edPG_Name"));
    inputFor(QStringLiteral("PG_Name"))->setAccessibleName(QStringLiteral("Name der Gemeinde"));
    connect(inputFor(QStringLiteral("PG")), &ProjectEdit::exited, this,
            &MainWindow::onMunicipalityNumberEntered);
    grid->setColumnStretch(2, 1);
    return header;
}

QWidget* MainWindow::buildButtonRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto addButton = [row, layout](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromUtf8(caption), row);
        button->setObjectName(QString::fromUtf8(name));
        layout->addWidget(button);
        return button;
    };
    connect(addButton("btAbout", "Info..."), &QPushButton::clicked, this, &MainWindow::onAboutClicked);
    connect(addButton("btHelp", "Hilfe..."), &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    addButton("btBerechnen", "Berechnen"); // connected by CalculationAction
    addButton("btBericht", "Bericht...");  // its menu comes from ReportAction
    layout->addStretch(1);
    connect(addButton("btAbbrechen", "Abbruch"), &QPushButton::clicked, this, &MainWindow::onCancelClicked);
    connect(addButton("btExit", "Speichern und Schließen"), &QPushButton::clicked, this,
            &MainWindow::onExitClicked);
    return row;
}

void MainWindow::setProjectId(int id) {
    m_projectId = id;
}

bool MainWindow::editProjectRow() {
    return m_record->edit();
}

void MainWindow::setDefaults() {
    for (ValueListCombo* combo : m_comboOrder)
        combo->writeDefault();
}

void MainWindow::postDetailGrids() {
    m_buildingMixGrid->post();
    m_settlementGrid->post();
    m_specialExpenditureGrid->post();
}

void MainWindow::reloadDetailGrids() {
    m_detailLoading = true;
    m_buildingMixGrid->open(m_projectId);
    m_settlementGrid->open(m_projectId);
    m_specialExpenditureGrid->open(m_projectId);
    m_detailLoading = false;
}

bool MainWindow::postProjectRow() {
    // A value still being typed belongs to the row that is saved.
    if (auto* edit = qobject_cast<ProjectEdit*>(focusWidget()); edit && !edit->commit())
        throw TavoError(QStringLiteral("Die Eingabe in %1 ist ungültig.").arg(edit->column()));
    try {
        writeEdits(ProjectRecord::WriteMode::Checked);
        return true;
    } catch (const RecordConflict& conflict) {
        if (conflict.isDeleted())
            throw;
        return resolveConflict(conflict.message());
    }
}

void MainWindow::writeEdits(ProjectRecord::WriteMode mode) {
    m_record->post(mode);
    postDetailGrids();
    m_detailsChanged = false;
    updateTitle();
    Q_EMIT projectSaved(m_projectId);
    // What was saved may differ from the inputs of the results, or match them again.
    m_resultPages->checkStateQuietly();
}

bool MainWindow::resolveConflict(const QString& message) {
    raise();
    activateWindow();
    switch (Questions::recordChanged(this, message)) {
    case Questions::ConflictChoice::Overwrite:
        writeEdits(ProjectRecord::WriteMode::Overwrite);
        // The window shows what is stored now: its own values and what others saved beside them.
        reloadDetailGrids();
        for (ValueListCombo* combo : m_comboOrder)
            combo->showCurrentValue();
        m_resultPages->updateFootersQuietly();
        return true;
    case Questions::ConflictChoice::Reload:
        loadProject();
        m_resultPages->updateFootersQuietly();
        m_scenarioPanel->showProject(m_projectId);
        return false;
    case Questions::ConflictChoice::Cancel:
        break;
    }
    return false;
}

bool MainWindow::saveProject() {
    try {
        return postProjectRow();
    } catch (const TavoError& e) {
        showError(e.message());
        return false;
    }
}

void MainWindow::discardPendingEdits() {
    if (m_record->isEditing())
        m_record->cancel();
}

ProjectEdit* MainWindow::inputFor(const QString& column) const {
    const QList<ProjectEdit*> list = m_inputs.value(column);
    return list.isEmpty() ? nullptr : list.first();
}

ValueListCombo* MainWindow::comboFor(const QString& column) const {
    return m_combos.value(column);
}

QPushButton* MainWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

void MainWindow::onMunicipalityNumberEntered() {
    if (!m_record->isEditing())
        return;
    try {
        const QVariant name = lookupMunicipalityName(m_dbs.master(), inputFor(QStringLiteral("PG"))->text());
        m_record->setValue(QStringLiteral("PG_Name"), name);
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void MainWindow::loadProject() {
    m_record->load(m_projectId);
    reloadDetailGrids();
    for (ValueListCombo* combo : m_comboOrder)
        combo->showCurrentValue();
    m_detailsChanged = false;
    updateTitle();
    Q_EMIT projectLoaded(m_projectId);
}

void MainWindow::onProjectValueChanged() {
    updateTitle();
    if (m_record->isEditing())
        for (ValueListCombo* combo : m_comboOrder)
            combo->showCurrentValue();
    m_resultPages->updateFootersQuietly();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_pages->setCurrentIndex(0);
    try {
        loadProject();
        m_resultPages->openProjectData(m_projectId);
        m_scenarioPanel->showProject(m_projectId);
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

bool MainWindow::hasUnsavedChanges() const {
    if (!m_record->isActive())
        return false;
    if (m_record->isModified())
        return true;
    if (auto* edit = qobject_cast<ProjectEdit*>(focusWidget());
        edit && edit->isModified() && !edit->isReadOnly())
        return true;
    return m_buildingMixGrid->isModified() || m_settlementGrid->isModified() ||
           m_specialExpenditureGrid->isModified();
}

bool MainWindow::settleUnsavedChanges() {
    if (!hasUnsavedChanges())
        return true;
    raise();
    activateWindow();
    switch (Questions::saveChanges(this, m_record->displayName())) {
    case QMessageBox::Yes:
        try {
            // Reloaded or kept editing after someone else's save: the window stays open.
            return postProjectRow();
        } catch (const TavoError& e) {
            // The window stays open with everything typed, so that nothing is lost.
            showError(e.message());
            return false;
        }
    case QMessageBox::No:
        discardAllEdits();
        return true;
    default:
        return false;
    }
}

void MainWindow::discardAllEdits() {
    if (auto* edit = qobject_cast<ProjectEdit*>(focusWidget()))
        edit->refresh();
    m_buildingMixGrid->cancel();
    m_settlementGrid->cancel();
    m_specialExpenditureGrid->cancel();
    discardPendingEdits();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool settled = std::exchange(m_settled, false);
    if (!settled && !settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    // Nothing unsaved is left; a row still in edit state without changes leaves it.
    discardPendingEdits();
    m_resultPages->closeProjectData();
    Settings::saveWindow(this, QString::fromUtf8(kSettingsKey));
    event->accept();
    Q_EMIT projectClosed(m_projectId);
}

void MainWindow::onExitClicked() {
    try {
        if (!postProjectRow())
            return;
    } catch (const TavoError& e) {
        // The window stays open so that nothing typed is lost.
        showError(e.message());
        return;
    }
    m_settled = true;
    close();
}

void MainWindow::onCancelClicked() {
    if (!settleUnsavedChanges())
        return;
    m_settled = true;
    close();
}

void MainWindow::refreshResultViews() {
    m_resultPages->refresh();
    m_scenarioPanel->showProject(m_projectId);
}

void MainWindow::onProjectCalculated(int projectId, const QObject* origin) {
    // The window's own run has refreshed it already; a hidden window reads everything when shown.
    if (origin == this || projectId != m_projectId || !isVisible() || !m_record->isActive())
        return;
    try {
        refreshResultViews();
        // The stamped reference year and the rows as the run left them, unless the user is editing.
        if (!hasUnsavedChanges() && !m_record->isEditing()) {
            m_record->load(m_projectId);
            reloadDetailGrids();
        }
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void MainWindow::onAboutClicked() {
    const MasterProvenance provenance = windowProvenance(m_dbs.master());
    AboutDialog about(this, m_dbs.masterPath(), m_dbs.userPath(), &provenance);
    about.exec();
}

void MainWindow::onHelpClicked() {
    Help::openManual(this);
}

void MainWindow::showError(const QString& message) {
    QMessageBox::critical(this, QStringLiteral("TAVO - Tavorechner"), message);
}

} // namespace tavo
