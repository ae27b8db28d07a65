// Numbers typed into the inputs of the project row: which are taken, under the user's locale, and
// the message for the others.

#include <QtTest>

#include "core/data/NumberFormat.h"
#include "core/projects/TypedNumber.h"

using namespace tavo;

class TestTypedNumber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void refusal_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");
        const QString area = QStringLiteral("bgFlBaulandBrutto");    // a Float column
        const QString length = QStringLiteral("ifLfmWasserleitung"); // an Integer column
        QTest::newRow("decimal comma") << "de_AT" << area << "1,5"
                                       << "";
        QTest::newRow("grouped thousands") << "de_AT" << area << "1.234,5"
                                           << "";
        QTest::newRow("decimal point") << "C" << area << "1.5"
                                       << "";
        QTest::newRow("blank empties") << "de_AT" << length << "   "
                                       << "";
        QTest::newRow("letters") << "de_AT" << area << "abc"
                                 << "'abc' ist keine gültige Zahl.";
        QTest::newRow("infinite") << "C" << area << "inf"
                                  << "'inf' ist keine gültige Zahl.";
        QTest::newRow("whole with comma") << "de_AT" << length << "3,0"
                                          << "";
        QTest::newRow("negative whole") << "C" << length << "-7"
                                        << "";
        QTest::newRow("fraction, comma") << "de_AT" << length << "3,5"
                                         << "'3,5' ist keine gültige ganze Zahl.";
        QTest::newRow("fraction, point") << "C" << length << "2.5"
                                         << "'2.5' ist keine gültige ganze Zahl.";
        QTest::newRow("fraction in a float") << "C" << area << "2.5"
                                             << "";
    }

    void refusal() {
        QFETCH(QString, locale);
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        QLocale::setDefault(NumberFormat::localeFor(QLocale(locale)));
        QCOMPARE(typedNumberRefusal(column, text), refusal);
    }

    // A pasted text of any length is named by its beginning only.
    void longTextIsShortened() {
        const QString text(5000, QLatin1Char('x'));
        const QString message = typedNumberRefusal(QStringLiteral("bgFlBaulandBrutto"), text);
        QVERIFY(message.endsWith(QStringLiteral("' ist keine gültige Zahl.")));
        QVERIFY2(message.size() < 120, qPrintable(message.left(200)));
    }
};

QTEST_GUILESS_MAIN(TestTypedNumber)
#include "test_typed_number.moc"
