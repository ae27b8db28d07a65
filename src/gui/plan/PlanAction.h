#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class QLabel;
class QWidget;

namespace tavo {

class MainWindow;
class PlanPage;
class ProjectEdit;

// The plan in the main window: adds the page "Plan" (the project's stored plan), runs "Plan
// einlesen…" (read, check, preview, apply in one transaction) and marks every input taken from the
// plan with an icon and the tooltip "aus Plan: Datei, Ebene, Stand". An input edited by hand loses
// its mark on screen at once and in the database when the project is saved.
class PlanAction : public QObject {
    Q_OBJECT
public:
    explicit PlanAction(MainWindow& window);

    PlanPage* page() const { return m_page; }
    // The label above the building mix shown while its shares carry marks ("Bebauung:<type>").
    QLabel* mixMark() const { return m_mixMark; }
    // The marks shown now: field key -> tooltip.
    const QHash<QString, QString>& marks() const { return m_marks; }

    // Reads a plan file (dialog), shows what would change and applies it when the planner confirms.
    void readPlan();

    // The mark an input shows (empty: none).
    static QString markOf(const ProjectEdit* edit);

private:
    void showProject(int projectId);
    void showMarks();
    void onInputCommitted(const QString& column);
    void onProjectSaved(int projectId);
    void onMixEdited();
    void showMixMark();

    MainWindow& m_window;
    PlanPage* m_page = nullptr;
    QWidget* m_mixRow = nullptr; // above the building mix: its shares come from the plan
    QLabel* m_mixMark = nullptr;
    QHash<QString, QString> m_marks;
    QSet<QString> m_handEdited; // marks to drop when the project is saved
};

} // namespace tavo
