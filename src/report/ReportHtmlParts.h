#pragma once

#include <QString>

#include "report/ReportData.h"

namespace tavo {

// The building blocks of the council report's HTML (defined in ReportHtml.cpp) and the chapters kept
// in files of their own.
namespace ReportHtml::parts {

QString esc(const QString& text);
QString euro(double value);
QString pageBreakHeading(const QString& text);
QString subHeading(const QString& text);
QString para(const QString& text);
QString table(const ReportData::Table& t, int firstNumeric, bool lastRowBold);
QString whose(const ReportData& d);
QString rateText(double rate);

// The tornado under the range chapter: a table and a chart; empty without ReportData::tornado.
QString sensitivitySection(const ReportData& d, double textWidth);
// The chapter "Gemeindeübersicht"; empty without ReportData::municipalityOverview.
QString municipalityChapter(const ReportData& d, double textWidth);

} // namespace ReportHtml::parts

} // namespace tavo
