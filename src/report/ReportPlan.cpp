#include "report/ReportPlan.h"

#include <QFileInfo>

#include "report/PlanDrawing.h"

namespace tavo {

namespace ReportPlan {

namespace {

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

} // namespace

QString imageUrl() {
    return QStringLiteral("tavo://plan.png");
}

QImage image(const ReportData& data) {
    return PlanDrawing::planImage(data.plan, QSize(1600, 1200));
}

QString chapter(const ReportData& data, double textWidth) {
    const PlanReading& plan = data.plan;
    if (plan.file.isEmpty())
        return QString();
    QString html = QStringLiteral(
        "<h1 style=\"page-break-before: always; font-size: 15pt; color: #1f4e79;\">Plan des Baugebiets</h1>");
    html +=
        QStringLiteral("<p style=\"margin-bottom: 6px;\">Flächen, Leitungslängen und Bauplätze sind aus dem "
                       "Plan „%1“ (Stand %2) gemessen, in Metern im Koordinatensystem %3.</p>")
            .arg(esc(QFileInfo(plan.file).fileName()), esc(plan.stand), esc(plan.metricCrs));
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\"></p>").arg(imageUrl()).arg(textWidth, 0, 'f', 0);
    html += QStringLiteral("<h2 style=\"font-size: 11pt; color: #1f4e79; margin-top: 12px;\">Gemessene "
                           "Werte</h2>");
    html += QStringLiteral("<table width=\"60%\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\" "
                           "style=\"border-collapse: collapse; border-color: #999999; font-size: 8pt;\">");
    for (const QStringList& line : PlanDrawing::measureLines(plan.measures))
        html += QStringLiteral("<tr><td>%1</td><td align=\"right\">%2</td></tr>")
                    .arg(esc(line.value(0)), esc(line.value(1)));
    html += QStringLiteral("</table>");
    if (!plan.outsideBaugebiet.isEmpty())
        html += QStringLiteral("<p style=\"margin-top: 6px;\">Außerhalb des Baugebiets liegen: %1.</p>")
                    .arg(esc(plan.outsideBaugebiet.join(QStringLiteral("; "))));
    return html;
}

} // namespace ReportPlan

} // namespace tavo
