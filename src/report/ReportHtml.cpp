#include "report/ReportHtml.h"

#include <algorithm>
#include <cmath>

#include "core/data/NumberFormat.h"
#include "report/Disclaimer.h"
#include "report/ReportHtmlParts.h"
#include "report/ReportPlan.h"

namespace tavo {

namespace ReportHtml {
namespace parts {

// Qt lays out a word that is longer than a line anew for every line it fills, so the time for an
// unbroken run of characters grows with the square of its length (a 256 KB word took 17 s). A
// zero-width space after every kRun characters of such a run gives the layout a place to break and
// keeps the time linear; the text looks the same, and ordinary words are far shorter.
QString breakable(const QString& text) {
    constexpr int kRun = 64;
    QString out;
    out.reserve(text.size() + text.size() / kRun);
    int run = 0;
    for (const QChar c : text) {
        if (c.isSpace())
            run = 0;
        else if (++run > kRun && !c.isLowSurrogate()) {
            out += QChar(0x200B);
            run = 1;
        }
        out += c;
    }
    return out;
}

QString esc(const QString& text) {
    return breakable(text).toHtmlEscaped();
}

// A text as paragraphs of the given style. The layout draws a paragraph anew for every page it
// touches, so one paragraph spanning many pages costs time growing with the square of its length; a
// text longer than kBlock characters is therefore set as consecutive paragraphs without space
// between them, each ended at a blank where there is one.
QString paragraphs(const QString& text, const QString& style) {
    constexpr int kBlock = 2000;
    if (text.size() <= kBlock)
        return QStringLiteral("<p style=\"%1\">%2</p>").arg(style, esc(text));
    QString html;
    for (int from = 0; from < text.size();) {
        int end = std::min<int>(from + kBlock, text.size());
        const int blank = text.lastIndexOf(QLatin1Char(' '), end - 1);
        if (end < text.size() && blank > from)
            end = blank + 1;
        else if (end < text.size() && text.at(end).isLowSurrogate())
            --end;
        html += QStringLiteral("<p style=\"%1 margin-top: 0; margin-bottom: 0;\">%2</p>")
                    .arg(style, esc(text.mid(from, end - from)));
        from = end;
    }
    return html;
}

QString euro(double value) {
    return NumberFormat::fixed(value, 0) + QStringLiteral(" €");
}

QString pageBreakHeading(const QString& text) {
    return QStringLiteral("<h1 style=\"page-break-before: always; font-size: 15pt; color: #1f4e79;\">%1</h1>")
        .arg(esc(text));
}

const QString kSubHeadingStyle = QStringLiteral("font-size: 11pt; color: #1f4e79; margin-top: 12px;");

QString subHeading(const QString& text) {
    return QStringLiteral("<h2 style=\"%1\">%2</h2>").arg(kSubHeadingStyle, esc(text));
}

QString para(const QString& text) {
    return QStringLiteral("<p style=\"margin-bottom: 6px;\">%1</p>").arg(text);
}

// The start of a table in the given type size. Words and numbers never break inside (the
// document wraps at word boundaries only), so every column is at least as wide as its widest value.
QString tableStart(double points) {
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\" "
                          "style=\"border-collapse: collapse; border-color: #999999; font-size: %1pt;\">")
        .arg(points);
}

const QString kTable = tableStart(8);

// Smaller type for tables with many columns, so that their widest values fit on an A4 page.
double tablePoints(int columns) {
    return columns <= 6 ? 8 : columns <= 9 ? 7 : columns <= 12 ? 6 : 5;
}

// A table of cells already formatted; the columns from firstNumeric on are right-aligned numbers.
QString table(const ReportData::Table& t, int firstNumeric, bool lastRowBold = false) {
    const double points = tablePoints(static_cast<int>(t.header.size()));
    QString html = tableStart(points) + QStringLiteral("<thead><tr>");
    for (const QString& h : t.header)
        html += QStringLiteral("<th bgcolor=\"#dde6ef\" align=\"left\" style=\"font-size: %1pt;\">%2</th>")
                    .arg(points - 1)
                    .arg(esc(h));
    html += QStringLiteral("</tr></thead>");
    for (int r = 0; r < t.rows.size(); ++r) {
        const bool bold = lastRowBold && r == t.rows.size() - 1;
        html += QStringLiteral("<tr>");
        for (int c = 0; c < t.rows[r].size(); ++c)
            html += QStringLiteral("<td%1>%2%3%4</td>")
                        .arg(c >= firstNumeric ? QStringLiteral(" align=\"right\"") : QString(),
                             bold ? QStringLiteral("<b>") : QString(), esc(t.rows[r][c]),
                             bold ? QStringLiteral("</b>") : QString());
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString bearerName(const KeyFigures& f) {
    return reportBearerName(f.costBearer);
}

// "der Gemeinde", "des Kostenträgers Land", "aller Kostenträger zusammen": whose figures these are.
QString whose(const ReportData& d) {
    const QString bearer = d.options.costBearer;
    if (bearer.isEmpty())
        return QStringLiteral("aller Kostenträger zusammen");
    if (bearer == reportCostBearer())
        return QStringLiteral("der Gemeinde");
    return QStringLiteral("des Kostenträgers %1").arg(bearer);
}

QString rateText(double rate) {
    return NumberFormat::general(rate) + QStringLiteral(" %");
}

// The line saying where the master data come from; invented or unknown data stand out in dark orange.
QString provenanceParagraph(const MasterProvenance& herkunft, const QString& size) {
    const bool warn = herkunft.beispiel || herkunft.isUnknown();
    return QStringLiteral("<p style=\"font-size: %1; %2\">%3</p>")
        .arg(size,
             warn ? QStringLiteral("font-weight: bold; color: #9c4a00;") : QStringLiteral("color: #333333;"),
             esc(herkunft.line()));
}

QString titlePage(const ReportData& d, const QDate& date) {
    const QString name = d.projekt.isEmpty() ? QStringLiteral("Projekt %1").arg(d.projectId) : d.projekt;
    QString html = QStringLiteral("<p style=\"font-size: 90pt;\">&nbsp;</p>"
                                  "<p style=\"font-size: 11pt; color: #555555;\">TAVO – Tavorechner</p>");
    html += QStringLiteral(
        "<p style=\"font-size: 24pt; font-weight: bold; color: #1f4e79;\">Kosten und Einnahmen "
        "eines Baugebiets</p>");
    html += QStringLiteral("<p style=\"font-size: 16pt; margin-top: 20px;\">%1</p>").arg(esc(name));
    if (!d.beschreibung.isEmpty())
        html += paragraphs(d.beschreibung, QStringLiteral("font-size: 12pt;"));
    html +=
        QStringLiteral("<p style=\"font-size: 12pt; margin-top: 20px;\">Gemeinde: %1 (Gemeindenummer %2)</p>")
            .arg(esc(d.pgName.isEmpty() ? QStringLiteral("–") : d.pgName))
            .arg(d.pg);
    html += provenanceParagraph(d.herkunft, QStringLiteral("11pt"));
    if (d.outdated)
        html += QStringLiteral(
                    "<p style=\"font-size: 14pt; font-weight: bold; color: #c00000; margin-top: 20px;\">"
                    "Ergebnisse veraltet</p><p style=\"font-size: 11pt; color: #c00000;\">%1</p>")
                    .arg(esc(outdatedText()));
    html += QStringLiteral("<p style=\"font-size: %1pt;\">&nbsp;</p>").arg(d.outdated ? 90 : 150);
    html +=
        QStringLiteral("<p style=\"font-size: 10pt;\">Projektnummer: %1<br/>"
                       "Bezugsjahr der Vorgabewerte: %2<br/>Erstellt am %3 mit TAVO Version %4</p>")
            .arg(d.projectId)
            .arg(d.bezugsjahr > 0 ? QString::number(d.bezugsjahr) : QStringLiteral("–"))
            .arg(QLocale(QLocale::German, QLocale::Austria).toString(date, QStringLiteral("d. MMMM yyyy")))
            .arg(QStringLiteral(TAVO_VERSION));
    return html;
}

QString contentsPage(const Contents& contents) {
    QString html = QStringLiteral("<p style=\"page-break-before: always; font-size: 15pt; font-weight: bold; "
                                  "color: #1f4e79;\">Inhalt</p>");
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">");
    for (const ContentsLine& line : contents) {
        const bool sub = line.heading.startsWith(QLatin1Char(' '));
        html +=
            QStringLiteral("<tr><td style=\"padding-left: %1px;%2\">%3</td><td align=\"right\">%4</td></tr>")
                .arg(sub ? 24 : 0)
                .arg(sub ? QString() : QStringLiteral(" font-weight: bold;"))
                .arg(esc(line.heading.trimmed()))
                .arg(line.page > 0 ? QString::number(line.page) : QString());
    }
    return html + QStringLiteral("</table>");
}

QString summaryPage(const ReportData& d, double textWidth) {
    QString html = pageBreakHeading(QStringLiteral("Zusammenfassung"));
    if (d.outdated)
        html += para(QStringLiteral("<span style=\"color: #c00000;\"><b>Veraltet:</b> %1</span>")
                         .arg(esc(outdatedText())));
    html += para(
        QStringLiteral("Die Kennzahlen gelten für %1<b>%2</b> über die Projektjahre 1 bis 20; der Barwert "
                       "ist mit %3 pro Jahr abgezinst.")
            .arg(d.options.costBearer.isEmpty() ? QString() : QStringLiteral("den Kostenträger "),
                 esc(reportBearerName(d.options.costBearer)), rateText(d.options.discountRate)));
    html += kTable;
    for (const Explained& e : summary(d.municipality))
        html += QStringLiteral("<tr><td width=\"24%\"><b>%1</b></td><td width=\"20%\" align=\"right\">%2</td>"
                               "<td>%3</td></tr>")
                    .arg(esc(e.caption), esc(e.value), esc(e.sentence));
    html += QStringLiteral("</table>");
    const int w = static_cast<int>(textWidth);
    html += QStringLiteral("<p style=\"margin-top: 10px;\"><b>Kumulierter Saldo %4</b><br/>"
                           "<img src=\"%1\" width=\"%2\" height=\"%3\"/></p>")
                .arg(cumulativeChartUrl())
                .arg(w)
                .arg(w * 2 / 5)
                .arg(whose(d));
    html += QStringLiteral("<p><b>Saldo %4 nach Auswertungstyp (Jahre 1–20)</b><br/>"
                           "<img src=\"%1\" width=\"%2\" height=\"%3\"/></p>")
                .arg(typeChartUrl())
                .arg(w)
                .arg(w * 560 / 1600)
                .arg(whose(d));
    return html;
}

QString inputsChapter(const ReportData& d) {
    QString html = pageBreakHeading(QStringLiteral("Annahmen"));
    html +=
        para(QStringLiteral("Alle Eingaben des Projekts, geordnet wie auf den Eingabeseiten des Programms. "
                            "<b>Fett</b> gedruckte Werte weichen vom Vorgabewert ihrer Werteliste ab; der "
                            "Vorgabewert steht dann daneben."));
    for (const ReportData::InputPage& page : d.inputs) {
        html += subHeading(QStringLiteral("Eingabeseite „%1“").arg(page.title));
        html += kTable +
                QStringLiteral("<thead><tr><th bgcolor=\"#dde6ef\" align=\"left\" width=\"58%\">Eingabe</th>"
                               "<th bgcolor=\"#dde6ef\" align=\"left\">Einheit</th>"
                               "<th bgcolor=\"#dde6ef\" align=\"right\">Wert</th>"
                               "<th bgcolor=\"#dde6ef\" align=\"right\">Vorgabe</th></tr></thead>");
        for (const ReportData::InputGroup& group : page.groups) {
            if (!group.title.isEmpty())
                html += QStringLiteral("<tr><td colspan=\"4\" bgcolor=\"#f2f2f2\"><i>%1</i></td></tr>")
                            .arg(esc(group.title));
            for (const ReportData::Input& in : group.inputs)
                html += QStringLiteral("<tr><td>%1</td><td>%2</td><td align=\"right\">%3</td><td "
                                       "align=\"right\">%4</td></tr>")
                            .arg(esc(in.caption), esc(in.unit),
                                 in.differs ? QStringLiteral("<b>%1</b>").arg(esc(in.value)) : esc(in.value),
                                 in.differs ? esc(in.standard) : QString());
        }
        html += QStringLiteral("</table>");
    }
    html += subHeading(QStringLiteral("Bebauung"));
    html += d.buildingMix.rows.isEmpty() ? para(QStringLiteral("Keine Bebauung eingetragen."))
                                         : table(d.buildingMix, 2);
    html += subHeading(QStringLiteral("Besiedelung (Fertigstellung in % je Jahr und Bebauungstyp)"));
    html += d.settlement.rows.isEmpty() ? para(QStringLiteral("Keine Besiedelung eingetragen."))
                                        : table(d.settlement, 1);
    if (!d.unbuiltNote.isEmpty())
        html += para(esc(d.unbuiltNote));
    html += subHeading(QStringLiteral("Sonderausgaben"));
    html += d.specialExpenditures.rows.isEmpty() ? para(QStringLiteral("Keine Sonderausgaben."))
                                                 : table(d.specialExpenditures, 4);
    return html;
}

QString resultsChapter(const ReportData& d) {
    QString html = pageBreakHeading(QStringLiteral("Ergebnisse"));
    html += subHeading(QStringLiteral("Saldo %1 nach Jahr und Auswertungstyp").arg(whose(d)));
    html += para(
        QStringLiteral("Einnahmen minus Ausgaben in Euro, gerundet; negative Beträge sind Fehlbeträge."));
    html += table(d.balanceByYearAndType, 1, true);
    html += subHeading(QStringLiteral("Summen der Jahre 1–20 nach Kostenträger"));
    ReportData::Table bearers;
    bearers.header = {QStringLiteral("Kostenträger"), QStringLiteral("Ausgaben (€)"),
                      QStringLiteral("Einnahmen (€)"), QStringLiteral("Saldo (€)"),
                      QStringLiteral("Barwert %1 (€)").arg(rateText(d.options.discountRate))};
    for (const KeyFigures& f : d.byBearer)
        bearers.rows << QStringList{bearerName(f), NumberFormat::fixed(f.ausgaben, 0),
                                    NumberFormat::fixed(f.einnahmen, 0), NumberFormat::fixed(f.saldo, 0),
                                    NumberFormat::fixed(f.barwert, 0)};
    html += table(bearers, 1, true);
    html += subHeading(QStringLiteral("Was müssten Abgaben und Grundsteuer betragen?"));
    html += para(
        QStringLiteral("Der Wert, bei dem der Saldo %1 über die Jahre 1 bis 20 genau 0 wäre, wenn "
                       "alle anderen Eingaben blieben, wie sie sind; „nicht erreichbar“, wenn kein Wert in "
                       "einem plausiblen Bereich das schafft.")
            .arg(whose(d)));
    if (d.outdated)
        html += para(
            QStringLiteral("<b>Entfällt, weil die Ergebnisse veraltet sind:</b> diese Werte würden aus den "
                           "geänderten Eingaben berechnet und passten nicht zu den übrigen Ergebnissen "
                           "dieses Berichts. Nach „Berechnen“ steht die Tabelle wieder im Bericht."));
    else
        html += table(d.breakEven, 2);
    return html;
}

QString yearText(const std::optional<int>& year) {
    return year ? QString::number(*year) : QStringLiteral("nicht erreicht");
}

QString rangeChapter(const ReportData& d) {
    QString html = pageBreakHeading(QStringLiteral("Bandbreite"));
    html += para(
        QStringLiteral("Wie sicher sind die Ergebnisse? Die Szenarien rechnen das Projekt mit den "
                       "optimistischen und den pessimistischen Werten seiner Szenarioeinstellungen; die "
                       "Bandbreite P10–P90 stammt aus vielen Rechnungen, in denen jeder Wert zufällig "
                       "zwischen beiden liegt: 10 % der Rechnungen ergeben weniger als P10 und 10 % mehr "
                       "als P90; die Zahlen sind die %1, der Barwert ist mit %2 abgezinst.")
            .arg(whose(d), rateText(d.options.discountRate)));
    if (d.outdated) {
        html += para(
            QStringLiteral("<b>Entfällt, weil die Ergebnisse veraltet sind:</b> die Szenarien würden aus "
                           "den geänderten Eingaben berechnet und passten nicht zu den übrigen Ergebnissen "
                           "dieses Berichts. Nach „Berechnen“ steht die Bandbreite wieder im Bericht."));
        return html;
    }
    if (!d.scenarios) {
        html += para(esc(d.scenarioNote));
        return html;
    }
    const ScenarioComparison& s = *d.scenarios;
    const MonteCarlo::Distribution& r = s.range;
    ReportData::Table t;
    t.header = {QStringLiteral("Kennzahl"),      QStringLiteral("Einheit"),
                QStringLiteral("Basis"),         QStringLiteral("optimistisch"),
                QStringLiteral("pessimistisch"), QStringLiteral("P10"),
                QStringLiteral("P50"),           QStringLiteral("P90")};
    const auto money = [](double v) { return NumberFormat::fixed(v, 0); };
    t.rows << QStringList{QStringLiteral("Saldo Jahre 1–20"),
                          QStringLiteral("€"),
                          money(s.basis.saldo),
                          money(s.optimistic.saldo),
                          money(s.pessimistic.saldo),
                          money(r.saldo.p10),
                          money(r.saldo.p50),
                          money(r.saldo.p90)};
    t.rows << QStringList{QStringLiteral("Barwert (%1)").arg(rateText(d.options.discountRate)),
                          QStringLiteral("€"),
                          money(s.basis.barwert),
                          money(s.optimistic.barwert),
                          money(s.pessimistic.barwert),
                          money(r.barwert.p10),
                          money(r.barwert.p50),
                          money(r.barwert.p90)};
    t.rows << QStringList{QStringLiteral("Amortisationsjahr"),       QStringLiteral("Projektjahr"),
                          yearText(s.basis.amortisationsjahr),       yearText(s.optimistic.amortisationsjahr),
                          yearText(s.pessimistic.amortisationsjahr), yearText(r.amortisationsjahr[0]),
                          yearText(r.amortisationsjahr[1]),          yearText(r.amortisationsjahr[2])};
    html += table(t, 2);
    html += para(QStringLiteral("Die Bandbreite stammt aus %1 Rechnungen mit dem Startwert 1 und ist bei "
                                "gleichen Eingaben stets gleich.")
                     .arg(NumberFormat::fixed(r.runs, 0)));
    return html;
}

QString rangeChart(double textWidth) {
    const int w = static_cast<int>(textWidth);
    return QStringLiteral(
               "<p style=\"margin-top: 10px;\"><b>Kumulierter Saldo mit Bandbreite P10–P90</b><br/>"
               "<img src=\"%1\" width=\"%2\" height=\"%3\"/></p>")
        .arg(bandChartUrl())
        .arg(w)
        .arg(w * 2 / 5);
}

// Where the project states the capacity of kindergarten or school: when the places run out and the
// further groups (classes) per year, in all and those the project's own children need.
QString capacitySection(const CapacityFigures& figures) {
    if (!figures.any())
        return QString();
    QString html = subHeading(QStringLiteral("Kapazität Kindergarten und Volksschule"));
    html += para(QStringLiteral(
        "Kinder der Gemeinde laut Prognose und die zuziehenden Kinder des Baugebiets gegenüber den "
        "vorhandenen Plätzen. Fehlen Plätze, werden weitere Gruppen (Klassen) gebraucht; das Projekt "
        "trägt jene, die erst seine Kinder nötig machen: die Errichtung im Jahr, in dem sie zuerst "
        "gebraucht werden, die Erhaltung in jedem Jahr, in dem sie gebraucht werden."));
    for (const QString& line : capacitySummary(figures))
        html += para(line + QLatin1Char('.'));
    ReportData::Table t;
    t.header = {QStringLiteral("Jahr"),
                QStringLiteral("Kindergartenkinder"),
                QStringLiteral("weitere Gruppen"),
                QStringLiteral("davon Projekt"),
                QStringLiteral("Volksschüler"),
                QStringLiteral("weitere Klassen"),
                QStringLiteral("davon Projekt")};
    const auto cells = [](const SchoolCapacity::Outcome& o, int year) {
        if (!o.active)
            return QStringList{QStringLiteral("–"), QStringLiteral("–"), QStringLiteral("–")};
        return QStringList{NumberFormat::fixed(o.years[year].children, 1),
                           QString::number(o.years[year].groupsNeeded),
                           QString::number(o.projectGroups(year))};
    };
    for (int year = 1; year <= Engine::PlanningYears; ++year)
        t.rows << (QStringList{QString::number(year)} + cells(figures.kindergarten, year) +
                   cells(figures.volksschule, year));
    html += table(t, 1);
    return html;
}

QString populationChapter(const ReportData& d) {
    QString html = pageBreakHeading(QStringLiteral("Bevölkerung"));
    html += para(QStringLiteral(
        "Wohneinheiten und Bewohner des Baugebiets am Ende jedes Projektjahres, mit den Kindern im "
        "Kindergarten- und Volksschulalter."));
    html += table(d.population, 1);
    html += capacitySection(d.municipality.kapazitaet);
    return html;
}

QString methodChapter(const MasterProvenance& herkunft) {
    const QList<std::pair<QString, QString>> notes = {
        {QStringLiteral("Wohneinheiten und Bewohner"),
         QStringLiteral(
             "Aus der Fläche des Baulands, der Bebauung und den Grundstücks- und Nutzflächen ergibt sich "
             "die Zahl der Wohneinheiten je Bebauungstyp. Die Besiedelung legt fest, welcher Anteil davon in "
             "welchem Jahr bezogen wird. Die Bewohner je Altersjahr folgen aus Belegungswerten je "
             "Wohneinheit aus den Stammdaten.")},
        {QStringLiteral("Straßen, Leitungen und Grünflächen"),
         QStringLiteral("Errichtungskosten sind Länge oder Fläche mal Kosten je Einheit und fallen im Jahr 1 "
                        "bzw. im Jahr "
                        "des Straßenoberbaus an. Erhaltungskosten werden ab dem Folgejahr jährlich gleich "
                        "hoch gebucht.")},
        {QStringLiteral("Abgaben und Gebühren"),
         QStringLiteral(
             "Aufschließungsabgabe und Anschlussgebühren für Kanal und Wasser werden in dem Jahr "
             "eingenommen, "
             "in dem die Gebäude bezogen werden; eine Förderung durch die Gemeinde mindert die Abgabe.")},
        {QStringLiteral("Grundsteuer und Finanzausgleich"),
         QStringLiteral(
             "Die Grundsteuer wächst mit den bezogenen Gebäuden. Für zuziehende Bewohner erhält die Gemeinde "
             "zwei Jahre später Ertragsanteile und Transfers und zahlt Umlagen, nach den Werten der "
             "Gemeinde in den Stammdaten.")},
        {QStringLiteral("Soziale Infrastruktur"),
         QStringLiteral(
             "Für zuziehende Kinder von 3 bis 6 und von 7 bis 10 Jahren und für alle zuziehenden Bewohner "
             "fallen jährliche Kosten je Kind bzw. je Einwohner an.")},
        {QStringLiteral("Zinsen und Sonderausgaben"),
         QStringLiteral(
             "Der laufende Saldo jedes Auswertungstyps wird im Folgejahr mit dem Soll- oder Habenzinssatz "
             "verzinst; der aus Eigenmitteln gedeckte Teil trägt keine Zinsen. Sonderausgaben werden "
             "unverändert übernommen.")},
        {QStringLiteral("Kostenträger"),
         QStringLiteral(
             "Jeder Betrag wird nach den Anteilen seines Auswertungstyps auf die Kostenträger (Gemeinde, "
             "Verbände, Versorger, Land) aufgeteilt.")},
        {QStringLiteral("Kennzahlen"),
         QStringLiteral(
             "Der Saldo eines Jahres ist Einnahmen minus Ausgaben; der kumulierte Saldo ist die laufende "
             "Summe ab Jahr 1. Der Tiefpunkt ist sein kleinster Wert, das Amortisationsjahr das erste Jahr, "
             "ab dem er bis Jahr 20 nicht mehr negativ wird. Der Barwert zinst den Saldo jedes Jahres j mit "
             "(1 + Zinssatz)^j ab.")},
    };
    QString html = pageBreakHeading(QStringLiteral("Berechnungsmethode und Hinweise"));
    html += para(QStringLiteral("Alle Jahre sind Projektjahre 1 bis 20, keine Kalenderjahre. Beträge werden "
                                "ungerundet berechnet und erst in der Anzeige gerundet."));
    for (const auto& [heading, text] : notes)
        html +=
            QStringLiteral("<p style=\"margin-bottom: 6px;\"><b>%1.</b> %2</p>").arg(esc(heading), esc(text));
    html += subHeading(QStringLiteral("Herkunft der Stammdaten"));
    html += provenanceParagraph(herkunft, QStringLiteral("10pt"));
    if (herkunft.beispiel)
        html += para(QStringLiteral(
            "Die Gemeinden, ihre Bevölkerung und Bevölkerungsprognose, die Ertragsanteile, Transfers und "
            "Umlagen dieser Stammdaten sind erfunden. Die Ergebnisse zeigen, wie die Rechnung arbeitet, und "
            "beschreiben keine wirkliche Gemeinde. Für eine echte Gemeinde sind zuerst ihre Daten mit "
            "„Gemeindedaten importieren…“ einzulesen."));
    else if (!herkunft.isUnknown())
        html += para(QStringLiteral("Bevölkerung und Prognose stammen aus den genannten veröffentlichten "
                                    "Daten; die Finanzwerte hat die Gemeinde selbst eingetragen."));
    html += subHeading(QStringLiteral("Haftungsausschluss"));
    QStringList paragraphs{QString()};
    for (const QString& line : disclaimerLines()) {
        if (line.isEmpty())
            paragraphs << QString();
        else
            paragraphs.last() += (paragraphs.last().isEmpty() ? QString() : QStringLiteral(" ")) + line;
    }
    for (const QString& p : paragraphs)
        html += para(QStringLiteral("<b>%1</b>").arg(esc(p)));
    return html;
}

QString sourcesChapter(const ReportData& d) {
    QString html = pageBreakHeading(QStringLiteral("Quellen der Vorgabewerte"));
    html +=
        para(QStringLiteral("Die Vorgabewerte, die das Projekt unverändert verwendet, stützen sich auf diese "
                            "veröffentlichten Quellen."));
    if (d.sources.isEmpty())
        return html + para(QStringLiteral("Das Projekt verwendet keinen Vorgabewert mit Quellenangabe."));
    html +=
        kTable + QStringLiteral("<thead><tr><th bgcolor=\"#dde6ef\" align=\"left\" width=\"45%\">Quelle</th>"
                                "<th bgcolor=\"#dde6ef\" align=\"left\">verwendet für</th></tr></thead>");
    for (const ReportData::Source& s : d.sources)
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(esc(s.text), esc(s.fields));
    return html + QStringLiteral("</table>");
}

} // namespace parts

using namespace parts;

QString outdatedText() {
    return QStringLiteral(
        "Die Eingaben des Projekts wurden nach der letzten Berechnung geändert. Die Ergebnisse "
        "in diesem Bericht gehören zu den früheren Eingaben; die Annahmen zeigen die geänderten.");
}

QString cumulativeChartUrl() {
    return QStringLiteral("tavo://kumulierter-saldo.png");
}

QString typeChartUrl() {
    return QStringLiteral("tavo://saldo-je-typ.png");
}

QString bandChartUrl() {
    return QStringLiteral("tavo://bandbreite.png");
}

QList<Explained> summary(const KeyFigures& f) {
    QList<Explained> lines;
    lines << Explained{QStringLiteral("Ausgaben"), euro(f.ausgaben),
                       QStringLiteral("So viel gibt die Gemeinde in den 20 Jahren für das Baugebiet aus.")};
    lines << Explained{
        QStringLiteral("Einnahmen"), euro(f.einnahmen),
        QStringLiteral("So viel nimmt die Gemeinde in derselben Zeit durch das Baugebiet ein.")};
    lines << Explained{QStringLiteral("Saldo"), euro(f.saldo),
                       f.saldo >= 0 ? QStringLiteral("Nach 20 Jahren bleibt der Gemeinde ein Überschuss.")
                                    : QStringLiteral("Nach 20 Jahren bleibt der Gemeinde ein Fehlbetrag.")};
    lines << Explained{
        QStringLiteral("Tiefpunkt"), euro(f.tiefpunkt.betrag),
        f.tiefpunkt.betrag < 0
            ? QStringLiteral("Am tiefsten im Minus ist die Gemeinde im Jahr %1; so viel muss sie bis "
                             "dahin vorfinanzieren.")
                  .arg(f.tiefpunkt.jahr)
            : QStringLiteral("Die Gemeinde gerät in keinem Jahr ins Minus; der niedrigste Stand ist im "
                             "Jahr %1.")
                  .arg(f.tiefpunkt.jahr)};
    lines << Explained{
        QStringLiteral("Amortisationsjahr"),
        f.amortisationsjahr ? QString::number(*f.amortisationsjahr) : QStringLiteral("nicht erreicht"),
        f.amortisationsjahr
            ? QStringLiteral("Ab diesem Jahr bleibt der kumulierte Saldo bis zum Jahr 20 im Plus.")
            : QStringLiteral("Innerhalb von 20 Jahren holt die Gemeinde ihre Ausgaben nicht wieder herein.")};
    lines << Explained{
        QStringLiteral("Barwert (%1 %)").arg(NumberFormat::general(f.discountRate)), euro(f.barwert),
        QStringLiteral("Der Saldo aller Jahre auf heute abgezinst: spätere Beträge zählen weniger.")};
    lines << Explained{QStringLiteral("Wohneinheiten"), NumberFormat::fixed(f.wohneinheiten, 1),
                       QStringLiteral("So viele Wohneinheiten zählt das Baugebiet im Jahr 20.")};
    lines << Explained{QStringLiteral("Bewohner"), NumberFormat::fixed(f.bewohner, 1),
                       QStringLiteral("So viele Menschen wohnen im Jahr 20 im Baugebiet.")};
    lines << Explained{QStringLiteral("Saldo je Wohneinheit"),
                       f.saldoJeWohneinheit ? euro(*f.saldoJeWohneinheit) : QStringLiteral("–"),
                       QStringLiteral("Der Saldo der 20 Jahre, geteilt durch die Wohneinheiten.")};
    lines << Explained{QStringLiteral("Saldo je Bewohner"),
                       f.saldoJeBewohner ? euro(*f.saldoJeBewohner) : QStringLiteral("–"),
                       QStringLiteral("Der Saldo der 20 Jahre, geteilt durch die Bewohner.")};
    return lines;
}

QString document(const ReportData& data, const QDate& date, const Contents& contents, double textWidth,
                 const QStringList& breakBefore) {
    QString html = QStringLiteral("<html><body>");
    html += titlePage(data, date);
    html += contentsPage(contents);
    html += summaryPage(data, textWidth);
    html += inputsChapter(data);
    html += ReportPlan::chapter(data, textWidth);
    html += resultsChapter(data);
    html += rangeChapter(data);
    if (data.scenarios)
        html += rangeChart(textWidth);
    html += sensitivitySection(data, textWidth);
    html += populationChapter(data);
    html += municipalityChapter(data, textWidth);
    html += methodChapter(data.herkunft);
    html += sourcesChapter(data);
    for (const QString& heading : breakBefore)
        html.replace(subHeading(heading),
                     QStringLiteral("<h2 style=\"page-break-before: always; %1\">%2</h2>")
                         .arg(kSubHeadingStyle, esc(heading)));
    return html + QStringLiteral("</body></html>");
}

} // namespace ReportHtml

} // namespace tavo
