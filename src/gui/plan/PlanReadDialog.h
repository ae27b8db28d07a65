#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QSqlDatabase>
#include <QVector>

#include "core/plan/PlanTypes.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableWidget;

namespace tavo {

// Reading a plan file, step by step; nothing is written here. 1. the layers with a role each (the
// remembered assignment of the file, else the guess from the names), the attributes naming network
// and building type, a CRS for layers without one; 2. reading and measuring off the GUI thread;
// 3. problems (invalid geometries with layer and object): "Reparieren" reads again with GDAL's
// repair, or cancel; 4. what would change, old -> new per input, and "Übernehmen". Accepted: the
// caller applies reading() with assignment().
class PlanReadDialog : public QDialog {
    Q_OBJECT
public:
    PlanReadDialog(const QSqlDatabase& db, int projectId, const QString& file, QWidget* parent = nullptr);
    ~PlanReadDialog() override;

    const PlanReading& reading() const { return m_reading; }
    PlanAssignment assignment() const;

    // The pages, for tests and the manual's pictures.
    QTableWidget* layerTable() const { return m_layers; }
    QTableWidget* changeTable() const { return m_changes; }
    QListWidget* problemList() const { return m_problems; }

private:
    struct Outcome {
        PlanReading reading;
        QString error;
    };
    QWidget* buildLayerPage();
    QWidget* buildProblemPage();
    QWidget* buildPreviewPage();
    void loadLayers();
    void startReading(bool repair);
    void onReadingFinished();
    void showProblems();
    void showPreview();
    void setStep(int step);

    QSqlDatabase m_db;
    int m_projectId;
    QString m_file;
    QVector<PlanLayerInfo> m_layerInfo;
    PlanAssignment m_start;
    PlanReading m_reading;
    QString m_layerHeading;
    QFutureWatcher<Outcome> m_watcher;

    QStackedWidget* m_steps = nullptr;
    QLabel* m_heading = nullptr;
    QTableWidget* m_layers = nullptr;
    QComboBox* m_networkField = nullptr;
    QComboBox* m_typeField = nullptr;
    QLineEdit* m_crs = nullptr;
    QCheckBox* m_allNetworks = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_problems = nullptr;
    QTableWidget* m_changes = nullptr;
    QLabel* m_outside = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_repair = nullptr;
    QPushButton* m_back = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

} // namespace tavo
