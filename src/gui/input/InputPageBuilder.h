#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "core/projects/InputTables.h"

class QGridLayout;
class QGroupBox;
class QPushButton;
class QWidget;

namespace tavo {

class ProjectEdit;
class ProjectRecord;
class ValueListCombo;

// Turns the page tables into widgets: a caption, the value-list field and the input per cell, the
// buttons of the rows, and the detail grids in their groups. Keeps the created inputs by column.
class InputPageBuilder {
public:
    // The detail grid widgets to place into the groups that name them, and the preset buttons
    // beside the settlement grid.
    struct Grids {
        QWidget* bebauung = nullptr;
        QWidget* besiedelung = nullptr;
        QWidget* sonderausgaben = nullptr;
        QWidget* presetButtons = nullptr;
    };

    InputPageBuilder(ProjectRecord& record, const Grids& grids);

    // One scrollable page built from its table.
    QWidget* build(const InputTables::Page& page);

    // Every input in creation order; several inputs may show the same column.
    const QList<ProjectEdit*>& inputs() const { return m_inputs; }
    // Every value-list field in creation order.
    const QList<ValueListCombo*>& combos() const { return m_combos; }
    const QList<QPushButton*>& buttons() const { return m_buttons; }

private:
    QGroupBox* buildGroup(const InputTables::Group& group);
    void addRows(QGridLayout* grid, const InputTables::Group& group, int from, int to, int firstLine);
    // Adds a cell's input (and its value list) named caption for assistive technology; returns the
    // widget that comes first in reading order, null for an empty cell.
    QWidget* addCell(QGridLayout* grid, int line, int column, const InputTables::Cell& cell,
                     const QString& caption);
    QWidget* gridFor(InputTables::GridSlot slot) const;

    ProjectRecord& m_record;
    Grids m_grids;
    QList<ProjectEdit*> m_inputs;
    QList<ValueListCombo*> m_combos;
    QList<QPushButton*> m_buttons;
};

} // namespace tavo
