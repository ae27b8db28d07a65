#pragma once

#include <memory>

#include <QList>
#include <QWidget>

#include "core/data/Databases.h"

class QCloseEvent;
class QGridLayout;
class QLabel;
class QMenuBar;
class QPushButton;
class QResizeEvent;
class QShowEvent;
class QSqlQueryModel;
class QTableView;
class QToolButton;

namespace tavo {

class MainWindow;

// The selection window, the program's main form. It owns the two database connections and every
// main window it created; it lists the project records and opens, creates, duplicates and deletes
// them. Closing it ends the program; a main window with unsaved edits asks first whether to save them.
class ProjectListWindow : public QWidget {
    Q_OBJECT
public:
    // The buttons of the navigator bar below the list.
    enum class Navigator { First, Prior, Next, Last, Delete };

    // Opens the databases the running program finds (DataLocations); throws TavoError naming the file
    // that failed.
    ProjectListWindow();
    // Works on databases opened by the caller (the window takes ownership).
    explicit ProjectListWindow(std::unique_ptr<Databases> databases, QWidget* parent = nullptr);
    ~ProjectListWindow() override;

    Databases& databases() { return *m_databases; }

    // The first main window that is not showing, or a new one when all are showing.
    MainWindow* acquireMainWindow();
    const QList<MainWindow*>& mainWindows() const { return m_mainWindows; }

    // The ID of the project in the current row; 0 when the list is empty.
    int currentProjectId() const;
    // Makes the row of the project current; false when it is not listed.
    bool selectProject(int id);
    // Re-reads the list from the database and keeps the current project where possible.
    void refreshList();

    QTableView* projectList() const { return m_projectList; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* newButton() const { return m_newButton; }
    QPushButton* duplicateButton() const { return m_duplicateButton; }
    QPushButton* closeButton() const { return m_closeButton; }
    QPushButton* compareButton() const { return m_compareButton; }
    // The IDs of the marked projects, in list order.
    QList<int> selectedProjectIds() const;
    QToolButton* navigatorButton(Navigator which) const;
    // The size of the first start on a screen offering available: as wide as the list's columns,
    // never larger than the screen (the contents scroll where the window is smaller).
    QSize preferredSize(const QRect& available) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUpWindow();
    void onFirstShow();
    QMenuBar* buildMenuBar();
    QWidget* buildTopPanel();
    QWidget* buildGrid();
    QWidget* buildNavigator();
    QWidget* buildButtonRow();
    void loadList(int selectId, int fallbackRow);
    void updateButtons();
    void arrangeForWidth(int width);
    void navigate(Navigator which);
    void openProject(int id);

    void onOkClicked();
    void onListDoubleClicked();
    void onNewClicked();
    void onDuplicateClicked();
    void onCloseClicked();
    void onCompareClicked();
    void openMunicipalityOverview();
    void deleteCurrentProject();
    void releaseMainWindows();
    void closeWindowsOf(int id);
    void showError(const QString& message);

    std::unique_ptr<Databases> m_databases;
    QList<MainWindow*> m_mainWindows;
    bool m_firstShowDone = false;
    QSqlQueryModel* m_projects = nullptr;
    QTableView* m_projectList = nullptr;
    QList<QToolButton*> m_navigator;
    QPushButton* m_duplicateButton = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPushButton* m_compareButton = nullptr;
    QGridLayout* m_buttonGrid = nullptr;
    QWidget* m_rightButtons = nullptr;
    QLabel* m_picture = nullptr;
    int m_wideWidth = 0; // the least width that shows the contents in one row
    bool m_narrow = false;
};

} // namespace tavo
