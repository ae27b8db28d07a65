#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

namespace tavo {

namespace MasterData {
class ValueLists;
}
class ProjectEdit;
class ProjectRecord;

// The value-list field beside a numeric input: offers the FeldWerte entries of the input's column,
// shows the entry matching the column's value, writes the chosen entry's Wert (or a typed number)
// and supplies the default of a new project. It is never bound to the database itself, only to its paired
// input.
class ValueListCombo : public QComboBox {
    Q_OBJECT
public:
    ValueListCombo(ProjectRecord& record, ProjectEdit* pairedInput, QWidget* parent = nullptr);

    ProjectEdit* pairedInput() const { return m_pairedInput; }
    const QStringList& values() const { return m_values; }
    bool isLoaded() const { return m_prepared; }

    // Loads the list of tableName (or "TAVO" when empty) for the paired input's column once, from the
    // value lists the window reads through one prepared statement. Hidden when the list is empty.
    // Throws TavoError.
    void loadValueList(const QString& tableName, MasterData::ValueLists& valueLists);
    // Shows the entry that matches the column's current value (empty when none matches).
    void showCurrentValue();
    // Writes the default entry's value into the column (nothing when the list has no default).
    void writeDefault();

    // The position of the Wert equal to value (numerically for numbers), or -1.
    int indexOfValue(const QVariant& value) const;

private:
    // The shown text was chosen or typed: write the matching entry's value, or a typed number as it
    // is; any other text shows the entry of the unchanged value again.
    void textChosen(const QString& text);
    bool isShownList() const { return !isHidden(); }

    ProjectRecord& m_record;
    ProjectEdit* m_pairedInput;
    QStringList m_values;
    QString m_default;
    bool m_prepared = false;
    bool m_updating = false;
};

} // namespace tavo
