#include "core/projects/InputTables.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <QRegularExpression>

#include "core/data/NumberFormat.h"

namespace tavo {

namespace InputTables {
namespace {

// A numeric input with its value-list field.
Cell num(const char* column, int decimals = -1) {
    return {column, decimals, ValueList};
}
// A numeric input without value list.
Cell bare(const char* column, int decimals = -1) {
    return {column, decimals, 0u};
}
// A display-only numeric field.
Cell shown(const char* column, int decimals = -1) {
    return {column, decimals, ReadOnly};
}

// A cell with a caption of its own.
Cell labelled(Cell cell, const char* label) {
    cell.label = label;
    return cell;
}

const char* const kEr = "Errichtungskosten (€):";
const char* const kEh = "Erhaltungskosten/Jahr (€):";
const char* const kErPct = "Errichtungskosten (%):";
const char* const kEhPct = "Erhaltungskosten (%):";

Page baugebiet() {
    return {
        "Baugebiet/Bebauung",
        {{"Fläche:",
          nullptr,
          nullptr,
          0,
          false,
          GridSlot::None,
          {{"Gesamtfläche (m2):", num("bgFlBaulandBrutto", 0)},
           {"Anteil öffentliche Grünflächen (%):", num("bgAntGrünflächen", 1),
            labelled(bare("bgFlGrünflächen", 0), "Fläche öffentliche Grünflächen (m2)")},
           {"Anteil Verkehrsfläche (%):", num("bgAntVerkehrsflächen", 1),
            labelled(bare("bgFlVerkehrsflächen", 0), "Fläche Verkehrsfläche (m2)")},
           {"Fläche Bauland (m2):", shown("bgFlBaulandNetto", 0)}}},
         {"Bebauung:", nullptr, nullptr, 0, false, GridSlot::Bebauung, {}},
         {nullptr,
          nullptr,
          nullptr,
          6,
          false,
          GridSlot::None,
          {{"Wohnnutzfläche Einfamilienhaus groß (m2):", num("bgNutzFl_EFHg", 1)},
           {"Wohnnutzfläche Einfamilienhaus klein (m2):", num("bgNutzFl_EFHk", 1)},
           {"Wohnnutzfläche Reihenhaus groß (m2):", num("bgNutzFl_RHg", 1)},
           {"Wohnnutzfläche Reihenhaus klein (m2):", num("bgNutzFl_RHk", 1)},
           {"Wohnnutzfläche großvol. Wohnbau (m2):", num("bgNutzFl_GWB", 1)},
           {"Bebauungsdichte großvol. Wohnbau (%):", num("bgBebDichte_GWB", 1)},
           {"Grundstücksgröße Einfamilienhaus groß (m2):", num("bgGstFl_EFHg", 0)},
           {"Grundstücksgröße Einfamilienhaus klein (m2):", num("bgGstFl_EFHk", 0)},
           {"Grundstücksgröße Reihenhaus groß (m2):", num("bgGstFl_RHg", 0)},
           {"Grundstücksgröße Reihenhaus klein (m2):", num("bgGstFl_RHk", 0)},
           {"Grundstücksgröße großvol. Wohnbau (m2):", num("bgGstFl_GWB", 0)},
           {"durchschn. Wandstärke von Gebäuden (m):", num("bgWandstärke")}}}}};
}

Page infrastruktur() {
    const RowButton vorgabe{"btBerechneLeitungslaengen", "...", "Berechne Vorgabewerte"};
    const RowButton flaeche{"btBerechneFlaeche", "...", "Berechne Fläche"};
    return {
        "techn. Infrastruktur",
        {{"Innenerschließung:",
          nullptr,
          nullptr,
          0,
          false,
          GridSlot::None,
          {{"Gesamtfläche (m2):", shown("bgFlBaulandBrutto", 0)},
           {"Fläche Straße (m2):", shown("bgFlVerkehrsflächen", 0)},
           {"Berechnungsfaktor Leitungslängen:", num("ifFaktorLeitungslängen", 3), {}, vorgabe},
           {"Kanal Str-Entwässerung (Lfm):", num("ifLfmKanalStrEntwässerung", 0)},
           {"Wasserleitung (Lfm):", num("ifLfmWasserleitung", 0)},
           {"Kanal Trennsystem (Lfm):", num("ifLfmKanalTrennsystem", 0)},
           {"Kanal Mischsystem (Lfm):", num("ifLfmKanalMischsystem", 0)},
           {"Straßenbeleuchtung (Lfm):", num("ifLfmStraßenbeleuchtung", 0)},
           {"Stromleitung (Lfm):", num("ifLfmStromleitung", 0)},
           {"Datenleitung (Lfm):", num("ifLfmDatenleitung", 0)},
           {"Gasleitung (Lfm):", num("ifLfmGasleitung", 0)},
           {"Nahwärmeleitung (Lfm):", num("ifLfmNahwärme", 0)},
           {"Straßenoberbau in Jahr:", num("ifOberflächeInJahr", 0)}}},
         {"Außenerschließung:",
          nullptr,
          nullptr,
          0,
          true,
          GridSlot::None,
          {{"Fläche Straße (m2):", num("ifFlAnschlStraße", 0), {}, flaeche},
           {"Kanal Str-Entwässerung (Lfm):", num("ifLfmAnschlKanalStrEntwässerung", 0)},
           {"Wasserleitung (Lfm):", num("ifLfmAnschlWasserleitung", 0)},
           {"Kanal Trennsystem (Lfm):", num("ifLfmAnschlKanalTrennsystem", 0)},
           {"Kanal Mischsystem (Lfm):", num("ifLfmAnschlKanalMischsystem", 0)},
           {"Straßenbeleuchtung (Lfm):", num("ifLfmAnschlStraßenbeleuchtung", 0)},
           {"Stromleitung (Lfm):", num("ifLfmAnschlStromleitung", 0)},
           {"Datenleitung (Lfm):", num("ifLfmAnschlDatenleitung", 0)},
           {"Gasleitung (Lfm):", num("ifLfmAnschlGasleitung", 0)},
           {"Nahwärmeleitung (Lfm):", num("ifLfmAnschlNahwärme", 0)},
           {"Straßenoberbau in Jahr:", num("ifAnschlOberflächeInJahr", 0)}}},
         {nullptr,
          kEr,
          kEh,
          0,
          false,
          GridSlot::None,
          {{"Straßenunterbau (m2):", num("ifKoErStraßeUnterbau", 1)},
           {"Straßenoberbau (m2):", num("ifKoErStraßeOberbau", 1), num("ifKoEhStraße", 1)},
           {"Str-Entwässerung (Lfm):", num("ifKoErKanalStrEntwässerung", 1),
            num("ifKoEhKanalStrEntwässerung", 1)},
           {"Wasserleitung (Lfm):", num("ifKoErWasserleitung", 1), num("ifKoEhWasserleitung", 1)},
           {"Kanal Trennsystem (Lfm):", num("ifKoErKanalTrennsystem", 1), num("ifKoEhKanalTrennsystem", 1)},
           {"Kanal Mischsystem (Lfm):", num("ifKoErKanalMischsystem", 1), num("ifKoEhKanalMischsystem", 1)},
           {"Straßenbel. (Lfm):", num("ifKoErStraßenbeleuchtung", 1), num("ifKoEhStraßenbeleuchtung", 1)},
           {"Grünflächen (m2):", num("ifKoErGrünflächen", 1), num("ifKoEhGrünflächen", 1)},
           {"Stromleitung (Lfm):", num("ifKoErStromleitung", 1), num("ifKoEhStromleitung", 1)},
           {"Datenleitung(Lfm):", num("ifKoErDatenleitung", 1), num("ifKoEhDatenleitung", 1)},
           {"Gasleitung (Lfm):", num("ifKoErGasleitung", 1), num("ifKoEhGasleitung", 1)},
           {"Nahwärmeltg. (Lfm):", num("ifKoErNahwärme", 1), num("ifKoEhNahwärme", 1)}}}}};
}

Page besiedelung() {
    return {"Besiedelung",
            {{nullptr,
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Hebes. Aufschl.-Abgabe:",
                labelled(num("auHebesatzAufschl"), "Hebesatz Aufschließungsabgabe (€ je m)")},
               {"Gemeindeförderung (%):",
                labelled(num("auAntGemFörderungAufschl", 0), "Gemeindeförderung Aufschließungsabgabe (%)"),
                labelled(shown("auGemFörderungAufschl"), "Gemeindeförderung Aufschließungsabgabe (€ je m)")},
               {"Einheitssatz Wasserl.:",
                labelled(num("auEinheitssatzWasser"), "Einheitssatz Wasserleitung (€ je m2)")},
               {"Gemeindeförderung (%):",
                labelled(num("auAntGemFörderungWasser", 0), "Gemeindeförderung Wasserleitung (%)"),
                labelled(shown("auGemFörderungWasser"), "Gemeindeförderung Wasserleitung (€ je m2)")},
               {"Einheitssatz Kanal Schmutzw.:",
                labelled(num("auEinheitssatzKanalSchmutz"), "Einheitssatz Kanal Schmutzwasser (€ je m2)")},
               {"Gemeindeförderung (%):",
                labelled(num("auAntGemFörderungKanalSchmutz", 0), "Gemeindeförderung Kanal Schmutzwasser (%)"),
                labelled(shown("auGemFörderungKanalSchmutz"), "Gemeindeförderung Kanal Schmutzwasser (€ je m2)")},
               {"Einheitssatz Kanal Mischw.:",
                labelled(num("auEinheitssatzKanalMisch"), "Einheitssatz Kanal Mischwasser (€ je m2)")},
               {"Gemeindeförderung (%):",
                labelled(num("auAntGemFörderungKanalMisch", 0), "Gemeindeförderung Kanal Mischwasser (%)"),
                labelled(shown("auGemFörderungKanalMisch"), "Gemeindeförderung Kanal Mischwasser (€ je m2)")}}},
             {"Besiedelung (Fertigstellung in %)",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::Besiedelung,
              {{"Anteil Zuzug aus and. Gem.(%):", num("auAnteilZuzug", 0)}}}}};
}

Page grundsteuer() {
    return {"Grundsteuer",
            {{"Einheitswert:",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Gebäudewert Einfamilienhaus groß (€/m2 Nutzfläche):", num("gsGebWertEFHg")},
               {"Gebäudewert Einfamilienhaus klein (€/m2 Nutzfläche):", num("gsGebWertEFHk")},
               {"Gebäudewert Reihenhaus groß (€/m2 Nutzfläche):", num("gsGebWertRHg")},
               {"Gebäudewert Reihenhaus klein (€/m2 Nutzfläche):", num("gsGebWertRHk")},
               {"Gebäudewert großvol. Wohnbau (€/m2 Nutzfläche):", num("gsGebWertGWB")},
               {"Bodenwert zum Bewertungsstichtag (€/m2):", num("gsBodenwert")}}},
             {"Grundsteuer:",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Steuermesszahl Einfamilienhaus groß:", num("gsSteuermesszahlEFHg")},
               {"Steuermesszahl Einfamilienhaus klein:", num("gsSteuermesszahlEFHk")},
               {"Steuermesszahl Reihenhaus groß:", num("gsSteuermesszahlRHg")},
               {"Steuermesszahl Reihenhaus klein:", num("gsSteuermesszahlRHk")},
               {"Steuermesszahl großvol. Wohnbau:", num("gsSteuermesszahlGWB")},
               {"Hebesatz:", num("gsHebesatz")}}}}};
}

Page sozial() {
    return {"soz. Infrastruktur",
            {{"Kindergarten:",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Kosten pro Kind (€):", num("siKoEhKindergarten")}}},
             {"Volksschule:",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Kosten pro Kind (€):", num("siKoEhVolksschule")}}},
             {"sonst. Institutionen (Gemeindeverbände/vereine, Rettungswesen, Feuerwehr):",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Kosten pro EW (€):", num("siKoEhSonstige", 0)}}},
             // Left empty, the kindergarten and the school are booked per child as above.
             {"Kapazität (Kindergartengruppen, Volksschulklassen):",
              "Kindergarten:",
              "Volksschule:",
              0,
              false,
              GridSlot::None,
              {{"vorhandene Plätze:", bare("siPlätzeKindergarten", 0), bare("siPlätzeVolksschule", 0)},
               {"vorhandene Gruppen/Klassen:", bare("siGruppenKindergarten", 0), bare("siKlassenVolksschule", 0)},
               {"Plätze je Gruppe/Klasse:", num("siPlätzeJeGruppeKindergarten", 0),
                num("siPlätzeJeKlasseVolksschule", 0)},
               {"Errichtung je Gruppe/Klasse (€):", num("siKoErGruppeKindergarten", 0),
                num("siKoErKlasseVolksschule", 0)},
               {"Erhaltung je Gruppe/Klasse und Jahr (€):", num("siKoEhGruppeKindergarten", 0),
                num("siKoEhKlasseVolksschule", 0)}}}}};
}

Page finanzierung() {
    return {"Finanzierung",
            {{"Eigenmittelanteile:",
              kErPct,
              kEhPct,
              0,
              false,
              GridSlot::None,
              {{"öffentliches Gut:", num("fiEigAntErÖffGut", 0), num("fiEigAntEhÖffGut", 0)},
               {"Effektivzinssatz Soll (%):", num("fiZinsenSoll")},
               {"Effektivzinssatz Haben (%):", num("fiZinsenHaben")}}},
             {"Sonderausgaben:", nullptr, nullptr, 0, false, GridSlot::Sonderausgaben, {}},
             {nullptr,
              kErPct,
              kEhPct,
              0,
              false,
              GridSlot::None,
              {{"Kanal:", num("fiEigAntErKanal", 0), num("fiEigAntEhKanal", 0)},
               {"Wasserleitung:", num("fiEigAntErWasserleitung", 0), num("fiEigAntEhWasserleitung", 0)},
               {"Kindergarten:", num("fiEigAntErKindergarten", 0), num("fiEigAntEhKindergarten", 0)},
               {"Stromleitung:", num("fiEigAntErStromleitung", 0), num("fiEigAntEhStromleitung", 0)},
               {"Datenleitung:", num("fiEigAntErDatenleitung", 0), num("fiEigAntEhDatenleitung", 0)},
               {"Gasleitung:", num("fiEigAntErGasleitung", 0), num("fiEigAntEhGasleitung", 0)},
               {"Nahwärmeleitung:", num("fiEigAntErNahwärme", 0), num("fiEigAntEhNahwärme", 0)}}},
             // Left empty, the municipality neither buys nor sells land.
             {"Grundstücksankauf und -verkauf durch die Gemeinde:",
              nullptr,
              nullptr,
              0,
              false,
              GridSlot::None,
              {{"Kaufpreis Bruttobauland (€/m2):", bare("gvKaufpreisBrutto", 2)},
               {"Verkaufspreis Nettobauland (€/m2):", bare("gvVerkaufspreisNetto", 2)},
               {"Ankauf in Jahr:", bare("gvKaufjahr", 0)},
               {"Verkauf verteilt auf Jahre (leer: wie Besiedelung):", bare("gvVerkaufsjahre", 0)}}}}};
}

} // namespace

// A caption as "Fläche Straße (m2):" splits into "Fläche Straße" and the unit "m2".
std::pair<QString, QString> splitCaption(const char* text) {
    QString caption = QString::fromUtf8(text).trimmed();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    static const QRegularExpression unit(QStringLiteral("\\s*\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = unit.match(caption);
    if (!m.hasMatch())
        return {caption.trimmed(), QString()};
    return {caption.left(m.capturedStart()).trimmed(), m.captured(1)};
}

const std::vector<Page>& inputPages() {
    static const std::vector<Page> pages = {baugebiet(),   infrastruktur(), besiedelung(),
                                            grundsteuer(), sozial(),        finanzierung()};
    return pages;
}

std::vector<const char*> boundColumns() {
    std::vector<const char*> columns;
    const auto add = [&columns](const char* column) {
        if (!column)
            return;
        const bool known = std::any_of(columns.begin(), columns.end(),
                                       [column](const char* c) { return std::strcmp(c, column) == 0; });
        if (!known)
            columns.push_back(column);
    };
    for (const Page& page : inputPages())
        for (const Group& group : page.groups)
            for (const Row& row : group.rows) {
                add(row.first.column);
                add(row.second.column);
            }
    return columns;
}

QString inputCaption(const Group& group, const Row& row, bool second) {
    const Cell& cell = second ? row.second : row.first;
    if (cell.label)
        return QString::fromUtf8(cell.label);
    const auto [name, unit] = splitCaption(row.caption);
    const char* heading = second ? group.headingSecond : group.headingFirst;
    const QString whole = unit.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, unit);
    if (!heading)
        return whole;
    const auto [what, headingUnit] = splitCaption(heading);
    if (unit == headingUnit)
        return whole;
    // An amount per row unit: "€" under a row "(m2)" is "€ je m2".
    QString combined = headingUnit;
    if (headingUnit.isEmpty())
        combined = unit;
    else if (!unit.isEmpty() && headingUnit != QLatin1String("%"))
        combined = QStringLiteral("%1 je %2").arg(headingUnit, unit);
    return combined.isEmpty() ? QStringLiteral("%1, %2").arg(name, what)
                              : QStringLiteral("%1, %2 (%3)").arg(name, what, combined);
}

QString displayText(const QVariant& value, const Cell& cell) {
    if (value.isNull() || value.toString().isEmpty())
        return QStringLiteral("–");
    if (cell.flags & Text)
        return value.toString();
    const double number = NumberFormat::toDouble(value);
    return cell.decimals >= 0 ? NumberFormat::fixed(number, cell.decimals) : NumberFormat::general(number);
}

} // namespace InputTables

} // namespace tavo
