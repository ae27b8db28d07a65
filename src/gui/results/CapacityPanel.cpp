#include "gui/results/CapacityPanel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/data/NumberFormat.h"

namespace tavo {

namespace {

const QStringList kHeaders = {
    QStringLiteral("Jahr"),           QStringLiteral("Kinder-\ngarten"), QStringLiteral("weitere\nGruppen"),
    QStringLiteral("davon\nProjekt"), QStringLiteral("Volks-\nschüler"), QStringLiteral("weitere\nKlassen"),
    QStringLiteral("davon\nProjekt")};

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Children, further groups and the project's part of one institution in one year; empty where the
// institution is not stated.
void fillYear(QTableWidget* table, int row, int firstColumn, const SchoolCapacity::Outcome& outcome,
              int year) {
    if (!outcome.active) {
        for (int c = 0; c < 3; ++c)
            table->setItem(row, firstColumn + c, cell(QStringLiteral("–")));
        return;
    }
    const SchoolCapacity::Year& y = outcome.years[year];
    table->setItem(row, firstColumn, cell(NumberFormat::fixed(y.children, 1)));
    table->setItem(row, firstColumn + 1, cell(QString::number(y.groupsNeeded)));
    table->setItem(row, firstColumn + 2, cell(QString::number(outcome.projectGroups(year))));
}

} // namespace

CapacityPanel::CapacityPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnKapazitaet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Kapazität Kindergarten und Volksschule:"), this);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lbKapazitaet"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_table = new QTableWidget(Engine::PlanningYears, kHeaders.size(), this);
    m_table->setObjectName(QStringLiteral("twKapazitaet"));
    m_table->setHorizontalHeaderLabels(kHeaders);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(caption);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    hide();
}

void CapacityPanel::clear() {
    m_summary->clear();
    m_table->clearContents();
    hide();
}

void CapacityPanel::setFigures(const CapacityFigures& figures) {
    clear();
    if (!figures.any())
        return;
    m_summary->setText(capacitySummary(figures).join(QLatin1Char('\n')));
    for (int year = 1; year <= Engine::PlanningYears; ++year) {
        const int row = year - 1;
        m_table->setItem(row, 0, cell(QString::number(year)));
        fillYear(m_table, row, 1, figures.kindergarten, year);
        fillYear(m_table, row, 4, figures.volksschule, year);
    }
    show();
}

} // namespace tavo
