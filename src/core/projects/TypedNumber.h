#pragma once

#include <QString>

namespace tavo {

// Why a text typed into the input of a numeric column of the project row cannot be taken, as the
// German message the input shows; empty when it can. A blank text is taken (it empties the column).
// Numbers are read in the user's locale (NumberFormat::parse); an Integer column takes whole numbers
// only.
QString typedNumberRefusal(const QString& column, const QString& text);

} // namespace tavo
