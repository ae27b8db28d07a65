#pragma once

#include <array>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tavo {

// The fiscal figures of the municipalities as the planner fills them in: one row per municipality,
// for every per-inhabitant table of the master (revenue shares, secondary transfers, the three levies)
// and for the reduction rates and caps either a base-year value with an annual change in percent or
// 20 explicit yearly values. The template is written empty (the cells to fill) and read back as CSV
// (semicolons, as CsvWriter writes it) or as an Excel workbook (.xlsx, first sheet).
namespace FiscalTemplate {

constexpr int Years = 20;

// One master table of the template with its unit and the range a value must lie in.
struct Item {
    const char* table;       // the master table, e.g. "FA_Ertragsanteile"
    const char* unit;        // as written after a number: "€" or "%"
    const char* unitCaption; // in the header: "€/EW", "%", "€"
    double min;
    double max;
};
constexpr int ItemCount = 9;
const std::array<Item, ItemCount>& items();

// The yearly values (Jahr1..Jahr20) of every item, in the order of items().
using Figures = std::array<std::array<double, Years>, ItemCount>;

// The range of the annual change in percent.
constexpr double MinChange = -25.0;
constexpr double MaxChange = 25.0;

// The header of the template: "Gemeindekennziffer", "Gemeinde", then per item "<Tabelle> Basis
// (<Einheit>)", "<Tabelle> Änderung (% p. a.)" and "<Tabelle> Jahr1 (<Einheit>)" … "Jahr20".
QStringList header();

// The municipalities (code, name) of a master database file, ordered by code. Throws TavoError.
QList<QPair<int, QString>> municipalitiesOf(const QString& masterPath);

// The template rows for the municipalities (code, name): code and name filled, every figure empty.
QList<QVariantList> rows(const QList<QPair<int, QString>>& municipalities);

// The result of reading a filled template.
struct Reading {
    QHash<int, Figures> figures; // municipality code -> yearly values
    QList<int> withoutFigures;   // rows whose figure cells are all empty
    QStringList errors;          // "Datei, Zeile N: Ursache"
};

// Reads a filled template (.csv or .xlsx); known: the municipality codes the rows may name.
Reading read(const QString& path, const QHash<int, QString>& known);

// A cell's number: "1045,5", "1045.5", "1.045,50", optionally followed by the item's unit ("935 €",
// "18 %"). Empty *error and the value when it is one; else *error names the cause in German.
double parseNumber(const QString& text, const QString& unit, QString* error);

} // namespace FiscalTemplate

} // namespace tavo
