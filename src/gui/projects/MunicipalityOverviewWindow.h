#pragma once

#include <QDialog>
#include <QList>

#include "core/services/MunicipalityOverview.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace tavo {

class Databases;
class PaintedChart;

// "Gemeindeübersicht": the calculated project groups of one municipality, for each the variant that
// counts (default: the most recently calculated) and its start year; below, per calendar year the
// balance of each project, their sum and the cumulative balance, with low point and payback year,
// and the balances as stacked bars by project. Variants changed since their calculation are marked.
class MunicipalityOverviewWindow : public QDialog {
    Q_OBJECT
public:
    MunicipalityOverviewWindow(Databases& dbs, int pg, QWidget* parent = nullptr);

    // Reads the groups of the municipality and fills the choice table with their defaults.
    void reloadGroups();
    // Computes the overview for the choices in the table and shows it. Errors are shown as a message.
    void recompute();

    const MunicipalityOverview::Overview& overview() const { return m_overview; }
    QSpinBox* municipalityBox() const { return m_pg; }
    QComboBox* costBearerCombo() const { return m_costBearer; }
    QTableWidget* choiceTable() const { return m_choices; }
    QTableWidget* yearTable() const { return m_years; }
    QLabel* summaryLabel() const { return m_summary; }
    PaintedChart* chart() const { return m_chart; }

    enum ChoiceColumn { GroupColumn, VariantColumn, StartColumn, StateColumn, ChoiceColumnCount };

private:
    QList<MunicipalityOverview::Choice> choices() const;
    void fillYearTable();

    Databases& m_dbs;
    QList<MunicipalityOverview::Group> m_groups;
    MunicipalityOverview::Overview m_overview;
    bool m_filling = false;
    QSpinBox* m_pg = nullptr;
    QComboBox* m_costBearer = nullptr;
    QTableWidget* m_choices = nullptr;
    QTableWidget* m_years = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_message = nullptr;
    PaintedChart* m_chart = nullptr;
};

} // namespace tavo
