#include "gui/results/KeyFiguresPanel.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/TavoError.h"
#include "core/results/KeyFigureText.h"
#include "gui/results/KeyFigureCharts.h"

namespace tavo {

namespace {

const QString kAllBearers = QStringLiteral("alle");

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

QChartView* chartView(const QString& name) {
    auto* view = new QChartView;
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 300);
    return view;
}

// Sets a new chart on a view, deleting the one it showed.
void replaceChart(QChartView* view, QChart* chart) {
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace

KeyFiguresPanel::KeyFiguresPanel(Databases& dbs, QWidget* parent) : QWidget(parent), m_dbs(dbs) {
    m_hint = new QLabel(QStringLiteral("Für dieses Projekt liegen noch keine Ergebnisse vor. Mit „Berechnen“ "
                                       "werden die Kennzahlen ermittelt."));
    m_hint->setObjectName(QStringLiteral("lbKennzahlenHinweis"));
    m_hint->setWordWrap(true);

    m_table = new QTableWidget(0, 2);
    m_table->setObjectName(QStringLiteral("GridKennzahlen"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Kennzahl"), QStringLiteral("Wert")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->setMinimumWidth(330);
    m_cumulative = chartView(QStringLiteral("ChartKumuliert"));
    m_byType = chartView(QStringLiteral("ChartSaldoTyp"));
    m_table->setAccessibleName(QStringLiteral("Kennzahlen"));
    m_table->setAccessibleDescription(
        QStringLiteral("Die Kennzahlen des Projekts, je Zeile Bezeichnung und Wert"));
    m_cumulative->setAccessibleName(QStringLiteral("Diagramm kumulierter Saldo"));
    m_cumulative->setAccessibleDescription(QStringLiteral(
        "Der über die Projektjahre aufsummierte Saldo in Euro; die Werte stehen in der Tabelle Kennzahlen"));
    m_byType->setAccessibleName(QStringLiteral("Diagramm Saldo nach Typ"));
    m_byType->setAccessibleDescription(
        QStringLiteral("Der Saldo der Jahre 1 bis 20 je Typ in Euro als Balken"));
    m_printModel = new QStandardItemModel(this);

    m_content = new QWidget;
    auto* columns = new QHBoxLayout(m_content);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(m_table, 2);
    auto* charts = new QVBoxLayout;
    charts->addWidget(m_cumulative, 1);
    charts->addWidget(m_byType, 1);
    columns->addLayout(charts, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildToolRow());
    layout->addWidget(m_hint);
    layout->addWidget(m_content, 1);
    showFigures();
}

QWidget* KeyFiguresPanel::buildToolRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_costBearer = new QComboBox;
    m_costBearer->setObjectName(QStringLiteral("cbKennzahlenKostentraeger"));
    try {
        m_costBearer->addItems(keyFigureCostBearers(m_dbs.master()));
    } catch (const TavoError&) {
        // Without the master's cost bearers the figures are shown for all of them together.
    }
    m_costBearer->addItem(kAllBearers);
    m_costBearer->setCurrentText(KeyFigureOptions().costBearer);
    m_rate = new QDoubleSpinBox;
    m_rate->setObjectName(QStringLiteral("edKennzahlenZinssatz"));
    m_rate->setRange(0.0, 20.0);
    m_rate->setDecimals(2);
    m_rate->setSingleStep(0.5);
    m_rate->setSuffix(QStringLiteral(" %"));
    m_rate->setValue(KeyFigureOptions().discountRate);
    m_copy = toolButton(row, QStringLiteral("btKennzahlenKopieren"), QStringLiteral("Kopieren"),
                        QStringLiteral("in Zwischenablage kopieren"));
    m_print = toolButton(row, QStringLiteral("btKennzahlenDrucken"), QStringLiteral("Drucken"),
                         QStringLiteral("drucke Kennzahlen"));
    m_pdf = toolButton(row, QStringLiteral("btKennzahlenPdf"), QStringLiteral("PDF..."),
                       QStringLiteral("Kennzahlen als PDF-Datei speichern"));
    layout->addWidget(new QLabel(QStringLiteral("Kostenträger:")));
    layout->addWidget(m_costBearer);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Zinssatz für den Barwert:")));
    layout->addWidget(m_rate);
    layout->addStretch(1);
    layout->addWidget(m_copy);
    layout->addWidget(m_print);
    layout->addWidget(m_pdf);

    connect(m_costBearer, &QComboBox::currentTextChanged, this, &KeyFiguresPanel::refreshShowingErrors);
    connect(m_rate, &QDoubleSpinBox::valueChanged, this, &KeyFiguresPanel::refreshShowingErrors);
    connect(m_copy, &QToolButton::clicked, this, [this] {
        if (m_figures.hasResults)
            QApplication::clipboard()->setText(clipboardText());
    });
    connect(m_print, &QToolButton::clicked, this, [this] {
        if (m_figures.hasResults)
            Q_EMIT printRequested();
    });
    connect(m_pdf, &QToolButton::clicked, this, [this] {
        if (m_figures.hasResults)
            Q_EMIT pdfRequested();
    });
    return row;
}

KeyFigureOptions KeyFiguresPanel::options() const {
    KeyFigureOptions options;
    options.costBearer = m_costBearer->currentText() == kAllBearers ? QString() : m_costBearer->currentText();
    options.discountRate = m_rate->value();
    return options;
}

void KeyFiguresPanel::setProject(int projectId) {
    m_projectId = projectId;
    refresh();
}

void KeyFiguresPanel::closeProjectData() {
    m_projectId = 0;
    m_figures = KeyFigures();
    showFigures();
}

void KeyFiguresPanel::refresh() {
    m_figures = KeyFigures();
    try {
        if (m_projectId > 0)
            m_figures = computeKeyFigures(m_dbs.user(), m_projectId, options());
    } catch (...) {
        showFigures();
        throw;
    }
    showFigures();
}

void KeyFiguresPanel::refreshShowingErrors() {
    try {
        refresh();
    } catch (const TavoError& e) {
        QMessageBox::critical(this, QStringLiteral("TAVO - Tavorechner"), e.message());
    }
}

QList<KeyFigureLine> KeyFiguresPanel::shownLines() const {
    using Section = KeyFigureLine::Section;
    return KeyFigureText::sections(keyFigureTable({m_figures}),
                                   {Section::Figures, Section::ByType, Section::ByYear});
}

void KeyFiguresPanel::showFigures() {
    const bool shown = m_figures.hasResults;
    m_hint->setVisible(!shown);
    m_content->setVisible(shown);
    for (QToolButton* button : {m_copy, m_print, m_pdf})
        button->setEnabled(shown);
    m_table->setRowCount(0);
    if (!shown) {
        replaceChart(m_cumulative, new QChart);
        replaceChart(m_byType, new QChart);
        return;
    }
    const QList<KeyFigureLine> lines = shownLines();
    m_table->setRowCount(lines.size());
    for (int r = 0; r < lines.size(); ++r) {
        auto* caption = new QTableWidgetItem(lines[r].caption);
        auto* value = new QTableWidgetItem(KeyFigureText::cell(lines[r], lines[r].values.value(0)));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (lines[r].section == KeyFigureLine::Section::Figures) {
            QFont bold = caption->font();
            bold.setBold(true);
            caption->setFont(bold);
        }
        m_table->setItem(r, 0, caption);
        m_table->setItem(r, 1, value);
    }
    m_table->resizeRowsToContents();
    const QString name = m_figures.projekt.isEmpty() ? QStringLiteral("Projekt %1").arg(m_figures.projectId)
                                                     : m_figures.projekt;
    replaceChart(m_cumulative, KeyFigureCharts::cumulativeChart({m_figures}, {name}));
    replaceChart(m_byType, KeyFigureCharts::typeBalanceChart(m_figures));
}

QString KeyFiguresPanel::clipboardText() const {
    return KeyFigureText::tabText({QStringLiteral("Kennzahl"), QStringLiteral("Wert")}, shownLines());
}

QStandardItemModel* KeyFiguresPanel::printModel() {
    m_printModel->clear();
    m_printModel->setColumnCount(2);
    for (const KeyFigureLine& line : shownLines())
        m_printModel->appendRow({new QStandardItem(line.caption),
                                 new QStandardItem(KeyFigureText::cell(line, line.values.value(0)))});
    return m_printModel;
}

} // namespace tavo
