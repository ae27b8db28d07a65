#include "report/CouncilReport.h"

#include <cmath>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include "core/data/NumberFormat.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "report/Disclaimer.h"
#include "report/PlanningCharts.h"
#include "report/ReportCharts.h"
#include "report/ReportHtml.h"
#include "report/ReportPlan.h"

namespace tavo {

namespace {

// The report is laid out in the text document's own units (pixels at the screen's logical
// resolution, as fonts in points are measured there) and scaled onto the device when painted.
double layoutDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return std::round(screen->logicalDotsPerInchY());
    return 100;
}

struct PageGeometry {
    double width;
    double height;
    double margin;
    double bottomMargin;
};

PageGeometry a4Geometry() {
    const double dpi = layoutDpi();
    const double mm = dpi / 25.4;
    return {210 * mm, 297 * mm, 20 * mm, 22 * mm};
}

// The head of every page of a report from outdated results: a red line above the text.
void paintOutdatedHeader(QPainter& painter, const QFont& font) {
    const PageGeometry g = a4Geometry();
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(QColor(192, 0, 0));
    const QRectF head(g.margin, g.margin * 0.35, g.width - 2 * g.margin, g.margin * 0.45);
    painter.drawText(head, Qt::AlignLeft | Qt::AlignBottom,
                     QStringLiteral("Ergebnisse veraltet: Eingaben seit der letzten Berechnung geändert"));
    painter.setPen(QPen(QColor(192, 0, 0), 0.6));
    painter.drawLine(QPointF(g.margin, g.margin * 0.82), QPointF(g.width - g.margin, g.margin * 0.82));
}

// A table of fewer rows than this is never split over two pages.
constexpr int kSmallTable = 10;

int pageOf(double y, double pageHeight) {
    return static_cast<int>(std::floor(y / pageHeight));
}

// Starts a new page before the heading and notes its text; false when it already does or already
// stands at a page top.
bool breakBefore(QTextBlock block, double pageHeight, QStringList& moved) {
    QTextBlockFormat format = block.blockFormat();
    if (format.headingLevel() < 1 || format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        return false;
    const double top = block.document()->documentLayout()->blockBoundingRect(block).top();
    if (top - pageOf(top, pageHeight) * pageHeight < a4Geometry().margin * 1.5)
        return false;
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(block).setBlockFormat(format);
    moved << block.text().trimmed();
    return true;
}

// A heading whose following text or table starts only on the next page: the heading moves there.
bool moveLonelyHeading(QTextDocument& document, double pageHeight, QStringList& moved) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlock next = block.next();
        if (block.blockFormat().headingLevel() < 1 || !next.isValid())
            continue;
        const double headingTop = layout->blockBoundingRect(block).top();
        const QRectF nextRect = layout->blockBoundingRect(next);
        const double firstLine = next.layout() && next.layout()->lineCount() > 0
                                     ? next.layout()->lineAt(0).height()
                                     : nextRect.height();
        if (pageOf(headingTop, pageHeight) != pageOf(nextRect.top() + firstLine - 1, pageHeight) &&
            breakBefore(block, pageHeight, moved))
            return true;
    }
    return false;
}

// A small table split over two pages moves to the next page with the heading and the short text
// just above it.
bool moveSplitTable(QTextDocument& document, double pageHeight, QStringList& moved) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table || table->rows() >= kSmallTable)
            continue;
        const QRectF rect = layout->frameBoundingRect(table);
        if (pageOf(rect.top(), pageHeight) == pageOf(rect.bottom() - 1, pageHeight))
            continue;
        // The heading up to three blocks above goes along with the table.
        QTextBlock candidate = document.findBlock(table->firstPosition()).previous();
        for (int i = 0; i < 3 && candidate.isValid(); ++i, candidate = candidate.previous())
            if (candidate.blockFormat().headingLevel() > 0) {
                if (breakBefore(candidate, pageHeight, moved))
                    return true;
                break;
            }
    }
    return false;
}

// Moves headings (with a small table below them) to the next page until none stands alone at a
// page foot and no small table is split; returns the texts of the headings moved.
QStringList keepTogether(QTextDocument& document) {
    const double pageHeight = document.pageSize().height();
    QStringList moved;
    for (int moves = 0; moves < 40; ++moves)
        if (!moveLonelyHeading(document, pageHeight, moved) && !moveSplitTable(document, pageHeight, moved))
            break;
    return moved;
}

} // namespace

CouncilReport::CouncilReport(ReportData data, const QDate& date) : m_data(std::move(data)), m_date(date) {}

CouncilReport::~CouncilReport() = default;

QString CouncilReport::title() const {
    const QString name =
        m_data.projekt.isEmpty() ? QStringLiteral("Projekt %1").arg(m_data.projectId) : m_data.projekt;
    return QStringLiteral("Bericht: %1").arg(name);
}

std::unique_ptr<QTextDocument> CouncilReport::buildDocument(const QList<Entry>& contents) const {
    auto document = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("DejaVu Sans"), 9);
    font.setStyleHint(QFont::SansSerif);
    document->setDefaultFont(font);
    const PageGeometry g = a4Geometry();
    document->setPageSize(QSizeF(g.width, g.height));
    ReportHtml::Contents list;
    for (const Entry& e : contents)
        list << ReportHtml::ContentsLine{e.heading, e.page};
    const double textWidth = g.width - 2 * g.margin;
    // Lines break between words only: a number or a word is never split, and a table column is
    // as wide as its widest value.
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    document->setDefaultTextOption(option);
    document->setHtml(ReportHtml::document(m_data, m_date, list, textWidth, m_pageBreaks));
    // The margins of the root frame are those of every page (setHtml resets them).
    QTextFrameFormat root = document->rootFrame()->frameFormat();
    root.setMargin(0);
    root.setPadding(0);
    root.setLeftMargin(g.margin);
    root.setRightMargin(g.margin);
    root.setTopMargin(g.margin);
    root.setBottomMargin(g.bottomMargin);
    document->rootFrame()->setFrameFormat(root);
    const QSize chartSize(1600, 640);
    document->addResource(QTextDocument::ImageResource, QUrl(ReportHtml::cumulativeChartUrl()),
                          ReportCharts::cumulativeBalance({m_data.municipality}, {title()}, chartSize));
    document->addResource(QTextDocument::ImageResource, QUrl(ReportHtml::typeChartUrl()),
                          ReportCharts::balanceByType(m_data.municipality, QSize(1600, 560)));
    if (m_data.scenarios) {
        const ScenarioComparison& s = *m_data.scenarios;
        document->addResource(
            QTextDocument::ImageResource, QUrl(ReportHtml::bandChartUrl()),
            ReportCharts::cumulativeBalance(
                {s.basis, s.optimistic, s.pessimistic},
                {QStringLiteral("Basis"), QStringLiteral("optimistisch"), QStringLiteral("pessimistisch")},
                chartSize, &s.range.kumuliert));
    }
    if (m_data.tornado)
        document->addResource(QTextDocument::ImageResource, QUrl(ReportHtml::tornadoChartUrl()),
                              ReportCharts::tornado(*m_data.tornado, QSize(1600, 720)));
    if (m_data.municipalityOverview)
        document->addResource(
            QTextDocument::ImageResource, QUrl(ReportHtml::municipalityChartUrl()),
            ReportCharts::municipalityOverview(*m_data.municipalityOverview, QSize(1600, 720)));
    if (!m_data.plan.file.isEmpty())
        document->addResource(QTextDocument::ImageResource, QUrl(ReportPlan::imageUrl()),
                              ReportPlan::image(m_data));
    document->documentLayout(); // lays the text out now, with the pictures in place
    return document;
}

std::unique_ptr<QTextDocument> CouncilReport::layOut(const QList<Entry>& contents) {
    std::unique_ptr<QTextDocument> document = buildDocument(contents);
    // The layout of a document changed after it was made is painted incompletely: the headings
    // found to need a new page are made to start one in a new document.
    for (int round = 0; round < 3; ++round) {
        const QStringList moved = keepTogether(*document);
        if (moved.isEmpty())
            break;
        m_pageBreaks << moved;
        document = buildDocument(contents);
    }
    return document;
}

QList<CouncilReport::Entry> CouncilReport::findHeadings(QTextDocument& document) const {
    QList<Entry> entries;
    const double pageHeight = document.pageSize().height();
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 2)
            continue;
        const double top = layout->blockBoundingRect(block).top();
        Entry e;
        e.heading = (level == 2 ? QStringLiteral("    ") : QString()) + block.text().trimmed();
        e.page = static_cast<int>(std::floor(top / pageHeight)) + 1;
        entries << e;
    }
    return entries;
}

int CouncilReport::render(QPagedPaintDevice& device) {
    // A council document reads the same on every desktop: numbers and dates in Austrian German.
    const NumberFormat::DocumentScope documentFormat;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    // The contents list needs the page numbers of the headings, which it shifts itself; a second
    // layout with the numbers of the first settles them (the list keeps its length).
    m_pageBreaks.clear();
    std::unique_ptr<QTextDocument> document = layOut({});
    m_contents = findHeadings(*document);
    for (int pass = 0; pass < 2; ++pass) {
        document = layOut(m_contents);
        const QList<Entry> found = findHeadings(*document);
        bool same = found.size() == m_contents.size();
        for (int i = 0; same && i < found.size(); ++i)
            same = found[i].page == m_contents[i].page;
        m_contents = found;
        if (same)
            break;
    }

    const PageGeometry g = a4Geometry();
    const int pages = document->pageCount();
    const double scale = device.width() / g.width;
    QPainter painter;
    if (!painter.begin(&device))
        throw TavoError(
            QStringLiteral("Der Bericht kann nicht ausgegeben werden: das Ausgabegerät nimmt ihn nicht an."));
    QFont footerFont(QStringLiteral("DejaVu Sans"));
    footerFont.setStyleHint(QFont::SansSerif);
    footerFont.setPixelSize(qRound(7.5 * layoutDpi() / 72));
    const QString footerTitle = QStringLiteral("TAVO – %1").arg(title());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        painter.save();
        painter.scale(scale, scale);
        painter.save();
        const QRectF pageRect(0, page * g.height, g.width, g.height);
        painter.translate(0, -page * g.height);
        painter.setClipRect(pageRect);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = pageRect;
        document->documentLayout()->draw(&painter, context);
        painter.restore();
        // The foot of the page: a rule, the title on the left, the page on the right.
        const double y = g.height - g.bottomMargin * 0.62;
        painter.setPen(QPen(QColor(120, 120, 120), 0.6));
        painter.drawLine(QPointF(g.margin, y), QPointF(g.width - g.margin, y));
        painter.setFont(footerFont);
        painter.setPen(QColor(60, 60, 60));
        const QRectF foot(g.margin, y + 2, g.width - 2 * g.margin, g.bottomMargin * 0.4);
        painter.drawText(foot, Qt::AlignLeft | Qt::AlignTop, footerTitle);
        painter.drawText(foot, Qt::AlignRight | Qt::AlignTop,
                         QStringLiteral("Seite %1 von %2").arg(page + 1).arg(pages));
        // Below them, where the master data come from.
        painter.drawText(foot.translated(0, QFontMetricsF(footerFont).height()), Qt::AlignLeft | Qt::AlignTop,
                         m_data.herkunft.line());
        if (m_data.outdated)
            paintOutdatedHeader(painter, footerFont);
        painter.restore();
    }
    if (!painter.end())
        throw TavoError(QStringLiteral("Der Bericht konnte nicht fertig ausgegeben werden."));
    return pages;
}

int CouncilReport::writePdf(const QString& fileName) {
    // The document is made in memory and written in one piece: a failure keeps the previous file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    int pages = 0;
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title());
        writer.setCreator(QStringLiteral("TAVO - Tavorechner %1").arg(QStringLiteral(TAVO_VERSION)));
        writer.setResolution(600);
        pages = render(writer);
    }
    if (bytes.isEmpty())
        throw TavoError(QStringLiteral("Der Bericht für „%1“ konnte nicht erzeugt werden.")
                            .arg(QDir::toNativeSeparators(fileName)));
    OutputFile::write(fileName, bytes);
    return pages;
}

} // namespace tavo
