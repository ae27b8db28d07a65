#include "report/PlanSheet.h"

#include <algorithm>

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include "core/data/NumberFormat.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "report/PlanDrawing.h"

namespace tavo {

namespace {

constexpr double kMarginMm = 10;
constexpr double kPanelMm = 62;

QFont sheetFont(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The map frame and the panel on a page of that size (millimetres).
void placeFrames(PlanSheetLayout& layout, const QSizeF& page) {
    layout.mapFrameMm =
        QRectF(kMarginMm, kMarginMm, page.width() - 3 * kMarginMm - kPanelMm, page.height() - 2 * kMarginMm);
    layout.panelMm =
        QRectF(layout.mapFrameMm.right() + kMarginMm, kMarginMm, kPanelMm, layout.mapFrameMm.height());
}

void paintPanel(QPainter& painter, const PlanReading& plan, const PlanSheetLayout& layout, int scale,
                const QString& caption, double unitsPerMm) {
    const QRectF panel(layout.panelMm.topLeft() * unitsPerMm, layout.panelMm.size() * unitsPerMm);
    const QFont title = sheetFont(11, true);
    const QFont text = sheetFont(7.5);
    const QFontMetricsF textMetrics(text, painter.device());
    double y = panel.top();
    const auto write = [&](const QString& s, const QFont& font) {
        painter.setFont(font);
        const QRectF box = painter.boundingRect(QRectF(panel.left(), y, panel.width(), 1e6),
                                                Qt::TextWordWrap | Qt::AlignLeft, s);
        painter.drawText(box, Qt::TextWordWrap | Qt::AlignLeft, s);
        y = box.bottom() + textMetrics.height() * 0.3;
    };
    painter.setPen(Qt::black);
    write(QStringLiteral("Plan: %1").arg(caption), title);
    write(QStringLiteral("Maßstab 1:%1").arg(scale), sheetFont(9, true));
    write(QStringLiteral("Datei: %1\nStand: %2\nKoordinatensystem: %3")
              .arg(QDir::toNativeSeparators(plan.file), plan.stand, plan.metricCrs),
          text);
    if (layout.section)
        write(
            QStringLiteral("Der Plan ist größer als das Blatt: gedruckt ist ein Ausschnitt um seine Mitte."),
            text);
    y += textMetrics.height() * 0.5;
    y += PlanDrawing::paintLegend(painter, QPointF(panel.left(), y), PlanDrawing::presentRoles(plan), text);
    y += textMetrics.height();
    const double arrow = 12 * unitsPerMm;
    PlanDrawing::paintNorthArrow(painter, QRectF(panel.left(), y, arrow, arrow * 1.5), text);
    y += arrow * 1.5 + textMetrics.height() * 2.5;
    const double unitsPerMetre = layout.mmPerMetre * unitsPerMm;
    const double bar = PlanDrawing::scaleBarMetres(unitsPerMetre, panel.width() * 0.85);
    PlanDrawing::paintScaleBar(painter, QPointF(panel.left(), y), bar, unitsPerMetre, text);
    y += textMetrics.height() * 1.5;
    painter.setFont(text);
    for (const QStringList& line : PlanDrawing::measureLines(plan.measures)) {
        painter.drawText(QRectF(panel.left(), y, panel.width() * 0.62, textMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line.value(0));
        painter.drawText(QRectF(panel.left(), y, panel.width(), textMetrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, line.value(1));
        y += textMetrics.height() * 1.15;
    }
}

} // namespace

QList<int> planPrintScales() {
    return {1000, 2000, 5000};
}

PlanSheetLayout planSheetLayout(const PlanReading& plan, int scale) {
    PlanSheetLayout layout;
    layout.mmPerMetre = 1000.0 / std::max(1, scale);
    const QRectF drawing = PlanDrawing::drawingRect(plan);
    const QSizeF needed = drawing.size() * layout.mmPerMetre;
    for (QPageSize::PageSizeId id :
         {QPageSize::A4, QPageSize::A3, QPageSize::A2, QPageSize::A1, QPageSize::A0})
        for (QPageLayout::Orientation orientation : {QPageLayout::Landscape, QPageLayout::Portrait}) {
            const QSizeF portrait = QPageSize(id).size(QPageSize::Millimeter);
            const QSizeF page = orientation == QPageLayout::Portrait ? portrait : portrait.transposed();
            layout.pageSize = QPageSize(id);
            layout.orientation = orientation;
            placeFrames(layout, page);
            if (needed.width() <= layout.mapFrameMm.width() && needed.height() <= layout.mapFrameMm.height())
                return layout;
        }
    // Larger than A0: A0 landscape with a section around the centre.
    layout.pageSize = QPageSize(QPageSize::A0);
    layout.orientation = QPageLayout::Landscape;
    placeFrames(layout, layout.pageSize.size(QPageSize::Millimeter).transposed());
    layout.section = true;
    return layout;
}

void renderPlanSheet(QPagedPaintDevice& device, const PlanReading& plan, int scale, const QString& caption) {
    const NumberFormat::DocumentScope documentFormat;
    const PlanSheetLayout layout = planSheetLayout(plan, scale);
    device.setPageLayout(QPageLayout(layout.pageSize, layout.orientation, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&device))
        throw TavoError(
            QStringLiteral("Der Plan kann nicht ausgegeben werden: das Ausgabegerät nimmt ihn nicht an."));
    painter.setRenderHint(QPainter::Antialiasing);
    // Device units per millimetre: the device's resolution, so that lengths on paper are exact.
    const double unitsPerMm = device.logicalDpiX() / 25.4;
    const QRectF frame(layout.mapFrameMm.topLeft() * unitsPerMm, layout.mapFrameMm.size() * unitsPerMm);
    painter.save();
    painter.setClipRect(frame);
    painter.translate(frame.center());
    painter.scale(layout.mmPerMetre * unitsPerMm, layout.mmPerMetre * unitsPerMm);
    painter.translate(-PlanDrawing::drawingRect(plan).center());
    PlanDrawing::paintPlan(painter, plan, 0.25 * unitsPerMm, 1.6 * unitsPerMm);
    painter.restore();
    painter.setPen(QPen(Qt::black, 0.3 * unitsPerMm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    paintPanel(painter, plan, layout, scale, caption, unitsPerMm);
    if (!painter.end())
        throw TavoError(QStringLiteral("Der Plan konnte nicht fertig ausgegeben werden."));
}

void writePlanSheetPdf(const QString& fileName, const PlanReading& plan, int scale, const QString& caption) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Plan: %1 (1:%2)").arg(caption).arg(scale));
        writer.setCreator(QStringLiteral("TAVO - Tavorechner %1").arg(QStringLiteral(TAVO_VERSION)));
        writer.setResolution(600);
        renderPlanSheet(writer, plan, scale, caption);
    }
    if (bytes.isEmpty())
        throw TavoError(QStringLiteral("Der Plan für „%1“ konnte nicht erzeugt werden.")
                            .arg(QDir::toNativeSeparators(fileName)));
    OutputFile::write(fileName, bytes);
}

} // namespace tavo
