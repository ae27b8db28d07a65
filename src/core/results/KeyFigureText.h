#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/results/KeyFigures.h"

namespace tavo {

// The key-figure lines as people read them: one cell as text, the best value of a line among
// several projects, and the lines as tab-separated text for the clipboard.
namespace KeyFigureText {

// One value of a line as shown on screen and paper: amounts with two decimals and thousands
// separators, quantities with one decimal, rates in the general format, a NULL value as the line's
// missingText ("nicht erreicht", "–").
QString cell(const KeyFigureLine& line, const QVariant& value);

// The indexes (into line.values) holding the line's best value: the highest or lowest number,
// every one of them on ties. Empty for lines without a better direction, when fewer than two values
// are numbers, or when all numbers are equal (nothing to choose between).
QList<int> best(const KeyFigureLine& line);

// The lines as tab-separated text: the header cells, then one line per figure with its caption and
// values; numbers in the general format without thousands separators (so a spreadsheet reads them
// as numbers), NULL values empty, every line ended by CR LF.
QString tabText(const QStringList& header, const QList<KeyFigureLine>& lines);

// The lines of the sections wanted, in their order.
QList<KeyFigureLine> sections(const QList<KeyFigureLine>& lines, const QList<KeyFigureLine::Section>& wanted);

} // namespace KeyFigureText

} // namespace tavo
