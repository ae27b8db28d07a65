#pragma once

#include <QComboBox>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

class ProjectEdit;
class ProjectRecord;

// The value-list field beside a numeric input: offers the FeldWerte entries of the input's column,
// shows the entry matching the column's value, writes the chosen entry's Wert and supplies the
// default of a new project. It is never bound to the database itself, only to its paired input.
class TComboBoxTAVO : public QComboBox {
    Q_OBJECT
public:
    // The value-list statement the window prepares once and hands to every Init.
    static const char* const ValueListSql;

    TComboBoxTAVO(ProjectRecord& record, ProjectEdit* dbEditEh, QWidget* parent = nullptr);

    ProjectEdit* DBEditEh() const { return m_FDBEditEh; }
    const QStringList& Values() const { return m_FValues; }
    bool Prepared() const { return m_FPrepared; }

    // Loads the list once: tableName (or "TAVO" when empty) and the paired input's column are bound
    // to the prepared value-list query. Hidden when the list is empty. Throws TavoError.
    void Init(const QString& tableName, QSqlQuery& query);
    // Shows the entry that matches the column's current value (empty when none matches).
    void AfterScroll();
    // Writes the default entry's value into the column (nothing when the list has no default).
    void AfterInsert();

    // The position of the Wert equal to value (numerically for numbers), or -1.
    int indexOfValue(const QVariant& value) const;

private:
    // The shown text was chosen or typed: write the matching entry's value, or NULL.
    void textChosen(const QString& text);
    bool isShownList() const { return !isHidden(); }

    ProjectRecord& m_record;
    ProjectEdit* m_FDBEditEh;
    QStringList m_FValues;
    QString m_FDefault;
    bool m_FPrepared = false;
    bool m_updating = false;
};
