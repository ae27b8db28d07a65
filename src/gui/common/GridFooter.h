#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTableView;

namespace tavo {

// The footer row under a table view: one cell per column, kept under its column while columns are
// resized or moved and the view is scrolled sideways. The cells are painted at their column's
// current place on every paint, so they never lag behind the header. A cell shows either its set
// text or, when a text provider is set, what the provider returns for its column (e.g. a sum the
// model computes).
class GridFooter : public QWidget {
    Q_OBJECT
public:
    GridFooter(QTableView* view, QWidget* parent = nullptr);

    // The text of every cell comes from provider (called at paint time).
    void setTextProvider(std::function<QString(int column)> provider);
    void setText(int column, const QString& text);
    QString text(int column) const;
    // One text per column of the view's model.
    QStringList texts() const;

    // Alignment of a cell's text; right-aligned unless set.
    void setAlignment(int column, Qt::Alignment alignment);
    // Cells drawn with a frame on the window colour (detail grids) or without one on the button
    // colour (result grids).
    void setFramedCells(bool framed);

    // The rectangle of a column's cell in this widget's coordinates.
    QRect cellRect(int column) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int viewportLeft() const;
    int columnCount() const;

    QTableView* m_view;
    std::function<QString(int)> m_provider;
    QStringList m_texts;
    QList<Qt::Alignment> m_alignments;
    bool m_framed = true;
};

} // namespace tavo
