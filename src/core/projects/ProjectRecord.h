#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/data/UserSchema.h"

// One row of the project table held in memory while a main window edits it. Inputs change the
// values here; nothing reaches the database until post(). cancel() reloads the stored row.
class ProjectRecord : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit };

    explicit ProjectRecord(QSqlDatabase userDb, QObject* parent = nullptr);

    // Reads the project with this ID; state Browse, or Inactive when there is no such row.
    void load(int id);
    int id() const { return m_id; }
    State state() const { return m_state; }
    bool isActive() const { return m_state != State::Inactive; }
    bool isEditing() const { return m_state == State::Edit; }
    // True while a column holds a value that post() has not written yet.
    bool isModified() const { return m_state == State::Edit && !m_dirty.isEmpty(); }

    // Puts the row into edit state; false when no row is loaded.
    bool edit();

    QVariant value(const QString& column) const { return m_values.value(column); }
    bool isNull(const QString& column) const;
    // Sets a column (entering edit state) converted to the column's type: numbers in text form use
    // the user's locale or '.'; an empty text or invalid variant stores NULL. Throws TavoError for
    // an unknown column or a text that is no number in a numeric column.
    void setValue(const QString& column, const QVariant& value);

    // Writes the changed columns with bound values; back to browse state. Throws TavoError.
    void post();
    // Drops pending changes by reading the stored row again.
    void cancel();

    static UserSchema::ColumnType columnType(const QString& column);
    static bool isProjectColumn(const QString& column);

Q_SIGNALS:
    void valueChanged(const QString& column);
    void stateChanged(ProjectRecord::State state);
    // The whole row was read again (load, cancel).
    void reloaded();

private:
    void setState(State state);
    QVariant converted(const QString& column, const QVariant& value) const;

    QSqlDatabase m_db;
    int m_id = 0;
    State m_state = State::Inactive;
    QHash<QString, QVariant> m_values;
    QStringList m_dirty;
};
