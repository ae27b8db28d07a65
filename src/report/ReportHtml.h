#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "report/ReportData.h"

namespace tavo {

// The council report as HTML for QTextDocument: headings of level 1 for the chapters (each on a new
// page) and level 2 for their parts, which the contents list shows with their pages.
namespace ReportHtml {

struct ContentsLine {
    QString heading; // indented by spaces for level 2
    int page = 0;
};
using Contents = QList<ContentsLine>;

// The whole report. contents: the headings with their pages (empty on the first layout, which
// leaves the page column blank); textWidth: the width of the text on the page, in the document's
// units, for the pictures; breakBefore: the texts of level-2 headings that start a new page.
QString document(const ReportData& data, const QDate& date, const Contents& contents, double textWidth,
                 const QStringList& breakBefore = {});

// The sentence under a key figure in the summary, for the municipality's figures.
struct Explained {
    QString caption;
    QString value;
    QString sentence;
};
QList<Explained> summary(const KeyFigures& figures);

// What the title page and the summary of an outdated report say about its results.
QString outdatedText();

// The addresses of the charts the document refers to (added to it as image resources).
QString cumulativeChartUrl();
QString typeChartUrl();
QString bandChartUrl(); // the scenarios' band, present when ReportData::scenarios is
QString tornadoChartUrl();      // present when ReportData::tornado is
QString municipalityChartUrl(); // present when ReportData::municipalityOverview is

} // namespace ReportHtml

} // namespace tavo
