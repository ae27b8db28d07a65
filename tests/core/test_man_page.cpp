// The manual pages' groff text: what groff would misread (a leading dot, a backslash, a hyphen that
// must stay a minus sign) is written so that the page shows the text as it was given.

#include <QtTest>

#include "core/data/ManPage.h"

using namespace tavo;

class ManPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textIsEscapedForGroff_data();
    void textIsEscapedForGroff();
};

void ManPageTest::textIsEscapedForGroff_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("groff");
    QTest::newRow("Optionen") << "mit --leer oder -h"
                              << "mit \\-\\-leer oder \\-h";
    QTest::newRow("Programmname") << "siehe tavo-cli"
                                  << "siehe tavo\\-cli";
    QTest::newRow("Bindestrich im Wort") << "PostgreSQL-Server, les- und"
                                         << "PostgreSQL-Server, les- und";
    QTest::newRow("Punkt am Zeilenanfang") << ".profile lesen"
                                           << "\\&.profile lesen";
    QTest::newRow("Apostroph am Zeilenanfang") << "'x' wählen"
                                               << "\\&'x' wählen";
    QTest::newRow("Backslash") << "C:\\TAVO"
                               << "C:\\eTAVO";
    QTest::newRow("Zeilenumbrüche") << "eins\n   zwei"
                                    << "eins zwei";
}

// Each text as the description of a page's only section: the section's body line is the text.
void ManPageTest::textIsEscapedForGroff() {
    QFETCH(QString, text);
    QFETCH(QString, groff);
    ManPage::Page page;
    page.program = QStringLiteral("prog");
    page.summary = QStringLiteral("kurz");
    page.version = QStringLiteral("1");
    page.sections << ManPage::Section{QStringLiteral("TEST"), text, {}};
    const QStringList lines = ManPage::render(page).split(QLatin1Char('\n'));
    const qsizetype heading = lines.indexOf(QStringLiteral(".SH TEST"));
    QVERIFY(heading > 0);
    QCOMPARE(lines.value(heading + 1), groff);
}

QTEST_GUILESS_MAIN(ManPageTest)
#include "test_man_page.moc"
