#pragma once

#include <QWidget>

#include "core/results/CapacityFigures.h"

class QLabel;
class QTableWidget;

namespace tavo {

// Beside the inhabitants on the population page: where the project states the capacity of
// kindergarten or school, the year the existing places run out and, per year, the children and the
// further groups (classes) needed in all and by the project. Hidden while neither is stated.
class CapacityPanel : public QWidget {
    Q_OBJECT
public:
    explicit CapacityPanel(QWidget* parent = nullptr);

    void setFigures(const CapacityFigures& figures);
    void clear();

    QLabel* summary() const { return m_summary; }
    QTableWidget* table() const { return m_table; }

private:
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace tavo
