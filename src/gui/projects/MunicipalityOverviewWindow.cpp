#include "gui/projects/MunicipalityOverviewWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/common/PaintedChart.h"
#include "gui/projects/VariantComparisonWindow.h"
#include "report/PlanningCharts.h"

namespace tavo {

namespace {

QTableWidgetItem* readOnlyItem(const QString& text,
                               Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment);
    return item;
}

QString variantText(const MunicipalityOverview::Variant& v) {
    QString text = QStringLiteral("Projekt %1").arg(v.projectId);
    if (!v.beschreibung.isEmpty())
        text += QStringLiteral(" – ") + v.beschreibung;
    return text;
}

} // namespace

MunicipalityOverviewWindow::MunicipalityOverviewWindow(Databases& dbs, int pg, QWidget* parent)
    : QDialog(parent), m_dbs(dbs) {
    setObjectName(QStringLiteral("fmGemeindeuebersicht"));
    setWindowTitle(QStringLiteral("Gemeindeübersicht"));
    auto* options = new QHBoxLayout;
    m_pg = new QSpinBox;
    m_pg->setObjectName(QStringLiteral("edPG"));
    m_pg->setRange(1, 99999);
    m_pg->setValue(pg);
    m_costBearer = new QComboBox;
    m_costBearer->setObjectName(QStringLiteral("cbKostentraeger"));
    m_costBearer->addItem(QStringLiteral("alle"), QString());
    try {
        for (const QString& bearer : keyFigureCostBearers(m_dbs.master()))
            m_costBearer->addItem(bearer, bearer);
    } catch (const TavoError&) {
        m_costBearer->addItem(QStringLiteral("Gemeinde"), QStringLiteral("Gemeinde"));
    }
    m_costBearer->setCurrentIndex(qMax(0, m_costBearer->findData(QStringLiteral("Gemeinde"))));
    options->addWidget(new QLabel(QStringLiteral("Gemeinde (PG-Nr.):")));
    options->addWidget(m_pg);
    options->addSpacing(12);
    options->addWidget(new QLabel(QStringLiteral("Kostenträger:")));
    options->addWidget(m_costBearer);
    options->addStretch(1);

    m_choices = new QTableWidget(0, ChoiceColumnCount);
    m_choices->setObjectName(QStringLiteral("grProjektwahl"));
    m_choices->setAccessibleName(QStringLiteral("Projekte der Gemeinde"));
    m_choices->setHorizontalHeaderLabels({QStringLiteral("Projekt"), QStringLiteral("Variante"),
                                          QStringLiteral("Startjahr"), QStringLiteral("Stand")});
    m_choices->horizontalHeader()->setSectionResizeMode(VariantColumn, QHeaderView::Stretch);
    m_choices->verticalHeader()->hide();
    m_choices->setMaximumHeight(160);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("lbGemeindeKennzahlen"));
    m_message = new QLabel;
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));
    m_years = new QTableWidget;
    m_years->setObjectName(QStringLiteral("grGemeindeJahre"));
    m_years->setAccessibleName(QStringLiteral("Saldo je Kalenderjahr"));
    m_years->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_years->verticalHeader()->hide();
    m_chart = new PaintedChart;
    m_chart->setObjectName(QStringLiteral("chGemeinde"));
    m_chart->setAccessibleName(QStringLiteral("Diagramm Saldo je Kalenderjahr nach Projekt"));
    m_chart->setMinimumHeight(260);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_years);
    splitter->addWidget(m_chart);
    splitter->setSizes({300, 300});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_choices);
    layout->addWidget(m_summary);
    layout->addWidget(m_message);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    resize(980, 720);

    connect(m_pg, qOverload<int>(&QSpinBox::valueChanged), this, [this] { reloadGroups(); });
    connect(m_costBearer, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { recompute(); });
    reloadGroups();
}

void MunicipalityOverviewWindow::reloadGroups() {
    m_filling = true;
    m_choices->setRowCount(0);
    m_message->clear();
    try {
        m_groups = MunicipalityOverview::groups(m_dbs.user(), m_pg->value());
    } catch (const TavoError& e) {
        m_groups.clear();
        m_message->setText(e.message());
    }
    m_choices->setRowCount(static_cast<int>(m_groups.size()));
    for (int row = 0; row < m_groups.size(); ++row) {
        const MunicipalityOverview::Group& group = m_groups[row];
        m_choices->setItem(
            row, GroupColumn,
            readOnlyItem(group.projekt.isEmpty() ? QStringLiteral("(ohne Projektname)") : group.projekt));
        auto* variant = new QComboBox;
        for (const MunicipalityOverview::Variant& v : group.variants)
            variant->addItem(variantText(v), v.projectId);
        auto* start = new QSpinBox;
        start->setRange(1900, 2200);
        start->setValue(group.variants.first().defaultStartYear);
        m_choices->setCellWidget(row, VariantColumn, variant);
        m_choices->setCellWidget(row, StartColumn, start);
        m_choices->setItem(row, StateColumn, readOnlyItem(QString()));
        // A different variant brings its own default start year.
        connect(variant, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, row, start](int index) {
                    if (index < 0 || row >= m_groups.size())
                        return;
                    const bool filling = m_filling;
                    m_filling = true;
                    start->setValue(m_groups[row].variants[index].defaultStartYear);
                    m_filling = filling;
                    recompute();
                });
        connect(start, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
            if (!m_filling)
                recompute();
        });
    }
    m_choices->resizeColumnsToContents();
    m_filling = false;
    recompute();
}

QList<MunicipalityOverview::Choice> MunicipalityOverviewWindow::choices() const {
    QList<MunicipalityOverview::Choice> list;
    for (int row = 0; row < m_choices->rowCount(); ++row) {
        const auto* variant = qobject_cast<QComboBox*>(m_choices->cellWidget(row, VariantColumn));
        const auto* start = qobject_cast<QSpinBox*>(m_choices->cellWidget(row, StartColumn));
        if (variant && start)
            list << MunicipalityOverview::Choice{variant->currentData().toInt(), start->value()};
    }
    return list;
}

void MunicipalityOverviewWindow::recompute() {
    if (m_filling)
        return;
    m_message->clear();
    try {
        m_overview = MunicipalityOverview::compute(m_dbs.user(), m_pg->value(), choices(),
                                                   m_costBearer->currentData().toString());
    } catch (const TavoError& e) {
        m_overview = MunicipalityOverview::Overview();
        m_message->setText(e.message());
    }
    for (int row = 0; row < m_choices->rowCount() && row < m_overview.projects.size(); ++row) {
        QTableWidgetItem* state = m_choices->item(row, StateColumn);
        const bool stale = m_overview.projects[row].stale;
        state->setText(stale ? CalculationState::text(CalculationState::State::Changed)
                             : CalculationState::text(CalculationState::State::Current));
        state->setBackground(stale ? QBrush(VariantComparisonWindow::outdatedColour()) : QBrush());
    }
    m_choices->resizeColumnToContents(StateColumn);
    if (m_overview.projects.isEmpty()) {
        m_summary->setText(
            QStringLiteral("Die Gemeinde %1 hat kein berechnetes Projekt.").arg(m_pg->value()));
    } else {
        m_summary->setText(
            QStringLiteral("%1: Saldo %2 bis %3: %4 € · Tiefpunkt %5 € im Jahr %6 · Amortisationsjahr: %7")
                .arg(m_overview.pgName.isEmpty() ? QStringLiteral("Gemeinde %1").arg(m_overview.pg)
                                                 : m_overview.pgName)
                .arg(m_overview.firstYear)
                .arg(m_overview.lastYear)
                .arg(NumberFormat::money(m_overview.saldo), NumberFormat::money(m_overview.tiefpunkt))
                .arg(m_overview.tiefpunktJahr)
                .arg(m_overview.amortisationsjahr ? QString::number(*m_overview.amortisationsjahr)
                                                  : QStringLiteral("nicht erreicht")));
    }
    fillYearTable();
    const MunicipalityOverview::Overview shown = m_overview;
    m_chart->setPainter(
        [shown](const QSize& size) { return ReportCharts::municipalityOverview(shown, size); });
}

void MunicipalityOverviewWindow::fillYearTable() {
    const ExportTable table = MunicipalityOverview::table(m_overview);
    m_years->clear();
    m_years->setColumnCount(static_cast<int>(table.header.size()));
    m_years->setHorizontalHeaderLabels(table.header);
    m_years->setRowCount(static_cast<int>(table.rows.size()));
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList& row = table.rows[r];
        m_years->setItem(r, 0, readOnlyItem(row.first().toString()));
        for (int c = 1; c < row.size(); ++c)
            m_years->setItem(
                r, c,
                readOnlyItem(NumberFormat::money(row[c].toDouble()), Qt::AlignRight | Qt::AlignVCenter));
    }
    m_years->resizeColumnsToContents();
}

} // namespace tavo
