#include "gui/projects/VariantComparisonWindow.h"

#include <algorithm>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/projects/InputComparison.h"
#include "core/projects/ProjectRecords.h"
#include "core/results/KeyFigureText.h"
#include "core/services/CalculationRun.h"
#include "gui/common/CalculationNotifier.h"
#include "gui/common/ProvenanceLabel.h"
#include "gui/common/Questions.h"
#include "gui/print/PrintDialog.h"
#include "gui/results/KeyFigureCharts.h"

namespace tavo {

namespace {

const QString kTitle = QStringLiteral("TAVO - Tavorechner");

} // namespace

VariantComparisonWindow::VariantComparisonWindow(Databases& dbs, const QList<int>& projectIds,
                                                 QWidget* parent)
    : QDialog(parent), m_dbs(dbs), m_ids(projectIds) {
    setObjectName(QStringLiteral("frmVariantenvergleich"));
    setWindowTitle(QStringLiteral("TAVO - Tavorechner: Varianten vergleichen"));
    buildLayout();
    // Within the screen it opens on, leaving room for the title bar: at a high scale factor the
    // screen offers less than the usual size, and the buttons must stay reachable.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    m_chart->setMinimumHeight(qMin(200, available.height() / 4));
    resize(QSize(1000, 700).boundedTo(available.size() - QSize(20, 40)));
    // A variant calculated in another window is shown with its new figures.
    connect(&CalculationNotifier::instance(), &CalculationNotifier::projectCalculated, this,
            [this](int projectId, const QObject* origin) {
                if (origin == this || !m_ids.contains(projectId))
                    return;
                try {
                    reload();
                } catch (const TavoError& e) {
                    QMessageBox::critical(this, kTitle, e.message());
                }
            });
    try {
        reload();
    } catch (const TavoError& e) {
        QMessageBox::critical(this, kTitle, e.message());
    }
}

QColor VariantComparisonWindow::bestColour() {
    return QColor(198, 239, 206);
}

QColor VariantComparisonWindow::outdatedColour() {
    return QColor(255, 214, 153);
}

void VariantComparisonWindow::buildLayout() {
    m_table = new QTableWidget;
    m_table->setObjectName(QStringLiteral("GridVergleich"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->setTextElideMode(Qt::ElideRight);
    m_chart = new QChartView;
    m_chart->setObjectName(QStringLiteral("ChartVergleich"));
    m_table->setAccessibleName(QStringLiteral("Variantenvergleich"));
    m_table->setAccessibleDescription(QStringLiteral("Je Zeile eine Angabe, je Spalte eine Variante; der "
                                                     "beste Wert einer Zeile ist hervorgehoben"));
    m_chart->setAccessibleName(QStringLiteral("Diagramm kumulierter Saldo der Varianten"));
    m_chart->setAccessibleDescription(
        QStringLiteral("Der über die Projektjahre aufsummierte Saldo jeder berechneten Variante in Euro"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(m_table);
    split->addWidget(m_chart);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({420, 260});

    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_calculate = button(QStringLiteral("btVergleichBerechnen"), QStringLiteral("Berechnen"));
    m_calculate->setToolTip(QStringLiteral("berechnet die Projekte ohne aktuelle Ergebnisse"));
    QPushButton* copy = button(QStringLiteral("btVergleichKopieren"), QStringLiteral("Kopieren"));
    QPushButton* print = button(QStringLiteral("btVergleichDrucken"), QStringLiteral("Drucken..."));
    QPushButton* pdf = button(QStringLiteral("btVergleichPdf"), QStringLiteral("PDF..."));
    QPushButton* close = button(QStringLiteral("btVergleichSchliessen"), QStringLiteral("S&chließen"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_calculate);
    buttons->addStretch(1);
    buttons->addWidget(copy);
    buttons->addWidget(print);
    buttons->addWidget(pdf);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(m_calculate, &QPushButton::clicked, this, &VariantComparisonWindow::calculateOutdated);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(clipboardText()); });
    connect(print, &QPushButton::clicked, this, &VariantComparisonWindow::print);
    connect(pdf, &QPushButton::clicked, this, &VariantComparisonWindow::savePdf);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void VariantComparisonWindow::addRow(const QString& text, const QStringList& cells, bool heading) {
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto* first = new QTableWidgetItem(text);
    first->setToolTip(text);
    // Section rows in the colours of a button, which stay readable under light and dark themes.
    const QBrush sectionBackground = m_table->palette().brush(QPalette::Button);
    const QBrush sectionText = m_table->palette().brush(QPalette::ButtonText);
    if (heading) {
        QFont bold = first->font();
        bold.setBold(true);
        first->setFont(bold);
        first->setBackground(sectionBackground);
        first->setForeground(sectionText);
    }
    m_table->setItem(row, 0, first);
    for (int c = 0; c < m_ids.size(); ++c) {
        auto* item = new QTableWidgetItem(cells.value(c));
        item->setToolTip(cells.value(c));
        if (heading) {
            item->setBackground(sectionBackground);
            item->setForeground(sectionText);
        }
        m_table->setItem(row, c + 1, item);
    }
}

void VariantComparisonWindow::reload() {
    const QSqlDatabase user = m_dbs.user();
    // The states, inputs and figures of all variants from one state of the database.
    const ReadTransaction read(user);
    m_states.clear();
    m_figures.clear();
    for (int id : m_ids) {
        m_states << CalculationState::of(user, id);
        m_figures << computeKeyFigures(user, id, KeyFigureOptions());
    }
    m_table->clear();
    m_table->setRowCount(0);
    m_table->setColumnCount(m_ids.size() + 1);
    QStringList header{QString()};
    for (int id : m_ids)
        header << QStringLiteral("Projekt %1").arg(id);
    m_table->setHorizontalHeaderLabels(header);

    QStringList projekt, gemeinde, beschreibung, stand;
    for (int i = 0; i < m_ids.size(); ++i) {
        const KeyFigures& f = m_figures[i];
        projekt << f.projekt;
        const QString name = projectValue(user, m_ids[i], QStringLiteral("PG_Name")).toString();
        gemeinde << QStringLiteral("%1 %2").arg(f.pg).arg(name).trimmed();
        beschreibung << f.beschreibung;
        stand << CalculationState::text(m_states[i]);
    }
    addRow(QStringLiteral("Projekt"), projekt);
    addRow(QStringLiteral("Gemeinde"), gemeinde);
    addRow(QStringLiteral("Beschreibung"), beschreibung);
    addRow(QStringLiteral("Stand"), stand);
    bool outdated = false;
    for (int i = 0; i < m_states.size(); ++i)
        if (m_states[i] != CalculationState::State::Current) {
            QTableWidgetItem* item = m_table->item(m_table->rowCount() - 1, i + 1);
            item->setBackground(outdatedColour());
            item->setForeground(QColor(Qt::black));
            outdated = true;
        }
    m_calculate->setEnabled(outdated);
    addInputRows();
    addFigureRows();
    // Columns fit their contents, but none is so wide that the variants no longer stand side by side;
    // a cut text shows in full as its tooltip.
    m_table->resizeColumnsToContents();
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_table->setColumnWidth(c, std::min(m_table->columnWidth(c), c == 0 ? 320 : 190));

    QList<KeyFigures> charted;
    QStringList names;
    for (const KeyFigures& f : m_figures)
        if (f.hasResults) {
            charted << f;
            names << QStringLiteral("%1 (%2)")
                         .arg(f.projekt.isEmpty() ? QStringLiteral("Projekt") : f.projekt)
                         .arg(f.beschreibung.isEmpty() ? QString::number(f.projectId) : f.beschreibung);
        }
    QChart* old = m_chart->chart();
    m_chart->setChart(KeyFigureCharts::cumulativeChart(charted, names));
    delete old;
}

void VariantComparisonWindow::addInputRows() {
    addRow(QStringLiteral("Eingaben, in denen sich die Varianten unterscheiden"), {}, true);
    for (const InputComparison::Line& line : InputComparison::differingInputs(m_dbs.user(), m_ids))
        addRow(line.caption, line.values);
}

void VariantComparisonWindow::addFigureRows() {
    using Section = KeyFigureLine::Section;
    addRow(QStringLiteral("Kennzahlen (Gemeinde, Zinssatz 3 %)"), {}, true);
    QList<KeyFigureLine> lines =
        KeyFigureText::sections(keyFigureTable(m_figures), {Section::Figures, Section::ByType});
    for (KeyFigureLine& line : lines) {
        // A project without results has no figures to compare.
        for (int i = 0; i < m_figures.size(); ++i)
            if (!m_figures[i].hasResults)
                line.values[i] = QVariant();
        QStringList cells;
        for (const QVariant& v : line.values)
            cells << (m_figures.value(cells.size()).hasResults ? KeyFigureText::cell(line, v)
                                                               : QStringLiteral("–"));
        addRow(line.caption, cells);
        const int row = m_table->rowCount() - 1;
        for (int c = 1; c <= m_ids.size(); ++c)
            m_table->item(row, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (int best : KeyFigureText::best(line)) {
            QTableWidgetItem* item = m_table->item(row, best + 1);
            item->setBackground(bestColour());
            // The marking colour is light under every theme, so its text is dark.
            item->setForeground(QColor(Qt::black));
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
}

void VariantComparisonWindow::calculateOutdated() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    for (int i = 0; i < m_ids.size(); ++i) {
        if (m_states.value(i) == CalculationState::State::Current)
            continue;
        try {
            runCalculation(m_dbs, m_ids[i]);
        } catch (const TavoError& e) {
            error = e.message();
            break;
        }
        // An open main window of the project shows the new results.
        CalculationNotifier::announce(m_ids[i], this);
    }
    try {
        reload();
    } catch (const TavoError& e) {
        if (error.isEmpty())
            error = e.message();
    }
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty())
        QMessageBox::critical(this, kTitle, error);
}

QString VariantComparisonWindow::clipboardText() const {
    QString text;
    for (int r = -1; r < m_table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_table->columnCount(); ++c) {
            const QTableWidgetItem* item = r < 0 ? m_table->horizontalHeaderItem(c) : m_table->item(r, c);
            cells << (item ? item->text() : QString());
        }
        text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return text;
}

QStandardItemModel* VariantComparisonWindow::printModel() {
    if (!m_printModel)
        m_printModel = new QStandardItemModel(this);
    m_printModel->clear();
    m_printModel->setColumnCount(m_table->columnCount());
    for (int r = 0; r < m_table->rowCount(); ++r) {
        QList<QStandardItem*> row;
        for (int c = 0; c < m_table->columnCount(); ++c) {
            QString text = m_table->item(r, c) ? m_table->item(r, c)->text() : QString();
            // The window's numbers follow the user's locale, paper is Austrian German.
            if (c > 0)
                text = TablePrinter::documentNumberText(text);
            // On paper the best value is marked by a star.
            if (c > 0 && m_table->item(r, c) && m_table->item(r, c)->background().color() == bestColour())
                text = QStringLiteral("* ") + text;
            row << new QStandardItem(text);
        }
        m_printModel->appendRow(row);
    }
    return m_printModel;
}

PrintJob VariantComparisonWindow::printJob() {
    PrintJob job;
    job.model = printModel();
    for (int c = 0; c < m_table->columnCount(); ++c) {
        PrintColumn column;
        column.modelColumn = c;
        column.title =
            c == 0 ? QStringLiteral("Varianten vergleichen") : m_table->horizontalHeaderItem(c)->text();
        column.width = c == 0 ? 240 : 120;
        column.alignment = c == 0 ? Qt::AlignLeft : Qt::AlignRight;
        job.columns << column;
    }
    job.beschreibung = QStringLiteral("Varianten vergleichen (* = bester Wert der Zeile)");
    job.table = QStringLiteral("Variantenvergleich");
    return job;
}

void VariantComparisonWindow::print() {
    if (!m_printDialog)
        m_printDialog = new PrintDialog(this, windowProvenance(m_dbs.master()).line());
    m_printDialog->printModel(printJob());
}

void VariantComparisonWindow::savePdf() {
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Vergleich als PDF speichern"),
                                                      QStringLiteral("Variantenvergleich.pdf"),
                                                      QStringLiteral("PDF-Dateien (*.pdf)"));
    if (file.isEmpty())
        return;
    if (!m_printDialog)
        m_printDialog = new PrintDialog(this, windowProvenance(m_dbs.master()).line());
    m_printDialog->setJob(printJob());
    try {
        m_printDialog->writePdf(file, QPageLayout::Landscape);
        Questions::announceSaved(this, file);
    } catch (const TavoError& e) {
        QMessageBox::critical(this, kTitle, e.message());
    }
}

} // namespace tavo
