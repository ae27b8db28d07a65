#include "core/projects/TypedNumber.h"

#include <cmath>

#include "core/data/NumberFormat.h"
#include "core/projects/ProjectRecord.h"

namespace tavo {

QString typedNumberRefusal(const QString& column, const QString& text) {
    if (text.trimmed().isEmpty())
        return QString();
    bool parsed = false;
    const double value = NumberFormat::parse(text, &parsed);
    if (!parsed)
        return QStringLiteral("'%1' ist keine gültige Zahl.").arg(NumberFormat::excerpt(text));
    const bool integer = ProjectRecord::columnType(column) == UserSchema::ColumnType::Integer;
    if (integer && std::trunc(value) != value)
        return QStringLiteral("'%1' ist keine gültige ganze Zahl.").arg(text);
    return QString();
}

} // namespace tavo
