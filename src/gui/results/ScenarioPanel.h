#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QFutureWatcher>
#include <QString>
#include <QWidget>

#include "core/results/KeyFigures.h"
#include "core/scenarios/MonteCarlo.h"
#include "core/scenarios/Scenarios.h"
#include "core/scenarios/Sensitivity.h"

class QAreaSeries;
class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QValueAxis;

namespace tavo {

class Databases;
class PaintedChart;
struct EngineInput;

// The scenarios of one project: the figures of the project as it is, of its optimistic and pessimistic
// variant and the Monte Carlo range (P10 / P50 / P90), the cumulative balance with the range as a band,
// the editors of the two parameter sets (stored with the project) and the break-even question
// "Was müsste … betragen?" and the tornado of the parameters, each alone at its two values. Everything is
// calculated in memory from the project's inputs; the three variants at once, the range in the background,
// its band refreshed when it is done.
class ScenarioPanel : public QWidget {
    Q_OBJECT
public:
    explicit ScenarioPanel(Databases& dbs, QWidget* parent = nullptr);
    ~ScenarioPanel() override;

    // Shows project projectId: reads its inputs and stored sets and calculates. A project without a
    // calculation run shows a hint instead. Errors are shown in the panel.
    void showProject(int projectId);
    // Shows the hint and forgets the project.
    void clear();
    // Runs before the panel stores the project's sets; an exception refuses the write and is shown
    // in the panel. The main window claims the project's version here.
    void setBeforeWrite(std::function<void()> check) { m_beforeWrite = std::move(check); }

    int runs() const { return m_runs; }
    void setRuns(int runs) { m_runs = runs; }

    // The current sets, as edited and stored.
    const Scenarios::Settings& settings() const { return m_settings; }
    // True while a range for the current inputs is being calculated.
    bool rangePending() const;
    // The figures of the last calculation (basis, optimistic, pessimistic).
    const KeyFigures& basisFigures() const { return m_basis; }
    // The tornado of the last calculation: each parameter alone at its two values.
    const Sensitivity::Tornado& tornado() const { return m_tornado; }

    // Parts the tests drive.
    QStackedWidget* stack() const { return m_stack; }
    QTableWidget* figureTable() const { return m_figureTable; }
    QTableWidget* parameterTable() const { return m_parameterTable; }
    QComboBox* costBearerCombo() const { return m_costBearer; }
    QDoubleSpinBox* discountRateBox() const { return m_discountRate; }
    QPushButton* defaultsButton() const { return m_defaults; }
    QComboBox* breakEvenFieldCombo() const { return m_breakEvenField; }
    QComboBox* breakEvenTargetCombo() const { return m_breakEvenTarget; }
    QPushButton* breakEvenButton() const { return m_breakEvenButton; }
    QLabel* breakEvenResult() const { return m_breakEvenResult; }
    QLabel* messageLabel() const { return m_message; }
    QLineSeries* baseSeries() const { return m_baseSeries; }
    PaintedChart* tornadoChart() const { return m_tornadoChart; }
    QLineSeries* lowSeries() const { return m_lowSeries; }
    QLineSeries* highSeries() const { return m_highSeries; }

    // Figure table layout: rows and columns.
    enum FigureRow { SaldoRow, BarwertRow, AmortisationRow, FigureRowCount };
    enum FigureColumn { BasisColumn, OptimisticColumn, PessimisticColumn, P10Column, P50Column, P90Column,
                        FigureColumnCount };
    // Parameter table columns.
    enum ParameterColumn { OptimisticSet, PessimisticSet };

Q_SIGNALS:
    // A range has been shown (or its calculation failed).
    void rangeShown();

private:
    struct RangeResult {
        quint64 generation = 0;
        MonteCarlo::Distribution distribution;
        QString error;
    };

    QWidget* buildFigures();
    QWidget* buildParameters();
    QWidget* buildBreakEven();
    KeyFigureOptions figureOptions() const;
    void fillParameterTable();
    void onParameterEdited(QTableWidgetItem* item);
    void onDefaultsClicked();
    void onBreakEvenClicked();
    void recalculate();
    void startRange();
    void onRangeFinished();
    void showFigures();
    void showRange(const MonteCarlo::Distribution* range);
    void setCell(int row, int column, const QString& text);

    Databases& m_dbs;
    int m_projectId = 0;
    std::unique_ptr<EngineInput> m_base; // null: nothing to calculate
    std::function<void()> m_beforeWrite;
    Scenarios::Settings m_settings;
    int m_runs = 1000;
    KeyFigures m_basis;
    KeyFigures m_optimistic;
    KeyFigures m_pessimistic;
    Sensitivity::Tornado m_tornado;

    // The range: every change raises the generation; a finished run of an older one is ignored and
    // the current one started.
    quint64 m_generation = 0;
    QFutureWatcher<RangeResult> m_watcher;
    bool m_filling = false;

    QStackedWidget* m_stack = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_message = nullptr;
    QTableWidget* m_figureTable = nullptr;
    QTableWidget* m_parameterTable = nullptr;
    QComboBox* m_costBearer = nullptr;
    QDoubleSpinBox* m_discountRate = nullptr;
    QPushButton* m_defaults = nullptr;
    QComboBox* m_breakEvenField = nullptr;
    QComboBox* m_breakEvenTarget = nullptr;
    QPushButton* m_breakEvenButton = nullptr;
    QLabel* m_breakEvenResult = nullptr;
    QChartView* m_chartView = nullptr;
    PaintedChart* m_tornadoChart = nullptr;
    QLineSeries* m_baseSeries = nullptr;
    QLineSeries* m_lowSeries = nullptr;
    QLineSeries* m_highSeries = nullptr;
    QAreaSeries* m_band = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
};

} // namespace tavo
