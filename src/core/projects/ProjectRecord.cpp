#include "core/projects/ProjectRecord.h"

#include <cmath>

#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"

namespace {

const QHash<QString, UserSchema::ColumnType>& typesByColumn() {
    static const QHash<QString, UserSchema::ColumnType> types = [] {
        QHash<QString, UserSchema::ColumnType> map;
        for (const UserSchema::Column& c : UserSchema::projectColumns())
            map.insert(QString::fromUtf8(c.name), c.type);
        return map;
    }();
    return types;
}

// A number given as text: the user's locale first, then the locale-neutral form of the value lists.
double numberFromText(const QString& column, const QString& text) {
    bool ok = false;
    double number = NumberFormat::parse(text, &ok);
    if (!ok)
        number = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        throw TavoError(QStringLiteral("'%1' ist kein gültiger Wert für %2.").arg(text, column));
    return number;
}

} // namespace

ProjectRecord::ProjectRecord(QSqlDatabase userDb, QObject* parent) : QObject(parent), m_db(userDb) {}

UserSchema::ColumnType ProjectRecord::columnType(const QString& column) {
    return typesByColumn().value(column, UserSchema::ColumnType::Text);
}

bool ProjectRecord::isProjectColumn(const QString& column) {
    return typesByColumn().contains(column);
}

void ProjectRecord::load(int id) {
    m_values.clear();
    m_dirty.clear();
    m_id = id;
    QSqlQuery query = Sql::exec(m_db, QStringLiteral("SELECT * FROM TAVO WHERE ID = ?"), {id});
    State state = State::Inactive;
    if (query.next()) {
        const QSqlRecord rec = query.record();
        for (int i = 0; i < rec.count(); ++i)
            m_values.insert(rec.fieldName(i), rec.value(i));
        state = State::Browse;
    }
    m_state = state;
    Q_EMIT reloaded();
    Q_EMIT stateChanged(m_state);
}

bool ProjectRecord::edit() {
    if (m_state == State::Inactive)
        return false;
    setState(State::Edit);
    return true;
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

void ProjectRecord::post() {
    if (m_state != State::Edit)
        return;
    if (!m_dirty.isEmpty()) {
        QStringList assignments;
        QVariantList params;
        for (const QString& column : m_dirty) {
            assignments << Sql::quoted(column) + QStringLiteral(" = ?");
            params << m_values.value(column);
        }
        params << m_id;
        Sql::exec(
            m_db,
            QStringLiteral("UPDATE TAVO SET %1 WHERE ID = ?").arg(assignments.join(QStringLiteral(", "))),
            params);
        m_dirty.clear();
    }
    setState(State::Browse);
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
