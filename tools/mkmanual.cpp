// Renders the user manual from its Markdown source into TAVO_Handbuch.pdf:
//   tavo-mkmanual <handbuch.md> <TAVO_Handbuch.pdf> [<picture folder>]
// Runs at build time with the offscreen platform; the text layout and page numbers come from
// QTextDocument, the PDF from QPdfWriter. Pictures are looked up beside the Markdown file, then in
// the picture folder (where the build puts the screenshots of the windows). The section "Inhalt"
// receives the contents: every chapter and section with the page it starts on.

#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QTextTableFormat>
#include <QUrl>

namespace {

const char* const kContentsHeading = "Inhalt";

// A document whose pictures come from beside the Markdown file or, failing that, from one more folder.
class ManualDocument : public QTextDocument {
public:
    explicit ManualDocument(QString pictureFolder) : m_pictureFolder(std::move(pictureFolder)) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        QVariant found = QTextDocument::loadResource(type, name);
        if (!found.isNull() || type != QTextDocument::ImageResource || m_pictureFolder.isEmpty())
            return found;
        QImage picture(QDir(m_pictureFolder).filePath(QFileInfo(name.path()).fileName()));
        return picture.isNull() ? QVariant() : QVariant(picture);
    }

private:
    QString m_pictureFolder;
};

// The chapters and sections of the manual, in order, as the contents list them.
struct Entry {
    int level;
    QString title;
};

QList<Entry> headings(const QString& markdown) {
    QList<Entry> entries;
    bool inCode = false;
    bool first = true;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```")))
            inCode = !inCode;
        if (inCode)
            continue;
        const int level = line.startsWith(QLatin1String("## "))  ? 2
                          : line.startsWith(QLatin1String("# ")) ? 1
                                                                 : 0;
        if (level == 0)
            continue;
        const QString title = line.mid(level + 1).trimmed();
        // The title of the manual and the contents themselves are no entries.
        if (std::exchange(first, false) && level == 1)
            continue;
        if (title != QLatin1String(kContentsHeading))
            entries << Entry{level, title};
    }
    return entries;
}

// The Markdown with a table of the entries and their pages right below the heading "Inhalt".
QString withContents(const QString& markdown, const QList<Entry>& entries, const QList<int>& pages) {
    QStringList table{QStringLiteral("| Kapitel | Seite |"), QStringLiteral("|---|--:|")};
    for (int i = 0; i < entries.size(); ++i) {
        const QString title = entries[i].level == 1 ? QStringLiteral("**%1**").arg(entries[i].title)
                                                    : QStringLiteral("\u2003") + entries[i].title;
        table << QStringLiteral("| %1 | %2 |")
                     .arg(title, pages.value(i) > 0 ? QString::number(pages[i]) : QStringLiteral("00"));
    }
    QStringList lines = markdown.split(QLatin1Char('\n'));
    const int at = lines.indexOf(QStringLiteral("## ") + QLatin1String(kContentsHeading));
    if (at < 0)
        return markdown;
    // Whatever stood under the heading up to the next one is replaced by the table.
    int end = at + 1;
    while (end < lines.size() && !lines[end].startsWith(QLatin1Char('#')))
        ++end;
    lines.erase(lines.begin() + at + 1, lines.begin() + end);
    table.prepend(QString());
    table << QString();
    for (int i = table.size() - 1; i >= 0; --i)
        lines.insert(at + 1, table[i]);
    return lines.join(QLatin1Char('\n'));
}

// Gives every table a thin grid and some room in its cells, so that the value tables read well.
void styleTables(QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextTable* table = cursor.currentTable();
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        if (format.border() > 0)
            continue; // already styled
        // The contents read as a list: no grid, the page numbers at the right margin.
        const bool contents =
            table->cellAt(0, 0).firstCursorPosition().block().text() == QStringLiteral("Kapitel");
        format.setBorder(contents ? 0 : 0.5);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(QColor(150, 150, 150));
        format.setCellPadding(3);
        format.setCellSpacing(0);
        format.setBorderCollapse(true);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table->setFormat(format);
    }
}

// Spaces out headings and paragraphs a little more than the Markdown import does.
void styleBlocks(QTextDocument& document) {
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() > 0) {
            format.setTopMargin(format.headingLevel() == 1 ? 18 : 12);
            format.setBottomMargin(6);
            cursor.setBlockFormat(format);
        } else if (!cursor.currentTable() && !block.textList()) {
            format.setBottomMargin(5);
            cursor.setBlockFormat(format);
        }
    }
}

// Loads the screenshots and scales them down to the width of the text, keeping their proportions.
void fitImages(QTextDocument& document, double maxWidth) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QImage picture =
                document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull())
                continue;
            // Kept as a resource of the document, so the copy that print() lays out has it too.
            document.addResource(QTextDocument::ImageResource, QUrl(image.name()), picture);
            if (picture.width() <= maxWidth)
                continue;
            image.setWidth(maxWidth);
            image.setHeight(maxWidth * picture.height() / picture.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
}

// The page each entry starts on, as QTextDocument::print lays the document out on the writer: the
// same device, the page of the writer's size, the two centimetre margins print() adds.
QList<int> pagesOf(const QTextDocument& document, QPdfWriter& writer, const QList<Entry>& entries) {
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(&writer);
    const qreal dpi = 96; // print() takes the margins in the screen's resolution
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    const int margin = int((2 / 2.54) * dpi);
    frame.setMargin(margin);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page(writer.width(), writer.height());
    copy->setPageSize(page);
    QList<int> pages;
    int next = 0;
    bool first = true;
    for (QTextBlock block = copy->begin(); block.isValid() && next < entries.size(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 2)
            continue;
        if (std::exchange(first, false) && level == 1)
            continue;
        if (block.text().trimmed() != entries[next].title.trimmed())
            continue;
        // Lines, not blocks, move to the next page: a heading at the foot of a page keeps its
        // block on that page while its text starts on the next one.
        copy->documentLayout()->blockBoundingRect(block); // lays the block out
        const QTextLayout* lines = block.layout();
        const qreal top = lines->position().y() + (lines->lineCount() > 0 ? lines->lineAt(0).y() : 0);
        pages << int(std::floor((top + 1) / page.height())) + 1;
        ++next;
    }
    return pages;
}

void build(QTextDocument& document, const QString& markdown) {
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    styleTables(document);
    styleBlocks(document);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "Aufruf: tavo-mkmanual <handbuch.md> <TAVO_Handbuch.pdf> [<Bilderordner>]\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Die Quelle des Handbuchs kann nicht gelesen werden: %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    ManualDocument document(argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    font.setStyleHint(QFont::SansSerif);
    document.setDefaultFont(font);
    // Pictures are named relative to the Markdown file.
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source.fileName()).absolutePath() + QLatin1Char('/')));

    const QString target = QString::fromLocal8Bit(argv[2]);
    QPdfWriter writer(target);
    writer.setTitle(QStringLiteral("TAVO - Tavorechner: Handbuch"));
    writer.setCreator(QStringLiteral("TAVO"));
    writer.setResolution(300);
    // QTextDocument::print adds a margin of its own and the page numbers; the page adds a little more.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(8, 6, 8, 6),
                                     QPageLayout::Millimeter));
    const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();

    // The contents' page numbers depend on the layout and the contents take room themselves, so the
    // numbers are written until they stay the same (the table keeps its size, only digits change).
    const QList<Entry> entries = headings(markdown);
    QList<int> pages;
    for (int round = 0; round < 4; ++round) {
        build(document, withContents(markdown, entries, pages));
        // print() lays the text out on the page; the pictures are fitted to that text width first.
        fitImages(document, page.width() * 0.75);
        const QList<int> found = pagesOf(document, writer, entries);
        if (found == pages)
            break;
        pages = found;
    }
    document.print(&writer);
    if (!QFileInfo(target).isFile() || QFileInfo(target).size() == 0) {
        std::fprintf(stderr, "Das Handbuch konnte nicht geschrieben werden: %s\n", argv[2]);
        return 1;
    }
    return 0;
}
