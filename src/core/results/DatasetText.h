#pragma once

#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QString>

namespace tavo {

// A whole dataset as tab-separated text, as the clipboard copy and `tavo-cli export` give it:
// a header line of the record's field names (not the grid captions), then one line per row, cells
// separated by one tab, every line (the header too) ended by CR LF. Numbers appear in the locale's
// general format without thousands separators (NumberFormat::general), NULL and empty cells stay
// empty, text is written as it is, without quoting or escaping.
namespace DatasetText {

// Every row of the model (fetching the rest if the model has not loaded them all yet).
QString fromModel(const QSqlQueryModel& model);

// Every row of an executed SELECT query, from its first row; the query is left after its last row.
QString fromQuery(QSqlQuery& query);

// The same dataset as an HTML table for word processors, put on the clipboard beside the text: a
// header row (<th>) of the field names, one <tr> per row with the cells as fromModel() writes them
// (numbers right-aligned), text escaped.
QString htmlFromModel(const QSqlQueryModel& model);

} // namespace DatasetText

} // namespace tavo
