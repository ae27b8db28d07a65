#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/data/UserSchema.h"
#include "core/projects/RecordConflict.h"

namespace tavo {

// One row of the project table held in memory while a main window edits it. Inputs change the
// values here; nothing reaches the database until post(). cancel() reloads the stored row.
// The record remembers the version of the project it loaded: a save over a version someone else has
// stored since is refused with a RecordConflict, so that two planners never overwrite each other
// unnoticed.
class ProjectRecord : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit };
    // Checked: only over the version this record knows. Overwrite: over whatever is stored.
    enum class WriteMode { Checked, Overwrite };

    explicit ProjectRecord(QSqlDatabase userDb, QObject* parent = nullptr);

    // Reads the project with this ID; state Browse, or Inactive when there is no such row.
    void load(int id);
    int id() const { return m_id; }
    // The stored version this record is in step with.
    qint64 version() const { return m_version; }
    State state() const { return m_state; }
    bool isActive() const { return m_state != State::Inactive; }
    bool isEditing() const { return m_state == State::Edit; }
    // True while a column holds a value that post() has not written yet.
    bool isModified() const { return m_state == State::Edit && !m_dirty.isEmpty(); }

    // Puts the row into edit state; false when no row is loaded.
    bool edit();

    QVariant value(const QString& column) const { return m_values.value(column); }
    // The project's name for the planner: its description, else its project text, else "Projekt <ID>".
    QString displayName() const;
    static QString displayName(const QString& description, const QString& project, int id);
    bool isNull(const QString& column) const;
    // Sets a column (entering edit state) converted to the column's type: numbers in text form use
    // the user's locale or '.'; an empty text or invalid variant stores NULL. Throws TavoError for
    // an unknown column or a text that is no number in a numeric column.
    void setValue(const QString& column, const QVariant& value);

    // Writes the changed columns with bound values and raises the stored version by one; back to
    // browse state. Checked writes only while the stored version is the known one, and nothing when
    // no column changed; otherwise it throws RecordConflict and writes nothing. Overwrite writes in
    // any case (the version alone when no column changed) and then reads the stored row, so that the
    // record holds the newest version and what others saved in the columns it did not change.
    // Throws RecordConflict for a project deleted meanwhile, TavoError for database errors.
    void post(WriteMode mode = WriteMode::Checked);
    // Drops pending changes by reading the stored row again.
    void cancel();
    // Reads the stored row again, also in browse state (the newest values and version).
    void reload() { load(m_id); }

    // For a write of the project's own detail rows, inside the writer's transaction: raises the
    // stored version by one when it is still the known one, else throws RecordConflict. Returns the
    // new version, which keepVersion() takes once the transaction is committed.
    qint64 claimVersion();
    void keepVersion(qint64 version) { m_version = version; }

    static UserSchema::ColumnType columnType(const QString& column);
    static bool isProjectColumn(const QString& column);
    // Whether the column stores whole numbers.
    static bool isIntegerColumn(const QString& column);

Q_SIGNALS:
    void valueChanged(const QString& column);
    void stateChanged(ProjectRecord::State state);
    // The whole row was read again (load, cancel).
    void reloaded();

private:
    void setState(State state);
    QVariant converted(const QString& column, const QVariant& value) const;
    void readRow(const QSqlRecord& row);
    void writeOverwriting();
    // The error for a checked write that matched no row: deleted, or changed and in which columns.
    [[noreturn]] void throwConflict() const;

    QSqlDatabase m_db;
    int m_id = 0;
    State m_state = State::Inactive;
    QHash<QString, QVariant> m_values;
    // The values as stored when read or written last; what someone else changed is told against them.
    QHash<QString, QVariant> m_stored;
    QStringList m_dirty;
    qint64 m_version = 0;
};

} // namespace tavo
