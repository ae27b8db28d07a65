// The best value of a key-figure line among several projects, and the tab text of the lines.

#include <QtTest>

#include "core/results/KeyFigureText.h"

using namespace tavo;

namespace {

KeyFigureLine line(KeyFigureLine::Better better, const QVariantList& values,
                   KeyFigureLine::Kind kind = KeyFigureLine::Kind::Amount) {
    KeyFigureLine l;
    l.caption = QStringLiteral("Zeile");
    l.better = better;
    l.kind = kind;
    l.missingText = QStringLiteral("nicht erreicht");
    l.values = values;
    return l;
}

} // namespace

class TestKeyFigureText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void bestValueOfALine() {
        using B = KeyFigureLine::Better;
        QCOMPARE(KeyFigureText::best(line(B::Higher, {-5.0, 3.0, 1.0})), QList<int>{1});
        QCOMPARE(KeyFigureText::best(line(B::Lower, {-5.0, 3.0, 1.0})), QList<int>{0});
        // Ties mark every best; a missing value never wins, not even as "lowest".
        QCOMPARE(KeyFigureText::best(line(B::Higher, {7.0, 2.0, 7.0})), (QList<int>{0, 2}));
        QCOMPARE(KeyFigureText::best(line(B::Lower, {QVariant(), 12, 9})), QList<int>{2});
        // Nothing to choose: equal values, a single number, or a line without direction.
        QCOMPARE(KeyFigureText::best(line(B::Higher, {4.0, 4.0})), QList<int>{});
        QCOMPARE(KeyFigureText::best(line(B::Lower, {QVariant(), 3})), QList<int>{});
        QCOMPARE(KeyFigureText::best(line(B::None, {1.0, 2.0})), QList<int>{});
    }

    void cellsAndTabText() {
        const KeyFigureLine amount = line(KeyFigureLine::Better::None, {1234567.891, QVariant()});
        QCOMPARE(KeyFigureText::cell(amount, amount.values[0]), QStringLiteral("1.234.567,89"));
        QCOMPARE(KeyFigureText::cell(amount, amount.values[1]), QStringLiteral("nicht erreicht"));
        const QString text = KeyFigureText::tabText({QStringLiteral("Kennzahl"), QStringLiteral("P")}, {amount});
        QCOMPARE(text, QStringLiteral("Kennzahl\tP\r\nZeile\t1234567,891\t\r\n"));
    }
};

QTEST_MAIN(TestKeyFigureText)
#include "test_key_figure_text.moc"
