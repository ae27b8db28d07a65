#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>

#include "core/plan/PlanTypes.h"

class QPagedPaintDevice;

namespace tavo {

// The plan printed to scale: at 1:scale one metre of the plan is 1000/scale millimetres on paper.
// The sheet is the smallest of A4 to A0 (landscape or portrait) that holds the whole plan beside a
// side panel with title, scale, legend, north arrow, scale bar and the measured figures; a plan too
// large even for A0 is printed as a section around its centre, which the sheet says.
struct PlanSheetLayout {
    QPageSize pageSize;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    QRectF mapFrameMm;     // the map's frame on the page, millimetres from the top left corner
    QRectF panelMm;        // the side panel
    double mmPerMetre = 1; // 1000 / scale
    bool section = false;  // the plan is larger than the frame: a section is printed
};

// The scales offered for printing.
QList<int> planPrintScales();

// The sheet for the plan at 1:scale.
PlanSheetLayout planSheetLayout(const PlanReading& plan, int scale);

// Paints the plan sheet on the device (its page layout set here); caption: the project's name.
// Throws TavoError when the device refuses.
void renderPlanSheet(QPagedPaintDevice& device, const PlanReading& plan, int scale, const QString& caption);

// Writes the sheet as a PDF file; throws TavoError when it cannot be written.
void writePlanSheetPdf(const QString& fileName, const PlanReading& plan, int scale, const QString& caption);

} // namespace tavo
