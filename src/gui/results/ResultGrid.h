#pragma once

#include <functional>

#include <QAbstractTableModel>
#include <QList>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStringList>
#include <QWidget>

#include "gui/print/TablePrinter.h"

class QAction;
class QTableView;

namespace tavo {

class GridFooter;

// One column of a result grid: the field it shows (also its title), its width in pixels, its display
// format and the alignment of its cells and title.
struct ResultColumn {
    const char* field;
    int width;
    CellFormat format;
    Qt::Alignment alignment;
};

// The rows of a result query as the grid's columns: each grid column shows the query field of the same
// name, or stays empty when the query has no such field (the balance grouped without Typ). Values are
// the raw database values; the grid's delegate and the table printer format them.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultGridModel(QList<ResultColumn> columns, QObject* parent = nullptr);

    // Shows every row of an executed, scrollable query.
    void setQuery(QSqlQuery&& query);
    // Closes the dataset: no rows, no fields.
    void clear();
    bool isOpen() const { return m_open; }

    // The query's own dataset (its fields in query order), as the clipboard copy takes it.
    const QSqlQueryModel& queryModel() const { return m_source; }
    const QList<ResultColumn>& columns() const { return m_columns; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ResultColumn> m_columns;
    QList<int> m_sourceColumn; // per grid column the query column, -1 when the query lacks the field
    QSqlQueryModel m_source;
    bool m_open = false;
};

// A read-only result grid with an optional footer row of static texts (e.g. "Summe:" and totals)
// that stays under its columns when they are resized or scrolled. Its context menu copies the dataset
// to the clipboard and saves it as a file ("Exportieren...").
class ResultGrid : public QWidget {
    Q_OBJECT
public:
    ResultGrid(const QList<ResultColumn>& columns, bool withFooter, QWidget* parent = nullptr);

    QTableView* view() const { return m_view; }
    ResultGridModel* model() const { return m_model; }

    // Footer cells by field name; a grid without a footer ignores them.
    void setFooterText(const QString& field, const QString& text);
    QString footerText(const QString& field) const;
    // Aligns one footer cell differently from its column (e.g. "Summe:" right-aligned under a text column).
    void setFooterAlignment(const QString& field, Qt::Alignment alignment);
    // One footer cell per column, empty when the grid has no footer.
    QStringList footerCells() const;
    bool hasFooter() const { return m_footer != nullptr; }
    // The footer row, nullptr when the grid has none.
    GridFooter* footer() const { return m_footer; }

    // The columns as the table printer takes them (same titles, widths, formats and alignments).
    QList<PrintColumn> printColumns() const;
    // The text a cell shows for a value of this column.
    QString cellText(int column, const QVariant& value) const;

    // The name of the view in an export (sheet and suggested file name) and the fields that get a
    // totals row there.
    void setExportName(const QString& name, const QStringList& totalFields = {});
    QString exportName() const { return m_exportName; }
    // What the suggested file name of an export starts with (the project's name), empty for none.
    void setExportFilePrefix(const QString& prefix) { m_exportFilePrefix = prefix; }
    // The context-menu entries; both do nothing while the grid shows no dataset.
    QAction* copyAction() const { return m_copyAction; }
    QAction* exportAction() const { return m_exportAction; }
    // Asks for a file and saves the dataset there (ResultExport). False when cancelled or closed.
    bool exportDataset();

    // Where a grid is too narrow for every column whole, its text columns are cut to one level (the
    // widest a text column may be); shorter ones stay whole. The width the grid needs to show its
    // visible columns with text cut at level, the width that shows every text whole, the level
    // at which the grid fits room, and the largest level whose width (widthAt) fits room.
    int widthForLevel(int level) const;
    int fullWidth() const;
    int textLevelFor(int room) const;
    static int largestLevel(const std::function<int(int)>& widthAt, int room);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildFooter();
    void widenNumberColumns();
    // Gives every column its wanted width, a text column what its longest entry needs where there is
    // room; where the grid is too narrow for them all, the longest text columns give up the
    // difference (cut short, full text as tooltip), so that the amounts and short texts stay in sight.
    void fitColumns();
    QList<int> columnWidthsFor(int level) const;
    int chromeWidth() const;
    // The position of the column showing field, or -1.
    int columnOf(const QString& field) const;

    QTableView* m_view = nullptr;
    ResultGridModel* m_model = nullptr;
    GridFooter* m_footer = nullptr;
    QList<int> m_wanted;   // per column: the designed width, grown to what its contents need
    QList<int> m_textNeed; // per text column: the width of its longest entry, uncapped
    QString m_exportName = QStringLiteral("Tabelle");
    QString m_exportFilePrefix;
    QStringList m_totalFields;
    QAction* m_copyAction = nullptr;
    QAction* m_exportAction = nullptr;
};

} // namespace tavo
