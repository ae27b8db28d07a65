#include "gui/mainwindow/MainWindowMenu.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>

#include "gui/common/HelpMenu.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/ReportAction.h"
#include "gui/mainwindow/ResultPagesHost.h"
#include "gui/plan/PlanAction.h"
#include "gui/results/ResultFinancePanel.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultPopulationPanel.h"
#include "gui/results/ResultZoom.h"

namespace tavo {

namespace {

QAction* addAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromUtf8(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

// The page widget a tab shows, looking through the scroll area the pages sit in.
QWidget* pageOf(QWidget* tab) {
    auto* scroll = qobject_cast<QScrollArea*>(tab);
    return scroll ? scroll->widget() : tab;
}

ResultGrid* focusedGrid(std::initializer_list<ResultGrid*> grids) {
    for (ResultGrid* grid : grids)
        if (grid->isVisible() && grid->view()->hasFocus())
            return grid;
    return nullptr;
}

} // namespace

MainWindowMenu::MainWindowMenu(MainWindow& window) : QObject(&window), m_window(window) {
    m_bar = new QMenuBar(&window);
    m_bar->setObjectName(QStringLiteral("mbHaupt"));

    QMenu* file = m_bar->addMenu(QStringLiteral("&Datei"));
    file->setObjectName(QStringLiteral("menuDatei"));
    connect(addAction(file, "actSpeichern", QStringLiteral("&Speichern"), QKeySequence::Save),
            &QAction::triggered, &window, [this] { m_window.saveProject(); });
    m_print = addAction(file, "actDrucken", QStringLiteral("&Drucken..."), QKeySequence::Print);
    connect(m_print, &QAction::triggered, this, [this] {
        if (ResultGrid* grid = gridToPrint())
            m_window.resultPages()->printGrid(grid);
    });
    m_export = addAction(file, "actExportieren", QStringLiteral("&Exportieren..."),
                         QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(m_export, &QAction::triggered, this, [this] {
        if (ResultGrid* grid = gridToPrint())
            grid->exportDataset();
    });
    if (auto* report = window.findChild<ReportAction*>()) {
        QMenu* reportMenu = file->addMenu(QStringLiteral("&Bericht"));
        reportMenu->setObjectName(QStringLiteral("menuBericht"));
        connect(addAction(reportMenu, "actBerichtVorschau", QStringLiteral("&Vorschau und Drucken..."),
                          QKeySequence()),
                &QAction::triggered, report, &ReportAction::showPreview);
        connect(addAction(reportMenu, "actBerichtPdf", QStringLiteral("Als &PDF speichern..."), QKeySequence()),
                &QAction::triggered, report, &ReportAction::savePdf);
    }
    file->addSeparator();
    connect(addAction(file, "actSchliessen", QStringLiteral("Speichern und S&chließen"), QKeySequence::Close),
            &QAction::triggered, this, [this] { clickButton("btExit"); });
    connect(
        addAction(file, "actAbbruch", QStringLiteral("Änderungen &verwerfen und schließen"), QKeySequence()),
        &QAction::triggered, this, [this] { clickButton("btAbbrechen"); });

    QMenu* edit = m_bar->addMenu(QStringLiteral("&Bearbeiten"));
    edit->setObjectName(QStringLiteral("menuBearbeiten"));
    connect(addAction(edit, "actBerechnen", QStringLiteral("&Berechnen"), QKeySequence(Qt::Key_F9)),
            &QAction::triggered, this, [this] { clickButton("btBerechnen"); });
    if (auto* plan = window.findChild<PlanAction*>())
        connect(addAction(edit, "actPlanEinlesen", QStringLiteral("&Plan einlesen…"), QKeySequence()),
                &QAction::triggered, plan, &PlanAction::readPlan);

    HelpMenu::add(m_bar, &window, [this] { clickButton("btAbout"); });
    window.layout()->setMenuBar(m_bar);

    connect(window.pages(), &QTabWidget::currentChanged, this, &MainWindowMenu::updatePrintAction);
    updatePrintAction();
}

QAction* MainWindowMenu::action(const QString& objectName) const {
    return m_bar->findChild<QAction*>(objectName);
}

void MainWindowMenu::clickButton(const char* objectName) const {
    if (QPushButton* button = m_window.button(QString::fromUtf8(objectName)); button && button->isEnabled())
        button->click();
}

ResultGrid* MainWindowMenu::gridToPrint() const {
    QWidget* page = pageOf(m_window.pages()->currentWidget());
    ResultPagesHost* results = m_window.resultPages();
    if (page == m_window.financeResultPage()) {
        if (ResultGrid* zoomed = results->zoom()->zoomGrid())
            return zoomed;
        ResultFinancePanel* panel = results->financePanel();
        using Kind = ResultQueries::ResultKind;
        ResultGrid* focused = focusedGrid(
            {panel->grid(Kind::Expenditure), panel->grid(Kind::Revenue), panel->grid(Kind::Balance)});
        return focused ? focused : panel->grid(Kind::Balance);
    }
    if (page == m_window.populationResultPage()) {
        ResultPopulationPanel* panel = results->populationPanel();
        ResultGrid* focused = focusedGrid({panel->gridWE(), panel->gridBeV()});
        return focused ? focused : panel->gridBeV();
    }
    return nullptr;
}

void MainWindowMenu::updatePrintAction() {
    const bool onResultGrid = gridToPrint() != nullptr;
    m_print->setEnabled(onResultGrid);
    m_export->setEnabled(onResultGrid);
}

} // namespace tavo
