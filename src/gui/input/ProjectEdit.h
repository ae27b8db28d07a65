#pragma once

#include <QLineEdit>
#include <QString>

namespace tavo {

class ProjectRecord;

// An input bound to one column of the project row. Numeric inputs show the column with a fixed
// number of decimals in the user's locale (or the general format) and accept typed numbers in it;
// text inputs show the text. Typing puts the row into edit state; leaving the input (or Enter)
// writes the typed value into the row held in memory.
class ProjectEdit : public QLineEdit {
    Q_OBJECT
public:
    // decimals < 0: the general number format. numeric false: a text input.
    ProjectEdit(ProjectRecord& record, const QString& column, bool numeric, int decimals,
                QWidget* parent = nullptr);

    QString column() const { return m_column; }
    int decimals() const { return m_decimals; }

    // Shows the column's current value (drops a typed, not yet written text).
    void refresh();
    // Writes the typed text into the row when it was changed. Returns false (after a German
    // message) when the text is no valid number; the input then shows the stored value again.
    bool commit();

    // The text a numeric value is shown with.
    static QString displayText(const QVariant& value, int decimals);

Q_SIGNALS:
    // The typed text was written into the row (the column's value may have changed).
    void committed(const QString& column);
    // The input lost the focus (after its text was written).
    void exited(const QString& column);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ProjectRecord& m_record;
    QString m_column;
    bool m_numeric;
    int m_decimals;
    bool m_modified = false;
    bool m_committing = false;
};

} // namespace tavo
