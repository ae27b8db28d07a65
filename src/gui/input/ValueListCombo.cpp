#include "gui/input/ValueListCombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "core/data/MasterData.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/projects/ProjectRecord.h"
#include "gui/input/ProjectEdit.h"

namespace tavo {

namespace {

// Wert is stored locale-neutral ('.' decimals); a number is handed on as a number so the
// column never depends on the user's decimal separator.
QVariant wertAsValue(const QString& wert) {
    bool ok = false;
    const double number = NumberFormat::neutral(wert, &ok);
    return ok ? QVariant(number) : QVariant(wert);
}

} // namespace

ValueListCombo::ValueListCombo(ProjectRecord& record, ProjectEdit* pairedInput, QWidget* parent)
    : QComboBox(parent), m_record(record), m_pairedInput(pairedInput) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(12);
    if (pairedInput)
        setObjectName(QStringLiteral("cb") + pairedInput->column());
    // Choosing from the list, and a typed text once it is confirmed (Enter or leaving the field).
    connect(this, &QComboBox::activated, this, [this](int index) { textChosen(itemText(index)); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (lineEdit()->isModified())
            textChosen(currentText());
        lineEdit()->setModified(false);
    });
}

void ValueListCombo::loadValueList(const QString& tableName, MasterData::ValueLists& valueLists) {
    if (m_prepared)
        return;
    if (!m_pairedInput) {
        hide();
        m_prepared = true;
        return;
    }
    const QSignalBlocker blocker(this);
    clear();
    m_values.clear();
    setEditText(QString());
    const QString table = tableName.isEmpty() ? QStringLiteral("TAVO") : tableName;
    for (const MasterData::ValueListEntry& entry : valueLists.entries(table, m_pairedInput->column())) {
        addItem(entry.description);
        m_values << entry.value;
        if (entry.isDefault)
            m_default = entry.description;
    }
    setEditText(QString());
    setVisible(count() > 0);
    m_prepared = true;
}

int ValueListCombo::indexOfValue(const QVariant& value) const {
    if (value.isNull() || !value.isValid())
        return -1;
    bool isNumber = false;
    const double number = value.typeId() == QMetaType::QString
                              ? NumberFormat::neutral(value.toString(), &isNumber)
                              : NumberFormat::storedNumber(value, &isNumber);
    for (int i = 0; i < m_values.size(); ++i) {
        bool ok = false;
        const double wert = NumberFormat::neutral(m_values.at(i), &ok);
        if (isNumber && ok ? wert == number
                           : m_values.at(i).compare(value.toString(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void ValueListCombo::showCurrentValue() {
    if (!isShownList() || !m_pairedInput)
        return;
    m_updating = true;
    const QSignalBlocker blocker(this);
    const int index = indexOfValue(m_record.value(m_pairedInput->column()));
    setCurrentIndex(index);
    if (index < 0)
        setEditText(QString());
    lineEdit()->setModified(false);
    lineEdit()->setCursorPosition(0); // long descriptions show their beginning
    m_updating = false;
}

void ValueListCombo::writeDefault() {
    if (!isShownList() || !m_pairedInput)
        return;
    {
        const QSignalBlocker blocker(this);
        setEditText(m_default);
        lineEdit()->setCursorPosition(0);
    }
    if (m_default.isEmpty())
        return;
    const int index = findText(m_default, Qt::MatchFixedString);
    if (index >= 0)
        m_record.setValue(m_pairedInput->column(), wertAsValue(m_values.at(index)));
}

void ValueListCombo::textChosen(const QString& text) {
    if (!isShownList() || m_updating || !m_pairedInput)
        return;
    // Items are looked up like a string list does it: case-insensitively.
    const int index = text.isEmpty() ? -1 : findText(text, Qt::MatchFixedString);
    // A typed number that is no entry is taken as typed; any other text would wipe the value, so
    // the field shows the entry of the value the input keeps.
    bool isNumber = false;
    const double typed = index < 0 ? NumberFormat::parseTyped(text, &isNumber) : 0.0;
    if ((index >= 0 || isNumber) && m_record.edit()) {
        try {
            m_record.setValue(m_pairedInput->column(), index >= 0 ? wertAsValue(m_values.at(index)) : typed);
        } catch (const TavoError&) {
            // A value the column cannot take leaves the column as it was.
        }
    }
    showCurrentValue();
}

} // namespace tavo
