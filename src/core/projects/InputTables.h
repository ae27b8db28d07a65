#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QVariant>

namespace tavo {

// The six input pages of the main window, described as data: pages hold groups, groups hold rows,
// a row holds a caption and one or two inputs. One loop (InputPageBuilder) turns them into widgets;
// the export of a whole project lists the inputs with the same captions. Plain data, no Qt.
namespace InputTables {

enum CellFlags : unsigned {
    ValueList = 1u, // a value-list field (ValueListCombo) stands to the left of the input
    ReadOnly = 2u,  // display only
    Text = 4u,      // a text input instead of a numeric one
};

struct Cell {
    const char* column = nullptr; // nullptr: no input in this place
    int decimals = -1;            // -1: the general number format
    unsigned flags = ValueList;
    // The input's own caption with its unit, where the row's caption names another input or
    // repeats on the page ("Gemeindeförderung (%):" four times); nullptr: taken from row and heading.
    const char* label = nullptr;
};

// A button placed after the row's inputs; its handler is connected elsewhere.
struct RowButton {
    const char* objectName = nullptr;
    const char* caption = nullptr;
    const char* hint = nullptr;
};

struct Row {
    const char* caption;
    Cell first;
    Cell second;
    RowButton button;
};

// Which detail grid a group holds above its rows.
enum class GridSlot { None, Bebauung, Besiedelung, Sonderausgaben };

struct Group {
    const char* title = nullptr;        // nullptr: a group without heading
    const char* headingFirst = nullptr; // column headings over the first and second inputs
    const char* headingSecond = nullptr;
    int splitAt = 0;             // > 0: rows from this index on form a right half
    bool besidePrevious = false; // placed to the right of the previous group
    GridSlot grid = GridSlot::None;
    std::vector<Row> rows;
};

struct Page {
    const char* title;
    std::vector<Group> groups;
};

// The six input pages in their order.
const std::vector<Page>& inputPages();

// A caption as "Fläche Straße (m2):" splits into "Fläche Straße" and the unit "m2".
std::pair<QString, QString> splitCaption(const char* text);

// Every project column that an input of the pages edits or shows, without duplicates.
std::vector<const char*> boundColumns();

// The caption of one input of a row as a list names it on its own, with its unit in brackets: the
// cell's label, else the row's caption joined with the group's column heading of the cell ("Kanal,
// Errichtungskosten (%)", "Straßenoberbau, Errichtungskosten (€ je m2)"); the heading is left out
// where the row names the same unit itself. No trailing colon.
QString inputCaption(const Group& group, const Row& row, bool second);

// A stored input as a comparison or a report shows it: "–" when empty, text as it is, a number with
// the cell's decimals (or the general format) in the user's locale.
QString displayText(const QVariant& value, const Cell& cell);

} // namespace InputTables

} // namespace tavo
