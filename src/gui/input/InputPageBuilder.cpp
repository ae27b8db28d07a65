#include "gui/input/InputPageBuilder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/input/ValueListCombo.h"
#include "gui/input/ProjectEdit.h"

namespace tavo {

using namespace InputTables;

namespace {

// Grid columns of a group: caption, then value list and input of the first and second cell, button.
enum GridColumn { CaptionCol = 0, FirstCol = 1, SecondCol = 3, ButtonCol = 5 };

const int kInputWidth = 72;
const int kComboWidth = 90;

} // namespace

InputPageBuilder::InputPageBuilder(ProjectRecord& record, const Grids& grids)
    : m_record(record), m_grids(grids) {}

QWidget* InputPageBuilder::build(const Page& page) {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);
    QHBoxLayout* sideBySide = nullptr;
    for (const Group& group : page.groups) {
        QGroupBox* box = buildGroup(group);
        if (group.besidePrevious && sideBySide) {
            sideBySide->addWidget(box, 1);
            continue;
        }
        sideBySide = new QHBoxLayout;
        sideBySide->addWidget(box, 1);
        column->addLayout(sideBySide);
    }
    column->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QString::fromUtf8(page.title));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    return scroll;
}

QWidget* InputPageBuilder::gridFor(GridSlot slot) const {
    switch (slot) {
    case GridSlot::Bebauung:
        return m_grids.bebauung;
    case GridSlot::Besiedelung:
        return m_grids.besiedelung;
    case GridSlot::Sonderausgaben:
        return m_grids.sonderausgaben;
    case GridSlot::None:
        break;
    }
    return nullptr;
}

QGroupBox* InputPageBuilder::buildGroup(const Group& group) {
    auto* box = new QGroupBox(group.title ? QString::fromUtf8(group.title) : QString());
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, group.title ? 4 : 6, 6, 6);
    if (QWidget* grid = gridFor(group.grid)) {
        auto* gridRow = new QHBoxLayout;
        gridRow->setSpacing(8);
        gridRow->addWidget(grid, 1);
        if (group.grid == GridSlot::Besiedelung && m_grids.presetButtons)
            gridRow->addWidget(m_grids.presetButtons, 0, Qt::AlignTop);
        layout->addLayout(gridRow, 1);
    }
    if (group.rows.empty())
        return box;
    const int rows = static_cast<int>(group.rows.size());
    const int split = group.splitAt > 0 ? group.splitAt : rows;
    auto* halves = new QHBoxLayout;
    halves->setSpacing(16);
    for (int from = 0; from < rows; from = split) {
        const int to = from == 0 ? split : rows;
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        int firstLine = 0;
        if (group.headingFirst) {
            grid->addWidget(new QLabel(QString::fromUtf8(group.headingFirst)), 0, FirstCol, 1, 2);
            grid->addWidget(new QLabel(QString::fromUtf8(group.headingSecond)), 0, SecondCol, 1, 2);
            firstLine = 1;
        }
        addRows(grid, group, from, to, firstLine);
        grid->setColumnStretch(ButtonCol + 1, 1);
        halves->addLayout(grid);
        if (to >= rows)
            break;
    }
    layout->addLayout(halves);
    layout->addStretch(1);
    return box;
}

void InputPageBuilder::addRows(QGridLayout* grid, const Group& group, int from, int to, int firstLine) {
    for (int i = from; i < to; ++i) {
        const Row& row = group.rows[static_cast<size_t>(i)];
        const int line = firstLine + i - from;
        auto* label = new QLabel(QString::fromUtf8(row.caption));
        grid->addWidget(label, line, CaptionCol);
        // A screen reader names each field by its caption, a field of a two-field row also by the
        // heading of its column; the caption is the buddy of the row's first field.
        const auto plain = [](const char* text) {
            QString t = QString::fromUtf8(text).simplified();
            if (t.endsWith(QLatin1Char(':')))
                t.chop(1);
            return t;
        };
        const QString caption = plain(row.caption);
        const bool twoFields = row.first.column && row.second.column && group.headingFirst;
        const auto name = [&](const char* heading) {
            return twoFields && heading ? QStringLiteral("%1 – %2").arg(caption, plain(heading)) : caption;
        };
        if (QWidget* first = addCell(grid, line, FirstCol, row.first, name(group.headingFirst)))
            label->setBuddy(first);
        addCell(grid, line, SecondCol, row.second, name(group.headingSecond));
        if (row.button.objectName) {
            auto* button = new QPushButton(QString::fromUtf8(row.button.caption));
            button->setObjectName(QString::fromUtf8(row.button.objectName));
            button->setToolTip(QString::fromUtf8(row.button.hint));
            button->setFixedWidth(28);
            grid->addWidget(button, line, ButtonCol);
            m_buttons << button;
        }
    }
}

QWidget* InputPageBuilder::addCell(QGridLayout* grid, int line, int column, const Cell& cell,
                                   const QString& caption) {
    if (!cell.column)
        return nullptr;
    auto* edit =
        new ProjectEdit(m_record, QString::fromUtf8(cell.column), !(cell.flags & Text), cell.decimals);
    edit->setFixedWidth(kInputWidth);
    edit->setAccessibleName(caption);
    if (cell.flags & ReadOnly) {
        edit->setReadOnly(true);
        edit->setEnabled(false);
    }
    m_inputs << edit;
    grid->addWidget(edit, line, column + 1);
    if (!(cell.flags & ValueList))
        return edit;
    auto* combo = new ValueListCombo(m_record, edit);
    combo->setAccessibleName(caption + QStringLiteral(" – Auswahlliste"));
    combo->setAccessibleDescription(QStringLiteral("Der gewählte Eintrag setzt den Wert im Feld daneben"));
    // As wide as its longest entry once the list is loaded, never narrower than this.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setMinimumWidth(kComboWidth);
    m_combos << combo;
    grid->addWidget(combo, line, column);
    // The list stands left of its input: it is the field the caption leads to first.
    return combo;
}

} // namespace tavo
