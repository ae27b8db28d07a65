#include "core/projects/ProjectRecord.h"

#include <cmath>
#include <utility>

#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

const QString kVersion = QStringLiteral("Version");

const QHash<QString, UserSchema::ColumnType>& typesByColumn() {
    static const QHash<QString, UserSchema::ColumnType> types = [] {
        QHash<QString, UserSchema::ColumnType> map;
        for (const UserSchema::Column& c : UserSchema::projectColumns())
            map.insert(QString::fromUtf8(c.name), c.type);
        return map;
    }();
    return types;
}

// A number given as text: the user's locale first, then the locale-neutral form of the value lists;
// "inf", "nan" and other text that is no finite number are refused like any other text.
double numberFromText(const QString& column, const QString& text) {
    bool ok = false;
    const double number = NumberFormat::parseTyped(text, &ok);
    if (!ok)
        throw TavoError(
            QStringLiteral("'%1' ist kein gültiger Wert für %2.").arg(NumberFormat::excerpt(text), column));
    return number;
}

} // namespace

ProjectRecord::ProjectRecord(QSqlDatabase userDb, QObject* parent) : QObject(parent), m_db(userDb) {}

UserSchema::ColumnType ProjectRecord::columnType(const QString& column) {
    return typesByColumn().value(column, UserSchema::ColumnType::Text);
}

bool ProjectRecord::isIntegerColumn(const QString& column) {
    return columnType(column) == UserSchema::ColumnType::Integer;
}

bool ProjectRecord::isProjectColumn(const QString& column) {
    return typesByColumn().contains(column);
}

void ProjectRecord::load(int id) {
    m_values.clear();
    m_stored.clear();
    m_dirty.clear();
    m_version = 0;
    m_id = id;
    QSqlQuery query = Sql::exec(m_db, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {id});
    State state = State::Inactive;
    if (query.next()) {
        readRow(query.record());
        state = State::Browse;
    }
    m_state = state;
    Q_EMIT reloaded();
    Q_EMIT stateChanged(m_state);
}

void ProjectRecord::readRow(const QSqlRecord& row) {
    m_values.clear();
    for (int i = 0; i < row.count(); ++i) {
        if (row.fieldName(i) == kVersion) {
            m_version = row.value(i).toLongLong();
        } else {
            // An empty field is an untyped empty value on every database: the server's driver gives it
            // the column's type, which as text would read "0".
            m_values.insert(row.fieldName(i), row.isNull(i) ? QVariant() : row.value(i));
        }
    }
    m_stored = m_values;
}

bool ProjectRecord::edit() {
    if (m_state == State::Inactive)
        return false;
    setState(State::Edit);
    return true;
}

QString ProjectRecord::displayName() const {
    return displayName(value(QStringLiteral("Beschreibung")).toString(),
                       value(QStringLiteral("Projekt")).toString(), m_id);
}

QString ProjectRecord::displayName(const QString& description, const QString& project, int id) {
    for (const QString& text : {description.simplified(), project.simplified()})
        if (!text.isEmpty())
            return text;
    return QStringLiteral("Projekt %1").arg(id);
}

bool ProjectRecord::isNull(const QString& column) const {
    const QVariant v = m_values.value(column);
    return v.isNull() || !v.isValid();
}

QVariant ProjectRecord::converted(const QString& column, const QVariant& value) const {
    using T = UserSchema::ColumnType;
    const T type = columnType(column);
    if (!value.isValid() || value.isNull())
        return QVariant();
    const bool isText = value.typeId() == QMetaType::QString;
    if (isText && value.toString().trimmed().isEmpty())
        return QVariant();
    if (type == T::Text)
        return value.toString();
    const double number = isText ? numberFromText(column, value.toString()) : value.toDouble();
    if (!std::isfinite(number))
        throw TavoError(QStringLiteral("'%1' ist kein gültiger Wert für %2.").arg(value.toString(), column));
    if (type == T::Integer || type == T::Identity)
        return QVariant(static_cast<qlonglong>(std::trunc(number)));
    return QVariant(number);
}

void ProjectRecord::setValue(const QString& column, const QVariant& value) {
    if (!isProjectColumn(column) || column == QLatin1String("ID"))
        throw TavoError(QStringLiteral("Unbekanntes Feld ") + column);
    if (!edit())
        throw TavoError(QStringLiteral("Kein Datensatz geöffnet."));
    const QVariant stored = converted(column, value);
    const QVariant old = m_values.value(column);
    const bool unchanged =
        old.isNull() || !old.isValid() ? stored.isNull() : (!stored.isNull() && old == stored);
    if (unchanged)
        return;
    m_values.insert(column, stored);
    if (!m_dirty.contains(column))
        m_dirty << column;
    Q_EMIT valueChanged(column);
}

void ProjectRecord::post(WriteMode mode) {
    if (mode == WriteMode::Overwrite) {
        if (m_state == State::Inactive)
            return;
        writeOverwriting();
        setState(State::Browse);
        return;
    }
    if (m_state != State::Edit)
        return;
    if (!m_dirty.isEmpty()) {
        QStringList assignments;
        QVariantList params;
        for (const QString& column : m_dirty) {
            assignments << Sql::quoted(column) + QStringLiteral(" = ?");
            params << m_values.value(column);
        }
        params << m_id << m_version;
        const QSqlQuery update = Sql::exec(
            m_db,
            QStringLiteral(
                "UPDATE \"TAVO\" SET %1, \"Version\" = \"Version\" + 1 WHERE \"ID\" = ? AND \"Version\" = ?")
                .arg(assignments.join(QStringLiteral(", "))),
            params);
        if (update.numRowsAffected() == 0)
            throwConflict();
        ++m_version;
        for (const QString& column : std::as_const(m_dirty))
            m_stored.insert(column, m_values.value(column));
        m_dirty.clear();
    }
    setState(State::Browse);
}

void ProjectRecord::writeOverwriting() {
    QStringList assignments;
    QVariantList params;
    for (const QString& column : std::as_const(m_dirty)) {
        assignments << Sql::quoted(column) + QStringLiteral(" = ?");
        params << m_values.value(column);
    }
    assignments << QStringLiteral("\"Version\" = \"Version\" + 1");
    params << m_id;
    // The row is written and read back in one transaction, so the version read is the one written.
    Transaction transaction(m_db);
    const QSqlQuery update = Sql::exec(
        m_db,
        QStringLiteral("UPDATE \"TAVO\" SET %1 WHERE \"ID\" = ?").arg(assignments.join(QStringLiteral(", "))),
        params);
    if (update.numRowsAffected() == 0)
        throwConflict();
    QSqlQuery stored = Sql::exec(m_db, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {m_id});
    if (!stored.next())
        throwConflict();
    const QSqlRecord row = stored.record();
    stored.finish();
    transaction.commit();
    m_dirty.clear();
    readRow(row);
    Q_EMIT reloaded();
}

qint64 ProjectRecord::claimVersion() {
    const QSqlQuery update = Sql::exec(
        m_db,
        QStringLiteral(
            "UPDATE \"TAVO\" SET \"Version\" = \"Version\" + 1 WHERE \"ID\" = ? AND \"Version\" = ?"),
        {m_id, m_version});
    if (update.numRowsAffected() == 0)
        throwConflict();
    return m_version + 1;
}

void ProjectRecord::throwConflict() const {
    QSqlQuery stored = Sql::exec(m_db, QStringLiteral("SELECT * FROM \"TAVO\" WHERE \"ID\" = ?"), {m_id});
    if (!stored.next())
        throw RecordConflict(RecordConflict::Kind::Deleted,
                             QStringLiteral("Das Projekt %1 wurde inzwischen gelöscht. Die Änderungen können "
                                            "nicht mehr gespeichert werden.")
                                 .arg(m_id));
    // The inputs someone else stored differently from what this record read; detail rows have no
    // field here, so a change of them alone names none.
    QStringList changed;
    for (const UserSchema::Column& c : UserSchema::projectColumns()) {
        const QString column = QString::fromUtf8(c.name);
        const QVariant now = stored.value(column);
        const QVariant before = m_stored.value(column);
        const bool same = now.isNull() || before.isNull() ? now.isNull() == before.isNull() : now == before;
        if (!same)
            changed << column;
    }
    QString message = QStringLiteral("Der Datensatz wurde inzwischen geändert.");
    if (!changed.isEmpty())
        message += QStringLiteral("\nInzwischen gespeichert: %1.").arg(changed.join(QStringLiteral(", ")));
    throw RecordConflict(RecordConflict::Kind::Changed, message);
}

void ProjectRecord::cancel() {
    if (m_state == State::Inactive)
        return;
    load(m_id);
}

void ProjectRecord::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

} // namespace tavo
