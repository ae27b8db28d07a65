#include "core/data/NumberFormat.h"

#include <cmath>

#include "core/data/TavoError.h"

namespace tavo {

namespace NumberFormat {

QLocale localeFor(const QLocale& system) {
    // Planners in Austria expect "1.234.567,89" as on their desktops; the Austrian locale data here
    // groups thousands with a space, so German (Austria) numbers follow the German convention.
    if (system.language() == QLocale::German && system.territory() == QLocale::Austria)
        return QLocale(QLocale::German, QLocale::Germany);
    return system;
}

namespace {

// How many DocumentScope objects live on this thread.
thread_local int documentScopes = 0;

} // namespace

void install() { QLocale::setDefault(localeFor(QLocale::system())); }

QLocale locale() { return documentScopes > 0 ? documentLocale() : QLocale(); }

QLocale groupedLocale() {
    QLocale grouped = locale();
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped;
}

QLocale dateLocale() { return documentScopes > 0 ? QLocale(QLocale::German, QLocale::Austria) : QLocale(); }

QLocale documentLocale() { return localeFor(QLocale(QLocale::German, QLocale::Austria)); }

DocumentScope::DocumentScope() { ++documentScopes; }

DocumentScope::~DocumentScope() { --documentScopes; }

double parse(const QString& text, bool* ok) {
    const QString trimmed = text.trimmed();
    bool good = false;
    double value = 0.0;
    if (!trimmed.isEmpty()) {
        QLocale loc = locale();
        value = loc.toDouble(trimmed, &good);
        if (!good) {
            // Accept the text without its group separators too ("1.234,5" typed as "1234,5" works anyway).
            loc.setNumberOptions(QLocale::RejectGroupSeparator);
            value = loc.toDouble(trimmed, &good);
        }
    }
    if (good && !std::isfinite(value))
        good = false;
    if (ok)
        *ok = good;
    return good ? value : 0.0;
}

double neutral(const QString& text, bool* ok) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool good = false;
    const double value = c.toDouble(text.trimmed(), &good);
    good = good && std::isfinite(value);
    if (ok)
        *ok = good;
    return good ? value : 0.0;
}

double parseTyped(const QString& text, bool* ok) {
    bool good = false;
    double value = parse(text, &good);
    if (!good)
        value = neutral(text, &good);
    if (ok)
        *ok = good;
    return value;
}

QString excerpt(const QString& text, int maxChars) {
    if (text.size() <= maxChars)
        return text;
    return text.left(maxChars - 1) + QChar(0x2026);
}

double parseOrThrow(const QString& text, const QString& fieldCaption) {
    bool ok = false;
    const double value = parse(text, &ok);
    if (!ok)
        throw TavoError(QStringLiteral("'%1' ist keine gültige Zahl (%2).").arg(excerpt(text), fieldCaption));
    return value;
}

QString fixed(double value, int decimals) { return locale().toString(value, 'f', decimals); }

QString plainFixed(double value, int decimals) {
    QLocale loc = locale();
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'f', decimals);
}

QString general(double value) {
    QLocale loc = locale();
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'g', 15);
}

double storedNumber(const QVariant& value, bool* ok) {
    *ok = true;
    if (value.isNull() || !value.isValid())
        return 0.0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool: {
        const double number = value.toDouble();
        *ok = std::isfinite(number);
        return *ok ? number : 0.0;
    }
    case QMetaType::QString:
        break;
    default:
        *ok = false;
        return 0.0;
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return 0.0;
    // Text stored by another tool is read in one notation for everybody, never in the desktop's locale,
    // so that a result does not depend on the machine it was calculated on.
    return neutral(text, ok);
}

void throwNotANumber(const QVariant& value, const QString& field, const QString& owner) {
    throw TavoError(QStringLiteral("Der Wert „%1“ im Feld %2 (%3) ist keine Zahl.")
                        .arg(excerpt(value.toString()), field, owner));
}

double storedNumberOrThrow(const QVariant& value, const QString& field, const QString& owner) {
    bool ok = false;
    const double number = storedNumber(value, &ok);
    if (!ok)
        throwNotANumber(value, field, owner);
    return number;
}

double toDouble(const QVariant& value) {
    bool ok = false;
    const double number = storedNumber(value, &ok);
    return ok ? number : 0.0;
}

int toInt(const QVariant& value) {
    const double number = std::trunc(toDouble(value));
    return number >= -2147483648.0 && number <= 2147483647.0 ? static_cast<int>(number) : 0;
}

bool isWholeNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isFloatingNumber(const QVariant& value) {
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

} // namespace NumberFormat

} // namespace tavo
