#pragma once

#include <functional>

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QPainter;
class QPrinter;

namespace tavo {

// How a cell value becomes text on paper.
enum class CellFormat {
    Plain,      // as it is; numbers in the general format
    Money,      // "###,##0.00": thousands separators and two decimals
    OneDecimal, // "##,##0.0": thousands separators and one decimal
};

// One printed column: which model column, its title, its width in screen pixels (as in the grid),
// how its values are formatted and aligned. `formatter`, when set, overrides `format`.
struct PrintColumn {
    int modelColumn = 0;
    QString title;
    int width = 80;
    CellFormat format = CellFormat::Plain;
    Qt::Alignment alignment = Qt::AlignLeft;
    std::function<QString(const QVariant&)> formatter;
};

// Left, centre and right text of a page header or footer, in one font. The texts may hold
// "&[Date]", "&[ShortDate]", "&[LongDate]", "&[Time]", "&[Page]" and "&[Pages]". A note, when
// given, is a centred line of its own above them (the footer: where the master data come from).
struct PageTexts {
    QString left;
    QString centre;
    QString right;
    QFont font;
    QString note;
};

// Everything that a table printout shows besides the page header and footer.
struct PrintTable {
    QPointer<QAbstractItemModel> model; // every row is fetched before printing
    QList<PrintColumn> columns;
    QStringList footer;     // one cell per column (e.g. "Summe:" and totals); empty: no footer row
    QStringList beforeGrid; // centred paragraphs printed above the table on the first page
    QFont beforeGridFont;   // 12 point by default
    QFont tableFont;        // the cells, titles (bold) and footer (bold)
};

struct PrintOptions {
    PageTexts header;
    PageTexts footer;
    bool fitToPageWidth = false; // scale the table to the width of the page
};

// Prints any item model as a table with QPainter on a QPrinter (paper or PDF): the before-grid text,
// the column titles (repeated on every page), every row, the footer row, and the page header and
// footer with their macros replaced. Numbers and dates on paper are Austrian German (a document),
// whatever the user's locale.
class TablePrinter {
public:
    TablePrinter(PrintTable table, PrintOptions options);

    // Lays out the pages for this printer and paints all of them. Returns the number of pages.
    int print(QPrinter* printer);

    // The number of pages the table takes on this printer.
    int pageCount(QPrinter* printer) const;

    // The text of one cell as printed.
    static QString cellText(const PrintColumn& column, const QVariant& value);

    // A number as a window shows it (in the user's locale, e.g. a grid's total) in the documents'
    // format with as many decimals, grouped when it was; any other text as it is.
    static QString documentNumberText(const QString& shown);

    // Replaces the page and date macros of a header or footer text (dates in NumberFormat::dateLocale()).
    static QString expandMacros(const QString& text, int page, int pages, const QDateTime& now);

    // The default before-grid paragraphs of a project printout: an empty line, the project ID,
    // municipality number and name, the description, an empty line.
    static QStringList projectHeading(const QString& id, const QString& pg, const QString& pgName,
                                      const QString& description);

private:
    struct Geometry;
    struct Page {
        int firstRow = 0;
        int rowCount = 0;
        bool withBeforeGrid = false;
        bool withFooterRow = false;
    };

    Geometry measure(QPrinter* printer) const;
    QList<Page> paginate(const Geometry& g) const;
    void paintPage(QPainter& painter, const Geometry& g, const Page& page, int number, int pages) const;
    void paintPageTexts(QPainter& painter, const Geometry& g, const PageTexts& texts, int top, int number,
                        int pages) const;
    int paintBeforeGrid(QPainter& painter, const Geometry& g) const;
    enum class RowKind { Title, Data, Footer };
    void paintRow(QPainter& painter, const Geometry& g, double y, const QStringList& cells,
                  RowKind kind) const;
    QStringList rowCells(int row) const;
    QStringList titleCells() const;
    int tableWidth() const;

    PrintTable m_table;
    PrintOptions m_options;
    QDateTime m_now;
};

} // namespace tavo
