// The generated manual: every entry of its contents names the page its chapter starts on, and the
// windows' pictures of "Erste Schritte" are in it at the size they were grabbed.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString manualPath() {
    return QFileInfo(QStringLiteral(TAVO_TEST_MASTER)).dir().filePath(QStringLiteral("TAVO_Handbuch.pdf"));
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class ManualTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void contentsPointAtTheirPages() {
        // Ligatures ("ﬁ") read as their plain letters.
        const QString text =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), manualPath(), QStringLiteral("-")})
                .normalized(QString::NormalizationForm_KC);
        QVERIFY2(!text.isEmpty(), qPrintable(manualPath()));
        const QStringList pages = text.split(QLatin1Char('\f'));
        // The contents: from the line "Inhalt" to the first chapter heading after it, entries as
        // "<title>   <page>".
        const QRegularExpression entry(QStringLiteral("^\\s*(\\S.*?)\\s{2,}(\\d+)\\s*$"));
        QList<QPair<QString, int>> entries;
        bool inContents = false;
        for (int p = 0; p < 3 && p < pages.size(); ++p) {
            for (const QString& line : pages[p].split(QLatin1Char('\n'))) {
                if (line.trimmed() == QStringLiteral("Inhalt"))
                    inContents = true;
                const QRegularExpressionMatch m = entry.match(line);
                if (inContents && m.hasMatch())
                    entries.append({m.captured(1), m.captured(2).toInt()});
            }
        }
        QVERIFY2(entries.size() >= 20, qPrintable(QString::number(entries.size())));
        QStringList titles;
        int previous = 1;
        for (const auto& [title, page] : entries) {
            titles << title;
            QVERIFY2(page >= previous && page <= pages.size(), qPrintable(title));
            previous = page;
            // A line of that page begins with the heading (a long one wraps onto a second line).
            const QStringList lines = pages[page - 1].split(QLatin1Char('\n'));
            bool found = false;
            for (const QString& line : lines)
                found = found || (!line.trimmed().isEmpty() && title.startsWith(line.trimmed()) &&
                                  line.trimmed().size() >= qMin(title.size(), 12));
            QVERIFY2(found, qPrintable(QStringLiteral("%1 nicht auf Seite %2").arg(title).arg(page)));
        }
        for (const char* chapter :
             {"Installation", "Erste Schritte", "Glossar", "11. Meldungen und was sie bedeuten"})
            QVERIFY2(titles.contains(QString::fromUtf8(chapter)), chapter);
    }

    void screenshotsAreIn() {
        // pdfimages lists one line per picture: page, number, type, width, height, ...
        const QString list = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), manualPath()});
        int windows = 0;
        for (const QString& line : list.split(QLatin1Char('\n'))) {
            const QStringList cells = line.simplified().split(QLatin1Char(' '));
            // The main window is grabbed at its size on a 1280 x 800 screen.
            if (cells.size() > 4 && cells[2] == QStringLiteral("image") && cells[3].toInt() >= 1200 &&
                cells[4].toInt() >= 700)
                ++windows;
        }
        QCOMPARE(windows, 4); // an input page, the two result pages and the key figures
    }
};

QTEST_MAIN(ManualTest)
#include "test_manual.moc"
