#pragma once

#include <memory>

#include <QList>
#include <QWidget>

#include "core/data/Databases.h"

class QCloseEvent;
class QPushButton;
class QShowEvent;
class QSqlQueryModel;
class QTableView;
class QToolButton;
class TfrmHaupt;

// The selection window, the program's main form. It owns the two database connections and every
// main window it created; it lists the project records and opens, creates, duplicates and deletes
// them. Closing it ends the program and drops unsaved edits of the main windows.
class TfrmAuswahl : public QWidget {
    Q_OBJECT
public:
    // The buttons of the navigator bar below the list.
    enum class Navigator { First, Prior, Next, Last, Delete };

    // Opens the databases beside the program file; throws TavoError naming the file that failed.
    TfrmAuswahl();
    // Works on databases opened by the caller (the window takes ownership).
    explicit TfrmAuswahl(std::unique_ptr<Databases> databases, QWidget* parent = nullptr);
    ~TfrmAuswahl() override;

    Databases& databases() { return *m_databases; }

    // The first main window that is not showing, or a new one when all are showing.
    TfrmHaupt* AcquireMainWindow();
    const QList<TfrmHaupt*>& FfrmHauptList() const { return m_FfrmHauptList; }

    // The ID of the project in the current row; 0 when the list is empty.
    int currentProjectId() const;
    // Makes the row of the project current; false when it is not listed.
    bool selectProject(int id);
    // Re-reads the list from the database and keeps the current project where possible.
    void refreshList();

    QTableView* GridAuswahl() const { return m_GridAuswahl; }
    QPushButton* btOK() const { return m_btOK; }
    QPushButton* btNeu() const { return m_btNeu; }
    QPushButton* btDuplizieren() const { return m_btDuplizieren; }
    QPushButton* btSchliessen() const { return m_btSchliessen; }
    QToolButton* navigatorButton(Navigator which) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    QWidget* buildTopPanel();
    QWidget* buildGrid();
    QWidget* buildNavigator();
    QWidget* buildButtonRow();
    void loadList(int selectId, int fallbackRow);
    void updateButtons();
    void navigate(Navigator which);
    void openProject(int id);

    void btOKClick();
    void GridAuswahlDblClick();
    void btNeuClick();
    void btDuplizierenClick();
    void btSchliessenClick();
    void deleteCurrentProject();
    void releaseMainWindows();
    void closeWindowsOf(int id);
    void showError(const QString& message);

    std::unique_ptr<Databases> m_databases;
    QList<TfrmHaupt*> m_FfrmHauptList;
    bool m_firstShowDone = false;
    QSqlQueryModel* m_tTAVO = nullptr;
    QTableView* m_GridAuswahl = nullptr;
    QList<QToolButton*> m_navigator;
    QPushButton* m_btDuplizieren = nullptr;
    QPushButton* m_btNeu = nullptr;
    QPushButton* m_btOK = nullptr;
    QPushButton* m_btSchliessen = nullptr;
};
