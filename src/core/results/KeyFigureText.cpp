#include "core/results/KeyFigureText.h"

#include "core/data/NumberFormat.h"

namespace tavo {

namespace KeyFigureText {

QString cell(const KeyFigureLine& line, const QVariant& value) {
    if (value.isNull())
        return line.missingText;
    switch (line.kind) {
    case KeyFigureLine::Kind::Text:
        return value.toString();
    case KeyFigureLine::Kind::Integer:
        return QString::number(value.toInt());
    case KeyFigureLine::Kind::Amount:
        return NumberFormat::money(value.toDouble());
    case KeyFigureLine::Kind::Quantity:
        return NumberFormat::fixed(value.toDouble(), 1);
    case KeyFigureLine::Kind::Rate:
        return NumberFormat::general(value.toDouble());
    }
    return value.toString();
}

QList<int> best(const KeyFigureLine& line) {
    if (line.better == KeyFigureLine::Better::None)
        return {};
    const bool higher = line.better == KeyFigureLine::Better::Higher;
    QList<int> numbers;
    for (int i = 0; i < line.values.size(); ++i)
        if (!line.values[i].isNull())
            numbers << i;
    if (numbers.size() < 2)
        return {};
    double bestValue = line.values[numbers.first()].toDouble();
    double worstValue = bestValue;
    for (int i : numbers) {
        const double v = line.values[i].toDouble();
        bestValue = higher ? qMax(bestValue, v) : qMin(bestValue, v);
        worstValue = higher ? qMin(worstValue, v) : qMax(worstValue, v);
    }
    if (bestValue == worstValue)
        return {};
    QList<int> result;
    for (int i : numbers)
        if (line.values[i].toDouble() == bestValue)
            result << i;
    return result;
}

QString tabText(const QStringList& header, const QList<KeyFigureLine>& lines) {
    const QString end = QStringLiteral("\r\n");
    QString text = header.join(QLatin1Char('\t')) + end;
    for (const KeyFigureLine& line : lines) {
        QStringList cells{line.caption};
        for (const QVariant& value : line.values) {
            if (value.isNull())
                cells << QString();
            else if (line.kind == KeyFigureLine::Kind::Text)
                cells << value.toString();
            else
                cells << NumberFormat::general(value.toDouble());
        }
        text += cells.join(QLatin1Char('\t')) + end;
    }
    return text;
}

QList<KeyFigureLine> sections(const QList<KeyFigureLine>& lines, const QList<KeyFigureLine::Section>& wanted) {
    QList<KeyFigureLine> result;
    for (const KeyFigureLine& line : lines)
        if (wanted.contains(line.section))
            result << line;
    return result;
}

} // namespace KeyFigureText

} // namespace tavo
