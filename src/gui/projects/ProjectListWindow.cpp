#include "gui/projects/ProjectListWindow.h"

#include <algorithm>
#include <iterator>

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data/DataLocations.h"
#include "core/data/TavoError.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"
#include "gui/common/AboutDialog.h"
#include "gui/common/ProvenanceLabel.h"
#include "gui/common/Artwork.h"
#include "gui/common/HelpMenu.h"
#include "gui/common/ListModel.h"
#include "gui/common/Settings.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/projects/MasterImportWizard.h"
#include "gui/projects/MunicipalityDialog.h"
#include "gui/projects/MunicipalityOverviewWindow.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "report/Disclaimer.h"

namespace tavo {

namespace {

const char* const kCaption = "TAVO - Tavorechner: Datensatz wählen";
const char* const kMessageTitle = "TAVO - Tavorechner";
const char* const kSettingsKey = "Auswahl";

// The columns of the project list with their widths in pixels and their titles.
struct ListColumn {
    const char* name;
    int width;
    const char* title;
};

const ListColumn kListColumns[] = {
    {"ID", 55, "ID"},
    {"PG", 55, "PG-Nr."},
    {"PG_Name", 163, "Gemeinde"},
    {"Beschreibung", 260, "Beschreibung"},
    {"Projekt", 75, "Projekt"},
    {"Bezugsjahr", 55, "Bezugsjahr"},
};

// The designed width of a list column, widened where the title would otherwise be clipped.
int listColumnWidth(const QHeaderView* header, int column) {
    return qMax(kListColumns[column].width, header->sectionSizeHint(column));
}

struct NavigatorButton {
    ProjectListWindow::Navigator which;
    const char* objectName;
    const char* hint;
};

const NavigatorButton kNavigator[] = {
    {ProjectListWindow::Navigator::First, "nbFirst", "Erster Datensatz"},
    {ProjectListWindow::Navigator::Prior, "nbPrior", "Vorheriger Datensatz"},
    {ProjectListWindow::Navigator::Next, "nbNext", "Nächster Datensatz"},
    {ProjectListWindow::Navigator::Last, "nbLast", "Letzter Datensatz"},
    {ProjectListWindow::Navigator::Delete, "nbDelete", "Datensatz löschen"},
};

// The navigator glyphs (resources/icons): triangles with a bar for first and last, single triangles
// for prior and next, a minus sign for delete; shown in the palette's text colour.
QIcon navigatorIcon(ProjectListWindow::Navigator which, const QColor& color) {
    using N = ProjectListWindow::Navigator;
    switch (which) {
    case N::First:
        return Artwork::icon(QStringLiteral("nav-first"), color);
    case N::Prior:
        return Artwork::icon(QStringLiteral("nav-prior"), color);
    case N::Next:
        return Artwork::icon(QStringLiteral("nav-next"), color);
    case N::Last:
        return Artwork::icon(QStringLiteral("nav-last"), color);
    case N::Delete:
        break;
    }
    return Artwork::icon(QStringLiteral("nav-delete"), color);
}

} // namespace

ProjectListWindow::ProjectListWindow() : QWidget(nullptr) {
    setUpWindow();
}

ProjectListWindow::ProjectListWindow(std::unique_ptr<Databases> databases, QWidget* parent)
    : QWidget(parent), m_databases(std::move(databases)) {
    setUpWindow();
}

ProjectListWindow::~ProjectListWindow() {
    releaseMainWindows();
    // The list's query must be released before the connections close with m_databases.
    if (m_projects)
        m_projects->clear();
}

// Opens the databases (unless given), builds the window and reads the project list.
void ProjectListWindow::setUpWindow() {
    if (!m_databases)
        m_databases = std::make_unique<Databases>(
            DataLocations::ofRunningProgram().open(QString(), QString(), Databases::Access::WriteIfAllowed));
    setObjectName(QStringLiteral("frmAuswahl"));
    setWindowTitle(QString::fromUtf8(kCaption));

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(buildNavigator(), 0, Qt::AlignTop);
    bottom->addWidget(buildButtonRow(), 1);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(buildTopPanel());
    layout->addWidget(buildGrid(), 1);
    layout->addLayout(bottom);
    // On a small screen or at a large scale factor the window may be smaller than its contents need;
    // they scroll then, so that the buttons stay reachable instead of lying beyond the screen's edge.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("saAuswahl"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setMenuBar(buildMenuBar());
    outer->addWidget(scroll);
    m_wideWidth = content->minimumSizeHint().width();

    loadList(0, 0);
}

QWidget* ProjectListWindow::buildTopPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnTop"));
    auto* memo = new QPlainTextEdit(panel);
    memo->setObjectName(QStringLiteral("meHinweis"));
    QFont bold = memo->font();
    bold.setFamilies({QStringLiteral("Tahoma"), bold.family()});
    bold.setBold(true);
    memo->setFont(bold);
    const QStringList lines = disclaimerLines();
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setFocusPolicy(Qt::NoFocus);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memo->setPalette(palette);

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("imTAVO"));
    picture->setPixmap(Artwork::selectionPicture());
    picture->setFixedSize(169, 81);

    const QFontMetrics metrics(bold);
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = qMax(textWidth, metrics.horizontalAdvance(line));
    memo->setMinimumWidth(textWidth + 2 * int(memo->document()->documentMargin()) + 4);
    const int textHeight = metrics.lineSpacing() * 5 + 2 * int(memo->document()->documentMargin()) + 4;

    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo, 1);
    layout->addWidget(picture, 0, Qt::AlignTop);
    m_picture = picture;
    panel->setFixedHeight(qMax(97, textHeight));
    return panel;
}

QWidget* ProjectListWindow::buildGrid() {
    m_projectList = new QTableView(this);
    m_projectList->setObjectName(QStringLiteral("GridAuswahl"));
    auto* projects = new ListModel(this);
    for (const ListColumn& column : kListColumns)
        projects->setTitle(QString::fromUtf8(column.name), QString::fromUtf8(column.title));
    m_projects = projects;
    m_projectList->setModel(m_projects);
    m_projectList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_projectList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_projectList->setSelectionMode(QAbstractItemView::ExtendedSelection); // several for a comparison
    m_projectList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_projectList->horizontalHeader()->setHighlightSections(false);
    m_projectList->verticalHeader()->setDefaultSectionSize(m_projectList->fontMetrics().height() + 6);
    m_projectList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The current row stays highlighted while another control has the focus.
    QPalette palette = m_projectList->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_projectList->setPalette(palette);
    m_projectList->setAccessibleName(QStringLiteral("Projekte"));
    m_projectList->setAccessibleDescription(
        QStringLiteral("Die gespeicherten Projekte; Eingabetaste oder Doppelklick öffnet das markierte"));
    // A double click and the Enter key both activate a row.
    connect(m_projectList, &QTableView::activated, this, &ProjectListWindow::onListDoubleClicked);
    return m_projectList;
}

// Datei: Neu, Öffnen, Duplizieren, Beenden; Bearbeiten: Löschen; Hilfe: Handbuch, Info. The
// entries click the window's buttons, so both do the same and are enabled alike.
QMenuBar* ProjectListWindow::buildMenuBar() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("mbAuswahl"));
    const auto add = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                            QAbstractButton* button) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, button, [button] {
            if (button->isEnabled())
                button->click();
        });
        return action;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&Datei"));
    file->setObjectName(QStringLiteral("menuDatei"));
    add(file, "actNeu", QStringLiteral("&Neu..."), QKeySequence::New, m_newButton);
    add(file, "actOeffnen", QStringLiteral("Ö&ffnen"), QKeySequence::Open, m_okButton);
    add(file, "actDuplizieren", QStringLiteral("D&uplizieren"), QKeySequence(Qt::CTRL | Qt::Key_D),
        m_duplicateButton);
    file->addSeparator();
    QAction* import = file->addAction(QStringLiteral("&Gemeindedaten importieren…"));
    import->setObjectName(QStringLiteral("actImportGemeindedaten"));
    connect(import, &QAction::triggered, this, [this] { MasterImportWizard::importInteractively(this); });
    file->addSeparator();
    add(file, "actBeenden", QStringLiteral("&Beenden"), QKeySequence::Quit, m_closeButton);
    QMenu* edit = bar->addMenu(QStringLiteral("&Bearbeiten"));
    edit->setObjectName(QStringLiteral("menuBearbeiten"));
    add(edit, "actLoeschen", QStringLiteral("&Löschen..."), QKeySequence(),
        navigatorButton(Navigator::Delete));
    QMenu* evaluation = bar->addMenu(QStringLiteral("Aus&wertung"));
    evaluation->setObjectName(QStringLiteral("menuAuswertung"));
    QAction* overview = evaluation->addAction(QStringLiteral("&Gemeindeübersicht…"));
    overview->setObjectName(QStringLiteral("actGemeindeuebersicht"));
    connect(overview, &QAction::triggered, this, [this] { openMunicipalityOverview(); });
    HelpMenu::add(bar, this, [this] {
        const MasterProvenance provenance = windowProvenance(m_databases->master());
        AboutDialog about(this, m_databases->masterPath(), m_databases->userPath(), &provenance);
        about.exec();
    });
    return bar;
}

QWidget* ProjectListWindow::buildNavigator() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("NvigatorTAVO"));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QColor color = palette().color(QPalette::ButtonText);
    for (const NavigatorButton& entry : kNavigator) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QString::fromUtf8(entry.objectName));
        button->setToolTip(QString::fromUtf8(entry.hint));
        button->setIcon(navigatorIcon(entry.which, color));
        button->setAutoRaise(false);
        const Navigator which = entry.which;
        connect(button, &QToolButton::clicked, this, [this, which] { navigate(which); });
        layout->addWidget(button);
        m_navigator << button;
    }
    return bar;
}

QWidget* ProjectListWindow::buildButtonRow() {
    auto* row = new QWidget(this);
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_duplicateButton = new QPushButton(QStringLiteral("Datensatz duplizieren"), row);
    m_duplicateButton->setObjectName(QStringLiteral("btDuplizieren"));
    m_duplicateButton->setToolTip(QStringLiteral("Datensatz duplizieren"));
    m_duplicateButton->setDefault(true);
    m_newButton = new QPushButton(QStringLiteral("neuer Datensatz..."), row);
    m_newButton->setObjectName(QStringLiteral("btNeu"));
    m_okButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                             QStringLiteral("Datensatz bearbeiten"), row);
    m_okButton->setObjectName(QStringLiteral("btOK"));
    m_compareButton = new QPushButton(QStringLiteral("Varianten vergleichen"), row);
    m_compareButton->setObjectName(QStringLiteral("btVergleichen"));
    m_compareButton->setToolTip(QStringLiteral("2 bis 6 markierte Projekte nebeneinander"));
    // Alt+B opens the menu Bearbeiten, so the button is reached with Alt+E.
    m_closeButton = new QPushButton(QStringLiteral("B&eenden"), row);
    m_closeButton->setObjectName(QStringLiteral("btSchliessen"));
    layout->addWidget(m_duplicateButton, 0, 0);
    layout->addWidget(m_newButton, 0, 1);
    layout->addWidget(m_compareButton, 0, 2);
    layout->setColumnStretch(3, 1);
    // "Datensatz bearbeiten" and "Beenden" keep to the right, in a second row when the window is narrow.
    m_rightButtons = new QWidget(row);
    auto* right = new QHBoxLayout(m_rightButtons);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_okButton);
    right->addWidget(m_closeButton);
    layout->addWidget(m_rightButtons, 0, 4);
    m_buttonGrid = layout;

    connect(m_duplicateButton, &QPushButton::clicked, this, &ProjectListWindow::onDuplicateClicked);
    connect(m_newButton, &QPushButton::clicked, this, &ProjectListWindow::onNewClicked);
    connect(m_okButton, &QPushButton::clicked, this, &ProjectListWindow::onOkClicked);
    connect(m_closeButton, &QPushButton::clicked, this, &ProjectListWindow::onCloseClicked);
    connect(m_compareButton, &QPushButton::clicked, this, &ProjectListWindow::onCompareClicked);
    return row;
}

QToolButton* ProjectListWindow::navigatorButton(Navigator which) const {
    return m_navigator.value(int(which));
}

// Reads the project list; makes the row of selectId current, or else the row at fallbackRow
// (clamped to the list). Column widths the user set are kept.
void ProjectListWindow::loadList(int selectId, int fallbackRow) {
    QHeaderView* header = m_projectList->horizontalHeader();
    QList<int> widths;
    const bool firstLoad = header->count() == 0;
    for (int i = 0; i < header->count(); ++i)
        widths << header->sectionSize(i);

    QStringList columns;
    for (const ListColumn& column : kListColumns)
        columns << QString::fromUtf8(column.name);
    m_projects->setQuery(tavo::projectList(m_databases->user(), columns));
    while (m_projects->canFetchMore())
        m_projects->fetchMore();

    for (int i = 0; i < int(std::size(kListColumns)); ++i)
        header->resizeSection(i, firstLoad ? listColumnWidth(header, i)
                                           : widths.value(i, listColumnWidth(header, i)));

    if (!(selectId > 0 && selectProject(selectId)) && m_projects->rowCount() > 0)
        m_projectList->selectRow(qBound(0, fallbackRow, m_projects->rowCount() - 1));
    if (m_projectList->selectionModel())
        connect(m_projectList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &ProjectListWindow::updateButtons, Qt::UniqueConnection);
    updateButtons();
}

void ProjectListWindow::refreshList() {
    try {
        loadList(currentProjectId(), m_projectList->currentIndex().row());
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

int ProjectListWindow::currentProjectId() const {
    const QModelIndex current = m_projectList->currentIndex();
    if (!current.isValid())
        return 0;
    return m_projects->data(m_projects->index(current.row(), 0)).toInt();
}

QList<int> ProjectListWindow::selectedProjectIds() const {
    QList<int> ids;
    if (!m_projectList->selectionModel())
        return ids;
    QModelIndexList rows = m_projectList->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& index : rows)
        ids << m_projects->data(m_projects->index(index.row(), 0)).toInt();
    return ids;
}

void ProjectListWindow::onCompareClicked() {
    const QList<int> ids = selectedProjectIds();
    if (ids.size() < 2 || ids.size() > 6) {
        QMessageBox::information(this, QString::fromUtf8(kMessageTitle),
                                 QStringLiteral("Bitte 2 bis 6 Projekte markieren (Strg- oder Umschalt-Klick)."));
        return;
    }
    // Unsaved edits of open projects count in the comparison.
    for (MainWindow* window : m_mainWindows)
        if (window->isVisible() && ids.contains(window->projectId())) {
            try {
                if (!window->postProjectRow())
                    return;
            } catch (const TavoError& e) {
                showError(e.message());
                return;
            }
        }
    VariantComparisonWindow comparison(*m_databases, ids, this);
    comparison.exec();
}

void ProjectListWindow::openMunicipalityOverview() {
    // The municipality of the current project; the first one of the list when none is current.
    const int row = qMax(0, m_projectList->currentIndex().row());
    const int pg =
        m_projects && m_projects->rowCount() > 0 ? m_projects->data(m_projects->index(row, 1)).toInt() : 1;
    MunicipalityOverviewWindow window(*m_databases, qMax(1, pg), this);
    window.exec();
}

bool ProjectListWindow::selectProject(int id) {
    for (int row = 0; row < m_projects->rowCount(); ++row) {
        if (m_projects->data(m_projects->index(row, 0)).toInt() == id) {
            m_projectList->selectRow(row);
            m_projectList->scrollTo(m_projects->index(row, 0));
            return true;
        }
    }
    return false;
}

// Open and duplicate need a current project; the navigator follows the position in the list.
void ProjectListWindow::updateButtons() {
    const int rows = m_projects->rowCount();
    const int row = m_projectList->currentIndex().row();
    const bool hasRow = rows > 0 && row >= 0;
    m_okButton->setEnabled(hasRow);
    m_duplicateButton->setEnabled(hasRow);
    navigatorButton(Navigator::First)->setEnabled(hasRow && row > 0);
    navigatorButton(Navigator::Prior)->setEnabled(hasRow && row > 0);
    navigatorButton(Navigator::Next)->setEnabled(hasRow && row < rows - 1);
    navigatorButton(Navigator::Last)->setEnabled(hasRow && row < rows - 1);
    navigatorButton(Navigator::Delete)->setEnabled(hasRow);
}

void ProjectListWindow::navigate(Navigator which) {
    const int rows = m_projects->rowCount();
    if (rows == 0)
        return;
    const int row = m_projectList->currentIndex().row();
    switch (which) {
    case Navigator::First:
        m_projectList->selectRow(0);
        break;
    case Navigator::Prior:
        m_projectList->selectRow(qMax(0, row - 1));
        break;
    case Navigator::Next:
        m_projectList->selectRow(qMin(rows - 1, row + 1));
        break;
    case Navigator::Last:
        m_projectList->selectRow(rows - 1);
        break;
    case Navigator::Delete:
        deleteCurrentProject();
        break;
    }
    updateButtons();
}

void ProjectListWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_firstShowDone) {
        m_firstShowDone = true;
        onFirstShow();
    }
}

// First show: the window as wide as the grid with its columns, the grid growing with the window.
void ProjectListWindow::onFirstShow() {
    m_projectList->setFocus();
    if (Settings::restoreWindow(this, QString::fromUtf8(kSettingsKey)))
        return;
    const QScreen* screen = this->screen();
    resize(preferredSize(screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800)));
}

QSize ProjectListWindow::preferredSize(const QRect& available) const {
    // As wide as the grid with its columns and at least 455 pixels high, within the screen (the
    // desktop's window frame takes some 30 pixels above and around the window).
    const QWidget* content = findChild<QScrollArea*>(QStringLiteral("saAuswahl"))->widget();
    const int gridWidth = m_projectList->verticalHeader()->width() +
                          m_projectList->horizontalHeader()->length() + 2 * m_projectList->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_projectList);
    const QMargins margins = content->layout()->contentsMargins();
    const QSize least = content->minimumSizeHint();
    const int menuHeight = layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0;
    // The contents in one row, whichever arrangement the window shows now.
    const int width = qMax(gridWidth + margins.left() + margins.right(), qMax(m_wideWidth, least.width()));
    const int height = qMax(455, least.height() + menuHeight);
    return {qMin(width, available.width() - 20), qMin(height, available.height() - 40)};
}

void ProjectListWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrangeForWidth(event->size().width());
}

// Narrower than its contents in one row (a small screen or a large scale factor), the window drops
// the picture beside the notice and puts "Datensatz bearbeiten" and "Beenden" on a second row, so
// that every button shows whole without scrolling sideways.
void ProjectListWindow::arrangeForWidth(int width) {
    const bool narrow = width < m_wideWidth;
    if (narrow == m_narrow)
        return;
    m_narrow = narrow;
    m_picture->setVisible(!narrow);
    m_buttonGrid->removeWidget(m_rightButtons);
    if (narrow)
        m_buttonGrid->addWidget(m_rightButtons, 1, 0, 1, 5, Qt::AlignRight);
    else
        m_buttonGrid->addWidget(m_rightButtons, 0, 4);
}

void ProjectListWindow::closeEvent(QCloseEvent* event) {
    // Every open main window with unsaved edits asks first; cancelling (or a failed save) keeps the
    // program running.
    for (MainWindow* window : std::as_const(m_mainWindows)) {
        if (window->isVisible() && !window->settleUnsavedChanges()) {
            event->ignore();
            return;
        }
    }
    Settings::saveWindow(this, QString::fromUtf8(kSettingsKey));
    releaseMainWindows();
    QWidget::closeEvent(event);
}

// Frees every main window; what the user did not choose to save is dropped.
void ProjectListWindow::releaseMainWindows() {
    const QList<MainWindow*> windows = m_mainWindows;
    m_mainWindows.clear();
    for (MainWindow* window : windows) {
        window->disconnect(this);
        window->discardPendingEdits();
        delete window;
    }
}

MainWindow* ProjectListWindow::acquireMainWindow() {
    for (MainWindow* window : std::as_const(m_mainWindows)) {
        if (!window->isVisible())
            return window;
    }
    auto* window = new MainWindow(*m_databases, nullptr);
    connect(window, &MainWindow::projectClosed, this, [this] { refreshList(); });
    m_mainWindows.append(window);
    return window;
}

void ProjectListWindow::openProject(int id) {
    if (id <= 0)
        return;
    try {
        MainWindow* window = acquireMainWindow();
        window->setProjectId(id);
        window->show();
        window->raise();
        window->activateWindow();
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void ProjectListWindow::onOkClicked() {
    openProject(currentProjectId());
}

void ProjectListWindow::onListDoubleClicked() {
    openProject(currentProjectId());
}

// New project: choose the municipality; the row is written once (number, name, empty description,
// settlement preset) before a main window loads it and writes the defaults of the value lists.
// A failure on the way removes the new row again.
void ProjectListWindow::onNewClicked() {
    int pg = 0;
    {
        MunicipalityDialog chooser(m_databases->master(), this);
        if (chooser.exec() != QDialog::Accepted)
            return;
        pg = chooser.municipality();
    }
    int newId = 0;
    MainWindow* window = nullptr;
    try {
        newId = createProject(*m_databases, pg);
        window = acquireMainWindow();
        window->setProjectId(newId);
        window->show();
        if (window->editProjectRow()) {
            window->setDefaults();
            window->postProjectRow();
        }
    } catch (const TavoError& e) {
        if (window) {
            window->discardPendingEdits();
            window->hide();
        }
        if (newId > 0) {
            try {
                deleteProject(m_databases->user(), newId);
            } catch (const TavoError&) {
                // The first message is the one the user needs; the list shows what remained.
            }
        }
        newId = 0;
        showError(e.message());
    }
    try {
        loadList(newId > 0 ? newId : currentProjectId(), m_projectList->currentIndex().row());
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void ProjectListWindow::onDuplicateClicked() {
    const int id = currentProjectId();
    if (id <= 0)
        return;
    try {
        const int copy = duplicateProject(*m_databases, id);
        loadList(copy, m_projectList->currentIndex().row());
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void ProjectListWindow::onCloseClicked() {
    close();
}

// Deletes the current project after confirmation; its detail rows and results go with it.
void ProjectListWindow::deleteCurrentProject() {
    const int id = currentProjectId();
    if (id <= 0)
        return;
    const int row = m_projectList->currentIndex().row();
    const auto cell = [this, row](int column) {
        return m_projects->data(m_projects->index(row, column)).toString();
    };
    QMessageBox question(QMessageBox::Question, QStringLiteral("Bestätigen"),
                         QStringLiteral("Datensatz löschen?"), QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    const QString municipality = cell(2).trimmed();
    question.setInformativeText(
        QStringLiteral("Projekt: ") + ProjectRecord::displayName(cell(3), cell(4), id) +
        (municipality.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(municipality)));
    if (question.exec() != QMessageBox::Yes)
        return;
    try {
        deleteProject(m_databases->user(), id);
        closeWindowsOf(id);
        loadList(0, row);
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

// A main window must not go on editing a project that no longer exists: it is hidden unsaved.
void ProjectListWindow::closeWindowsOf(int id) {
    for (MainWindow* window : std::as_const(m_mainWindows)) {
        if (window->isVisible() && window->projectId() == id) {
            window->discardPendingEdits();
            window->hide();
        }
    }
}

void ProjectListWindow::showError(const QString& message) {
    QMessageBox::critical(this, QString::fromUtf8(kMessageTitle), message);
}

} // namespace tavo
