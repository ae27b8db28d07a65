// The report's parts on what drives the balance (the tornado) and on all calculated areas of the
// municipality together.

#include <algorithm>

#include "core/data/NumberFormat.h"
#include "report/ReportHtml.h"
#include "report/ReportHtmlParts.h"

namespace tavo {

namespace ReportHtml {

namespace parts {

namespace {

QString chart(const QString& caption, const QString& url, double textWidth, double heightShare) {
    const int w = static_cast<int>(textWidth);
    return QStringLiteral("<p style=\"margin-top: 10px;\"><b>%1</b><br/><img src=\"%2\" width=\"%3\" "
                          "height=\"%4\"/></p>")
        .arg(esc(caption), url)
        .arg(w)
        .arg(static_cast<int>(w * heightShare));
}

QString amount(double value) {
    return NumberFormat::fixed(value, 0);
}

} // namespace

QString sensitivitySection(const ReportData& d, double textWidth) {
    if (!d.tornado)
        return QString();
    const Sensitivity::Tornado& t = *d.tornado;
    QString html = subHeading(QStringLiteral("Welche Annahme wirkt am stärksten?"));
    html +=
        para(QStringLiteral("Jede Annahme der Szenarien allein auf ihren optimistischen und ihren "
                            "pessimistischen Wert gesetzt, alle anderen wie eingegeben: so weit verschiebt "
                            "sich der Saldo der 20 Jahre (%1). Die Annahme mit der größten Wirkung steht "
                            "oben; ohne Änderung bleibt der Saldo bei %2.")
                 .arg(whose(d), euro(t.saldoBasis)));
    ReportData::Table table;
    table.header = {QStringLiteral("Annahme"),
                    QStringLiteral("optimistisch"),
                    QStringLiteral("pessimistisch"),
                    QStringLiteral("Saldo optimistisch (€)"),
                    QStringLiteral("Saldo pessimistisch (€)"),
                    QStringLiteral("Spanne (€)")};
    for (const Sensitivity::Bar& bar : t.bars)
        table.rows << QStringList{Sensitivity::caption(bar.parameter),
                                  NumberFormat::general(bar.optimisticValue),
                                  NumberFormat::general(bar.pessimisticValue),
                                  amount(bar.saldoOptimistic),
                                  amount(bar.saldoPessimistic),
                                  amount(bar.saldoWidth())};
    html += chart(QStringLiteral("Saldo 20 Jahre je Annahme"), tornadoChartUrl(), textWidth, 0.45);
    html += parts::table(table, 1, false);
    return html;
}

QString municipalityChapter(const ReportData& d, double textWidth) {
    if (!d.municipalityOverview)
        return QString();
    const MunicipalityOverview::Overview& o = *d.municipalityOverview;
    QString html = pageBreakHeading(QStringLiteral("Gemeindeübersicht"));
    html += para(
        esc(QStringLiteral("Die Gemeinde %1 hat weitere berechnete Baugebiete. Hier zählen alle zusammen, in "
                           "Kalenderjahren: von jedem Projekt eine Variante (dieses Projekt und sonst die "
                           "zuletzt berechnete), jedes ab seinem Startjahr. Beträge in € (%2).")
                .arg(o.pgName.isEmpty() ? QString::number(o.pg) : o.pgName, whose(d))));
    ReportData::Table projects;
    projects.header = {QStringLiteral("Projekt"), QStringLiteral("Startjahr"),
                       QStringLiteral("Saldo 20 Jahre")};
    for (int p = 0; p < o.projects.size(); ++p) {
        double sum = 0;
        for (int j = 1; j <= KeyFigures::Years; ++j)
            sum += o.projects[p].saldoJeProjektjahr[j];
        projects.rows << QStringList{MunicipalityOverview::projectLabel(o.projects[p]),
                                     QString::number(o.projects[p].startYear), amount(sum)};
    }
    html += parts::table(projects, 1, false);
    if (std::any_of(o.projects.begin(), o.projects.end(), [](const auto& line) { return line.stale; }))
        html += para(QStringLiteral("„(geändert)“: die Eingaben dieses Projekts wurden nach seiner letzten "
                                    "Berechnung geändert; es zählt mit den gespeicherten Ergebnissen."));
    html += para(esc(QStringLiteral("Zusammen %1 bis %2: Saldo %3; am tiefsten im Minus im Jahr %4 mit %5; "
                                    "Amortisationsjahr: %6.")
                         .arg(o.firstYear)
                         .arg(o.lastYear)
                         .arg(euro(o.saldo))
                         .arg(o.tiefpunktJahr)
                         .arg(euro(o.tiefpunkt), o.amortisationsjahr ? QString::number(*o.amortisationsjahr)
                                                                     : QStringLiteral("nicht erreicht"))));
    html += chart(QStringLiteral("Saldo je Kalenderjahr nach Projekt, kumulierter Saldo"),
                  municipalityChartUrl(), textWidth, 0.45);
    const ExportTable years = MunicipalityOverview::table(o);
    ReportData::Table yearTable;
    yearTable.header = years.header;
    for (const QVariantList& row : years.rows) {
        QStringList cells{row.first().toString()};
        for (int c = 1; c < row.size(); ++c)
            cells << amount(row[c].toDouble());
        yearTable.rows << cells;
    }
    html += parts::table(yearTable, 1, false);
    return html;
}

} // namespace parts

QString tornadoChartUrl() {
    return QStringLiteral("tavo://sensitivitaet.png");
}

QString municipalityChartUrl() {
    return QStringLiteral("tavo://gemeindeuebersicht.png");
}

} // namespace ReportHtml

} // namespace tavo
