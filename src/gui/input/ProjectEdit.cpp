#include "gui/input/ProjectEdit.h"

#include <cmath>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QValidator>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/projects/InputCheck.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/TypedNumber.h"

namespace tavo {

namespace {

// Lets through what is or may become a number in the user's locale; refuses letters and the like.
class LocaleNumberValidator : public QValidator {
public:
    LocaleNumberValidator(bool integer, QObject* parent) : QValidator(parent), m_integer(integer) {}

    State validate(QString& input, int&) const override {
        const QString text = input.trimmed();
        if (text.isEmpty())
            return Acceptable;
        bool ok = false;
        const double value = NumberFormat::parse(text, &ok);
        if (ok)
            return (!m_integer || std::trunc(value) == value) ? Acceptable : Intermediate;
        const QLocale loc = NumberFormat::locale();
        for (const QChar c : text) {
            const bool allowed = c.isDigit() || c == loc.decimalPoint().front() ||
                                 c == loc.groupSeparator().front() || c == loc.negativeSign().front() ||
                                 c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('e') ||
                                 c == QLatin1Char('E');
            if (!allowed)
                return Invalid;
        }
        return Intermediate;
    }

private:
    bool m_integer;
};

} // namespace

ProjectEdit::ProjectEdit(ProjectRecord& record, const QString& column, bool numeric, int decimals,
                         QWidget* parent)
    : QLineEdit(parent), m_record(record), m_column(column), m_numeric(numeric), m_decimals(decimals) {
    setObjectName(QStringLiteral("db") + column);
    setToolTip(column);
    if (numeric) {
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const bool integer = ProjectRecord::isIntegerColumn(column);
        setValidator(new LocaleNumberValidator(integer, this));
    } else {
        // Names and descriptions have a maximum length, which the input check enforces on reading.
        setMaxLength(InputCheck::maxTextLength(column));
    }
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_modified = true;
        m_record.edit();
    });
    connect(&m_record, &ProjectRecord::valueChanged, this, [this](const QString& changed) {
        if (changed == m_column)
            refresh();
    });
    connect(&m_record, &ProjectRecord::reloaded, this, &ProjectEdit::refresh);
}

QString ProjectEdit::displayText(const QVariant& value, int decimals) {
    if (value.isNull() || !value.isValid())
        return QString();
    const double number = NumberFormat::toDouble(value);
    return decimals >= 0 ? NumberFormat::plainFixed(number, decimals) : NumberFormat::general(number);
}

void ProjectEdit::refresh() {
    m_modified = false;
    const QVariant value = m_record.value(m_column);
    setText(m_numeric ? displayText(value, m_decimals) : value.toString());
    setCursorPosition(0);
}

bool ProjectEdit::commit() {
    if (!m_modified || m_committing || isReadOnly())
        return true;
    m_committing = true;
    bool ok = true;
    QString message;
    if (m_numeric)
        message = typedNumberRefusal(m_column, text());
    if (message.isEmpty()) {
        try {
            m_record.setValue(m_column, text());
        } catch (const TavoError& e) {
            message = e.message();
        }
    }
    if (!message.isEmpty()) {
        ok = false;
        QMessageBox::warning(this, QStringLiteral("TAVO - Tavorechner"), message);
    }
    refresh();
    m_committing = false;
    if (ok)
        Q_EMIT committed(m_column);
    return ok;
}

void ProjectEdit::keyPressEvent(QKeyEvent* event) {
    // Enter writes the text, also an unfinished one, which then gets its message.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        commit();
    QLineEdit::keyPressEvent(event);
}

void ProjectEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Only a move to another input of the window counts as leaving; a window that is deactivated,
    // hidden or destroyed keeps the typed text for the save on closing (or drops it with the window).
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (commit())
        Q_EMIT exited(m_column);
}

} // namespace tavo
