#pragma once

#include <memory>

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "report/ReportData.h"

class QPagedPaintDevice;
class QTextDocument;

namespace tavo {

// The report on one calculated project for a municipal council: an A4 document readable without the
// program. Title page, contents with page numbers, a one-page summary of the key figures with a
// sentence each and the two charts, every assumption (inputs as on the input pages, building mix,
// settlement pace, special expenditures), the balance by year and type for the municipality, the
// totals by cost bearer, the population, notes on the method, the disclaimer and the sources of the
// defaults used. "Seite x von y" stands at the foot of every page; a report from outdated results
// (inputs changed since the calculation) says so on its title page and at the head of every page.
class CouncilReport {
public:
    explicit CouncilReport(ReportData data, const QDate& date = QDate::currentDate());
    ~CouncilReport();

    // "Bericht: <project>" for the document's properties.
    QString title() const;

    // Lays out the report for the device's pages (set to A4 portrait here) and paints every page;
    // returns the number of pages. Works on QPdfWriter and QPrinter alike.
    int render(QPagedPaintDevice& device);

    // Writes the report as a PDF file with title and creator set; returns the number of pages.
    // Throws TavoError when the file cannot be written.
    int writePdf(const QString& fileName);

    // The headings of the contents list with their page numbers, as the last render() found them.
    struct Entry {
        QString heading;
        int page = 0;
    };
    QList<Entry> contents() const { return m_contents; }

private:
    std::unique_ptr<QTextDocument> buildDocument(const QList<Entry>& contents) const;
    // The document with its headings kept with what follows and small tables on one page.
    std::unique_ptr<QTextDocument> layOut(const QList<Entry>& contents);
    QList<Entry> findHeadings(QTextDocument& document) const;

    ReportData m_data;
    QDate m_date;
    QList<Entry> m_contents;
    QStringList m_pageBreaks; // headings that start a new page, so as not to stand alone
};

} // namespace tavo
