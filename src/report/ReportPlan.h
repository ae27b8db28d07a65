#pragma once

#include <QImage>
#include <QString>

#include "report/ReportData.h"

namespace tavo {

// The report's page on the plan the inputs were measured from: the plan drawn with legend, scale
// bar and north arrow, its source and the measured figures. Empty for a project without a plan.
namespace ReportPlan {

QString chapter(const ReportData& data, double textWidth);
// The address of the picture the chapter refers to, and the picture itself.
QString imageUrl();
QImage image(const ReportData& data);

} // namespace ReportPlan

} // namespace tavo
