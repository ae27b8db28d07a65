// Renders the user manual from its Markdown source into TAVO_Handbuch.pdf:
//   tavo-mkmanual <handbuch.md> <TAVO_Handbuch.pdf>
// Runs at build time with the offscreen platform; the text layout and page numbers come from
// QTextDocument, the PDF from QPdfWriter.

#include <cstdio>

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
#include <QTextTable>
#include <QTextTableFormat>
#include <QUrl>

namespace {

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
        format.setBorder(0.5);
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

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: tavo-mkmanual <handbuch.md> <TAVO_Handbuch.pdf>\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Die Quelle des Handbuchs kann nicht gelesen werden: %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    font.setStyleHint(QFont::SansSerif);
    document.setDefaultFont(font);
    // Pictures are named relative to the Markdown file.
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source.fileName()).absolutePath() + QLatin1Char('/')));
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    styleTables(document);
    styleBlocks(document);

    const QString target = QString::fromLocal8Bit(argv[2]);
    QPdfWriter writer(target);
    writer.setTitle(QStringLiteral("TAVO - Tavorechner: Handbuch"));
    writer.setCreator(QStringLiteral("TAVO"));
    writer.setResolution(300);
    // QTextDocument::print adds a margin of its own and the page numbers; the page adds a little more.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(8, 6, 8, 6),
                                     QPageLayout::Millimeter));
    // print() lays the text out on the page; the pictures are fitted to that text width first.
    const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
    fitImages(document, page.width() * 0.75);
    document.print(&writer);
    if (!QFileInfo(target).isFile() || QFileInfo(target).size() == 0) {
        std::fprintf(stderr, "Das Handbuch konnte nicht geschrieben werden: %s\n", argv[2]);
        return 1;
    }
    return 0;
}
