#include "gui/print/TablePrinter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"

namespace tavo {

// Page geometry in device pixels of the printer. The table is laid out unscaled (column widths from
// screen pixels at 96 dpi) and painted with `scale` applied, so fitting to the page width shrinks or
// widens columns, fonts and row heights alike.
struct TablePrinter::Geometry {
    double pageWidth = 0;
    double pageHeight = 0;
    double unit = 1;  // device pixels per screen pixel
    double scale = 1; // table scale (fit to page width)
    double headerHeight = 0;
    double footerTop = 0;
    double tableTop = 0;
    double tableBottom = 0;
    double beforeGridHeight = 0;
    double rowHeight = 0;  // unscaled
    double padding = 0;    // unscaled
    QList<double> columnX; // unscaled, left edges
    QList<double> columnWidth;
};

TablePrinter::TablePrinter(PrintTable table, PrintOptions options)
    : m_table(std::move(table)), m_options(std::move(options)), m_now(QDateTime::currentDateTime()) {
    if (m_table.model) {
        while (m_table.model->canFetchMore(QModelIndex()))
            m_table.model->fetchMore(QModelIndex());
    }
}

QString TablePrinter::cellText(const PrintColumn& column, const QVariant& value) {
    if (column.formatter)
        return column.formatter(value);
    if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
        return QString();
    switch (column.format) {
    case CellFormat::Money:
        return NumberFormat::money(NumberFormat::toDouble(value));
    case CellFormat::OneDecimal:
        return NumberFormat::fixed(NumberFormat::toDouble(value), 1);
    case CellFormat::Plain:
        break;
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return NumberFormat::general(value.toDouble());
    return value.toString();
}

QString TablePrinter::expandMacros(const QString& text, int page, int pages, const QDateTime& now) {
    const QLocale locale = NumberFormat::dateLocale();
    QString result = text;
    result.replace(QLatin1String("&[Pages]"), QString::number(pages), Qt::CaseInsensitive);
    result.replace(QLatin1String("&[Page]"), QString::number(page), Qt::CaseInsensitive);
    result.replace(QLatin1String("&[ShortDate]"), locale.toString(now.date(), QLocale::ShortFormat),
                   Qt::CaseInsensitive);
    result.replace(QLatin1String("&[LongDate]"), locale.toString(now.date(), QLocale::LongFormat),
                   Qt::CaseInsensitive);
    result.replace(QLatin1String("&[Date]"), locale.toString(now.date(), QLocale::ShortFormat),
                   Qt::CaseInsensitive);
    result.replace(QLatin1String("&[Time]"), locale.toString(now.time(), QLocale::ShortFormat),
                   Qt::CaseInsensitive);
    return result;
}

QStringList TablePrinter::projectHeading(const QString& id, const QString& pg, const QString& pgName,
                                         const QString& description) {
    return {QString(), id, pg + QLatin1Char(' ') + pgName, description, QString()};
}

int TablePrinter::tableWidth() const {
    int width = 0;
    for (const PrintColumn& column : m_table.columns)
        width += column.width;
    return width;
}

TablePrinter::Geometry TablePrinter::measure(QPrinter* printer) const {
    Geometry g;
    g.pageWidth = printer->width();
    g.pageHeight = printer->height();
    g.unit = printer->resolution() / 96.0;
    const double gap = 3.0 / 25.4 * printer->resolution(); // 3 mm between page texts and table
    g.headerHeight = QFontMetricsF(m_options.header.font, printer).height();
    const double footerLine = QFontMetricsF(m_options.footer.font, printer).height();
    g.footerTop = g.pageHeight - footerLine * (m_options.footer.note.isEmpty() ? 1 : 2);
    g.tableTop = g.headerHeight + gap;
    g.tableBottom = g.footerTop - gap;

    const double natural = tableWidth() * g.unit;
    if (m_options.fitToPageWidth && natural > 0)
        g.scale = g.pageWidth / natural;

    const QFontMetricsF cells(m_table.tableFont, printer);
    g.padding = 3 * g.unit;
    g.rowHeight = cells.height() + 2 * g.padding;
    double x = 0;
    for (const PrintColumn& column : m_table.columns) {
        g.columnX << x;
        g.columnWidth << column.width * g.unit;
        x += column.width * g.unit;
    }

    const QFontMetricsF heading(m_table.beforeGridFont, printer);
    for (const QString& paragraph : m_table.beforeGrid) {
        const QRectF bounds(0, 0, g.pageWidth, 1e6);
        g.beforeGridHeight +=
            paragraph.isEmpty()
                ? heading.height()
                : heading.boundingRect(bounds, Qt::AlignHCenter | Qt::TextWordWrap, paragraph).height();
    }
    return g;
}

QList<TablePrinter::Page> TablePrinter::paginate(const Geometry& g) const {
    const int rows = m_table.model ? m_table.model->rowCount() : 0;
    const double row = g.rowHeight * g.scale;
    const bool footer = !m_table.footer.isEmpty();
    QList<Page> pages;
    int next = 0;
    do {
        Page page;
        page.firstRow = next;
        page.withBeforeGrid = pages.isEmpty();
        double space = g.tableBottom - g.tableTop - row; // the title row is on every page
        if (page.withBeforeGrid)
            space -= g.beforeGridHeight;
        // At least one row per page, so that a tiny page cannot stall the printout.
        const int fit = std::max(1, static_cast<int>(std::floor(space / row)));
        page.rowCount = std::min(fit, rows - next);
        next += page.rowCount;
        if (next >= rows && footer && (page.rowCount < fit || rows == 0))
            page.withFooterRow = true;
        pages << page;
    } while (next < rows || (footer && !pages.last().withFooterRow));
    return pages;
}

int TablePrinter::pageCount(QPrinter* printer) const {
    return paginate(measure(printer)).size();
}

QString TablePrinter::documentNumberText(const QString& shown) {
    bool number = false;
    const double value = NumberFormat::parse(shown, &number);
    if (!number)
        return shown;
    const QLocale user = NumberFormat::locale();
    const QString text = shown.trimmed();
    const int point = static_cast<int>(text.lastIndexOf(user.decimalPoint()));
    const int decimals = point < 0 ? 0 : static_cast<int>(text.size()) - point - 1;
    const bool grouped = text.contains(user.groupSeparator());
    const NumberFormat::DocumentScope documentFormat;
    return grouped ? NumberFormat::fixed(value, decimals) : NumberFormat::plainFixed(value, decimals);
}

int TablePrinter::print(QPrinter* printer) {
    // The footer cells come as the grid shows them, in the user's locale.
    for (QString& cell : m_table.footer)
        cell = documentNumberText(cell);
    // Paper is a document: numbers and dates in Austrian German, whatever the desktop's locale.
    const NumberFormat::DocumentScope documentFormat;
    QPainter painter;
    if (!painter.begin(printer))
        throw TavoError(QStringLiteral("Der Drucker konnte nicht angesprochen werden."));
    const Geometry g = measure(printer);
    const QList<Page> pages = paginate(g);
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer->newPage())
            throw TavoError(QStringLiteral("Der Drucker konnte keine neue Seite beginnen."));
        paintPage(painter, g, pages[i], i + 1, pages.size());
    }
    if (!painter.end())
        throw TavoError(QStringLiteral("Der Ausdruck konnte nicht fertig ausgegeben werden."));
    return pages.size();
}

void TablePrinter::paintPage(QPainter& painter, const Geometry& g, const Page& page, int number,
                             int pages) const {
    paintPageTexts(painter, g, m_options.header, 0, number, pages);
    paintPageTexts(painter, g, m_options.footer, static_cast<int>(g.footerTop), number, pages);

    double y = g.tableTop;
    if (page.withBeforeGrid)
        y += paintBeforeGrid(painter, g);

    painter.save();
    painter.translate(0, y);
    painter.scale(g.scale, g.scale);
    painter.setFont(m_table.tableFont);
    double row = 0;
    paintRow(painter, g, 0, titleCells(), RowKind::Title);
    for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r)
        paintRow(painter, g, row += g.rowHeight, rowCells(r), RowKind::Data);
    if (page.withFooterRow)
        paintRow(painter, g, row += g.rowHeight, m_table.footer, RowKind::Footer);
    painter.restore();
}

void TablePrinter::paintPageTexts(QPainter& painter, const Geometry& g, const PageTexts& texts, int top,
                                  int number, int pages) const {
    painter.setFont(texts.font);
    painter.setPen(Qt::black);
    const double height = QFontMetricsF(texts.font, painter.device()).height();
    if (!texts.note.isEmpty()) {
        painter.drawText(QRectF(0, top, g.pageWidth, height), Qt::AlignHCenter | Qt::AlignVCenter,
                         texts.note);
        top += static_cast<int>(height);
    }
    const QRectF line(0, top, g.pageWidth, height);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, expandMacros(texts.left, number, pages, m_now));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter,
                     expandMacros(texts.centre, number, pages, m_now));
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                     expandMacros(texts.right, number, pages, m_now));
}

int TablePrinter::paintBeforeGrid(QPainter& painter, const Geometry& g) const {
    painter.setFont(m_table.beforeGridFont);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(m_table.beforeGridFont, painter.device());
    double y = g.tableTop;
    for (const QString& paragraph : m_table.beforeGrid) {
        const QRectF bounds(0, y, g.pageWidth, 1e6);
        const double height =
            paragraph.isEmpty()
                ? metrics.height()
                : metrics.boundingRect(bounds, Qt::AlignHCenter | Qt::TextWordWrap, paragraph).height();
        painter.drawText(QRectF(0, y, g.pageWidth, height), Qt::AlignHCenter | Qt::TextWordWrap, paragraph);
        y += height;
    }
    return static_cast<int>(g.beforeGridHeight);
}

void TablePrinter::paintRow(QPainter& painter, const Geometry& g, double y, const QStringList& cells,
                            RowKind kind) const {
    QFont font = m_table.tableFont;
    font.setBold(kind != RowKind::Data);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    painter.setPen(QPen(Qt::darkGray, g.unit * 0.75));
    for (int c = 0; c < m_table.columns.size(); ++c) {
        const QRectF cell(g.columnX[c], y, g.columnWidth[c], g.rowHeight);
        if (kind == RowKind::Title)
            painter.fillRect(cell, QColor(225, 230, 240));
        painter.drawRect(cell);
    }
    painter.setPen(Qt::black);
    for (int c = 0; c < m_table.columns.size() && c < cells.size(); ++c) {
        const QRectF text(g.columnX[c] + g.padding, y, g.columnWidth[c] - 2 * g.padding, g.rowHeight);
        // Titles stand left as in the grid; the footer's label and totals stand right.
        const Qt::Alignment align = kind == RowKind::Title    ? Qt::AlignLeft
                                    : kind == RowKind::Footer ? Qt::AlignRight
                                                              : m_table.columns[c].alignment;
        painter.drawText(text, (align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter,
                         metrics.elidedText(cells[c], Qt::ElideRight, text.width()));
    }
}

QStringList TablePrinter::titleCells() const {
    QStringList titles;
    for (const PrintColumn& column : m_table.columns)
        titles << column.title;
    return titles;
}

QStringList TablePrinter::rowCells(int row) const {
    QStringList cells;
    for (const PrintColumn& column : m_table.columns) {
        const QModelIndex index = m_table.model->index(row, column.modelColumn);
        cells << cellText(column, m_table.model->data(index, Qt::DisplayRole));
    }
    return cells;
}

} // namespace tavo
