#include "gui/results/ResultRadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace tavo {

ResultRadioGroup::ResultRadioGroup(const QString& caption, int columns, QWidget* parent)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this)),
      m_columns(qMax(1, columns)) {
    // Compact rows, as in a classic radio group: the finance page stacks three of them beside the
    // grids and must still fit the window's height.
    m_layout->setVerticalSpacing(0);
    m_layout->setContentsMargins(8, 4, 8, 4);
    connect(m_group, &QButtonGroup::idClicked, this, &ResultRadioGroup::clicked);
}

void ResultRadioGroup::setItems(const QStringList& items) {
    for (QAbstractButton* button : m_group->buttons()) {
        m_group->removeButton(button);
        delete button;
    }
    m_items = items;
    // Filled column by column, as many rows as the items need.
    const int rows = (static_cast<int>(items.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        m_group->addButton(button, i);
        m_layout->addWidget(button, rows > 0 ? i % rows : 0, rows > 0 ? i / rows : 0);
    }
}

int ResultRadioGroup::itemIndex() const {
    return m_group->checkedId();
}

void ResultRadioGroup::setItemIndex(int index) {
    if (QAbstractButton* button = m_group->button(index)) {
        button->setChecked(true);
        return;
    }
    // Unchecking needs a non-exclusive group for a moment.
    if (QAbstractButton* checked = m_group->checkedButton()) {
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
    }
}

QRadioButton* ResultRadioGroup::button(int index) const {
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

} // namespace tavo
