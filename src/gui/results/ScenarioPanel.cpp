#include "gui/results/ScenarioPanel.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/engine/EngineInput.h"
#include "core/projects/CalculationState.h"
#include "core/projects/InputTables.h"
#include "core/scenarios/BreakEven.h"
#include "core/scenarios/ScenarioComparison.h"
#include "core/scenarios/Sensitivity.h"
#include "gui/common/PaintedChart.h"
#include "report/PlanningCharts.h"

namespace tavo {

namespace {

// The parameters as the editor names them, by their stored names.
QString parameterCaption(const QString& name) {
    return Sensitivity::caption(name);
}

// The caption of an input on the input pages, for the break-even choice; empty when none shows it.
QString inputCaption(const QString& column) {
    for (const InputTables::Page& page : InputTables::inputPages())
        for (const InputTables::Group& group : page.groups)
            for (const InputTables::Row& row : group.rows) {
                const InputTables::Cell* cells[] = {&row.first, &row.second};
                for (const InputTables::Cell* cell : cells)
                    if (cell->column && column == QLatin1String(cell->column) && row.caption) {
                        QString caption = QString::fromUtf8(row.caption).simplified();
                        if (caption.endsWith(QLatin1Char(':')))
                            caption.chop(1);
                        const char* heading = cell == &row.first ? group.headingFirst : group.headingSecond;
                        if (row.second.column && heading)
                            caption += QStringLiteral(" – ") + QString::fromUtf8(heading).simplified();
                        return caption;
                    }
            }
    return QString();
}

QString yearText(const std::optional<int>& year) {
    return year ? QString::number(*year) : QStringLiteral("nicht erreicht");
}

QTableWidgetItem* readOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

ScenarioPanel::ScenarioPanel(Databases& dbs, QWidget* parent) : QWidget(parent), m_dbs(dbs) {
    setObjectName(QStringLiteral("tsSzenarien"));
    m_stack = new QStackedWidget(this);
    m_hint = new QLabel(QStringLiteral("Die Szenarien zeigen sich nach der ersten Berechnung des Projekts "
                                       "(Schaltfläche „Berechnen“)."));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_stack->addWidget(m_hint);

    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(buildFigures(), 0, 0, 1, 2);
    grid->addWidget(buildParameters(), 1, 1);
    auto* chart = new QChart;
    chart->setLocalizeNumbers(true);
    chart->setLocale(NumberFormat::groupedLocale());
    chart->setTitle(QStringLiteral("Kumulierter Saldo mit Bandbreite P10–P90"));
    m_baseSeries = new QLineSeries;
    m_baseSeries->setName(QStringLiteral("Basis"));
    m_lowSeries = new QLineSeries;
    m_highSeries = new QLineSeries;
    m_band = new QAreaSeries(m_highSeries, m_lowSeries);
    m_band->setName(QStringLiteral("Bandbreite P10–P90"));
    QColor fill(70, 130, 180, 70);
    m_band->setBrush(fill);
    m_band->setPen(QPen(fill.darker(), 1));
    chart->addSeries(m_band);
    chart->addSeries(m_baseSeries);
    m_axisX = new QValueAxis;
    m_axisX->setRange(1, KeyFigures::Years);
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0);
    m_axisX->setTickInterval(2);
    m_axisX->setLabelFormat(QStringLiteral("%.0f"));
    m_axisX->setTitleText(QStringLiteral("Projektjahr"));
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTitleText(QStringLiteral("Euro"));
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(m_band), static_cast<QAbstractSeries*>(m_baseSeries)}) {
        series->attachAxis(m_axisX);
        series->attachAxis(m_axisY);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_chartView = new QChartView(chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setAccessibleName(QStringLiteral("Diagramm Bandbreite"));
    m_chartView->setAccessibleDescription(
        QStringLiteral("Der kumulierte Saldo je Projektjahr für Basis, optimistisch und pessimistisch, dazu "
                       "das Band P10 bis P90"));
    m_chartView->setMinimumHeight(240);
    grid->addWidget(m_chartView, 1, 0);
    grid->addWidget(buildBreakEven(), 2, 0, 1, 2);
    auto* tornadoBox =
        new QGroupBox(QStringLiteral("Welche Annahme wirkt am stärksten? (Saldo 20 Jahre, je ein "
                                     "Parameter optimistisch bzw. pessimistisch)"));
    auto* tornadoLayout = new QVBoxLayout(tornadoBox);
    m_tornadoChart = new PaintedChart;
    m_tornadoChart->setObjectName(QStringLiteral("chTornado"));
    m_tornadoChart->setAccessibleName(QStringLiteral("Diagramm Sensitivität"));
    m_tornadoChart->setMinimumHeight(260);
    tornadoLayout->addWidget(m_tornadoChart);
    grid->addWidget(tornadoBox, 3, 0, 1, 2);
    m_message = new QLabel;
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));
    grid->addWidget(m_message, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    // A narrow window scrolls rather than squeezing the tables.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    m_stack->addWidget(scroll);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    connect(&m_watcher, &QFutureWatcher<RangeResult>::finished, this, &ScenarioPanel::onRangeFinished);
}

ScenarioPanel::~ScenarioPanel() {
    // An open cell editor commits when the children go; nothing is calculated any more by then.
    for (QObject* sender : std::initializer_list<QObject*>{m_parameterTable, m_costBearer, m_discountRate})
        disconnect(sender, nullptr, this, nullptr);
    m_base.reset();
    // The running range works on its own copies; waiting keeps its result from arriving at nothing.
    m_watcher.waitForFinished();
}

QWidget* ScenarioPanel::buildFigures() {
    auto* box = new QGroupBox(QStringLiteral("Kennzahlen der Szenarien"));
    auto* layout = new QVBoxLayout(box);
    auto* options = new QHBoxLayout;
    m_costBearer = new QComboBox;
    m_costBearer->setObjectName(QStringLiteral("cbSzenarioKostentraeger"));
    m_costBearer->addItem(QStringLiteral("alle"), QString());
    try {
        for (const QString& bearer : keyFigureCostBearers(m_dbs.master()))
            m_costBearer->addItem(bearer, bearer);
    } catch (const TavoError&) {
        m_costBearer->addItem(QStringLiteral("Gemeinde"), QStringLiteral("Gemeinde"));
    }
    m_costBearer->setCurrentIndex(qMax(0, m_costBearer->findData(QStringLiteral("Gemeinde"))));
    m_discountRate = new QDoubleSpinBox;
    m_discountRate->setObjectName(QStringLiteral("edSzenarioZinssatz"));
    m_discountRate->setRange(0.0, 20.0);
    m_discountRate->setDecimals(2);
    m_discountRate->setSingleStep(0.5);
    m_discountRate->setValue(KeyFigureOptions().discountRate);
    m_discountRate->setSuffix(QStringLiteral(" %"));
    options->addWidget(new QLabel(QStringLiteral("Kostenträger:")));
    options->addWidget(m_costBearer);
    options->addSpacing(12);
    options->addWidget(new QLabel(QStringLiteral("Abzinsung:")));
    options->addWidget(m_discountRate);
    options->addStretch(1);
    layout->addLayout(options);

    m_figureTable = new QTableWidget(FigureRowCount, FigureColumnCount);
    m_figureTable->setObjectName(QStringLiteral("grSzenarioKennzahlen"));
    m_figureTable->setAccessibleName(QStringLiteral("Kennzahlen der Szenarien"));
    m_figureTable->setAccessibleDescription(
        QStringLiteral("Saldo und Barwert für Basis, optimistisch, pessimistisch und die Perzentile"));
    m_figureTable->setHorizontalHeaderLabels({QStringLiteral("Basis"), QStringLiteral("optimistisch"),
                                              QStringLiteral("pessimistisch"), QStringLiteral("P10"),
                                              QStringLiteral("P50"), QStringLiteral("P90")});
    m_figureTable->setVerticalHeaderLabels({QStringLiteral("Saldo 20 Jahre"), QStringLiteral("Barwert"),
                                            QStringLiteral("Amortisationsjahr")});
    m_figureTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_figureTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_figureTable->horizontalHeader()->setMinimumSectionSize(95);
    m_figureTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_figureTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_figureTable->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (int row = 0; row < FigureRowCount; ++row)
        for (int column = 0; column < FigureColumnCount; ++column)
            m_figureTable->setItem(row, column, readOnlyItem(QString()));
    layout->addWidget(m_figureTable);

    connect(m_costBearer, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { recalculate(); });
    connect(m_discountRate, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { recalculate(); });
    return box;
}

QWidget* ScenarioPanel::buildParameters() {
    auto* box = new QGroupBox(QStringLiteral("Szenario-Parameter (mit dem Projekt gespeichert)"));
    auto* layout = new QVBoxLayout(box);
    const QStringList names = Scenarios::parameterNames();
    m_parameterTable = new QTableWidget(names.size(), 2);
    m_parameterTable->setObjectName(QStringLiteral("grSzenarioParameter"));
    m_parameterTable->setAccessibleName(QStringLiteral("Annahmen der Szenarien"));
    m_parameterTable->setAccessibleDescription(
        QStringLiteral("Je Annahme der Wert im optimistischen und im pessimistischen Szenario; die Zellen "
                       "sind bearbeitbar"));
    m_parameterTable->setHorizontalHeaderLabels({QStringLiteral("optimistisch"), QStringLiteral("pessimistisch")});
    QStringList captions;
    for (const QString& name : names)
        captions << parameterCaption(name);
    m_parameterTable->setVerticalHeaderLabels(captions);
    m_parameterTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_parameterTable->verticalHeader()->setDefaultSectionSize(m_parameterTable->fontMetrics().height() + 8);
    m_parameterTable->setMinimumWidth(m_parameterTable->verticalHeader()->sizeHint().width() + 2 * 90);
    m_parameterTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                      QAbstractItemView::AnyKeyPressed);
    layout->addWidget(m_parameterTable);
    m_defaults = new QPushButton(QStringLiteral("Standardwerte"));
    m_defaults->setObjectName(QStringLiteral("btSzenarioStandard"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_defaults);
    layout->addLayout(buttons);
    connect(m_parameterTable, &QTableWidget::itemChanged, this, &ScenarioPanel::onParameterEdited);
    connect(m_defaults, &QPushButton::clicked, this, &ScenarioPanel::onDefaultsClicked);
    return box;
}

QWidget* ScenarioPanel::buildBreakEven() {
    auto* box = new QGroupBox(QStringLiteral("Was müsste … betragen?"));
    auto* layout = new QHBoxLayout(box);
    m_breakEvenField = new QComboBox;
    m_breakEvenField->setObjectName(QStringLiteral("cbAusgleichFeld"));
    for (const QString& field : BreakEven::fields()) {
        const QString caption = inputCaption(field);
        m_breakEvenField->addItem(caption.isEmpty() ? field : caption, field);
    }
    m_breakEvenTarget = new QComboBox;
    m_breakEvenTarget->setObjectName(QStringLiteral("cbAusgleichZiel"));
    m_breakEvenTarget->addItem(QStringLiteral("damit der Saldo nach 20 Jahren 0 ist"),
                               static_cast<int>(BreakEven::Target::Saldo));
    m_breakEvenTarget->addItem(QStringLiteral("damit der Barwert 0 ist"), static_cast<int>(BreakEven::Target::Barwert));
    m_breakEvenButton = new QPushButton(QStringLiteral("Berechnen"));
    m_breakEvenButton->setObjectName(QStringLiteral("btAusgleichBerechnen"));
    m_breakEvenResult = new QLabel;
    m_breakEvenResult->setObjectName(QStringLiteral("lbAusgleichErgebnis"));
    m_breakEvenResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_breakEvenField, 3);
    layout->addWidget(m_breakEvenTarget, 2);
    layout->addWidget(m_breakEvenButton);
    layout->addWidget(m_breakEvenResult, 2);
    connect(m_breakEvenButton, &QPushButton::clicked, this, &ScenarioPanel::onBreakEvenClicked);
    // A result belongs to the question it answers.
    connect(m_breakEvenField, qOverload<int>(&QComboBox::currentIndexChanged), m_breakEvenResult, &QLabel::clear);
    connect(m_breakEvenTarget, qOverload<int>(&QComboBox::currentIndexChanged), m_breakEvenResult, &QLabel::clear);
    return box;
}

KeyFigureOptions ScenarioPanel::figureOptions() const {
    KeyFigureOptions options;
    options.costBearer = m_costBearer->currentData().toString();
    options.discountRate = m_discountRate->value();
    return options;
}

bool ScenarioPanel::rangePending() const {
    return m_watcher.isRunning();
}

void ScenarioPanel::clear() {
    ++m_generation;
    m_projectId = 0;
    m_base.reset();
    m_breakEvenResult->clear();
    m_message->clear();
    m_stack->setCurrentWidget(m_hint);
}

void ScenarioPanel::showProject(int projectId) {
    clear();
    m_projectId = projectId;
    try {
        // The inputs and the settings of the scenarios from one state of the database.
        const ReadTransaction read(m_dbs.user());
        if (!CalculationState::hasResults(m_dbs.user(), projectId))
            return;
        m_settings = Scenarios::loadSettings(m_dbs.user(), projectId);
        m_base = std::make_unique<EngineInput>(EngineInput::load(m_dbs, projectId));
    } catch (const TavoError& e) {
        m_stack->setCurrentIndex(1);
        m_message->setText(e.message());
        return;
    }
    fillParameterTable();
    m_stack->setCurrentIndex(1);
    recalculate();
}

void ScenarioPanel::fillParameterTable() {
    m_filling = true;
    const QStringList names = Scenarios::parameterNames();
    for (int row = 0; row < names.size(); ++row) {
        const Scenarios::Parameters* sets[] = {&m_settings.optimistic, &m_settings.pessimistic};
        for (int column = 0; column < 2; ++column) {
            auto* item = new QTableWidgetItem(NumberFormat::general(Scenarios::parameterValue(*sets[column], names[row])));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_parameterTable->setItem(row, column, item);
        }
    }
    m_filling = false;
}

void ScenarioPanel::onParameterEdited(QTableWidgetItem* item) {
    if (m_filling || !m_base)
        return;
    const QString name = Scenarios::parameterNames().value(item->row());
    Scenarios::Parameters& set = item->column() == OptimisticSet ? m_settings.optimistic : m_settings.pessimistic;
    Scenarios::Parameters changed = set;
    bool ok = false;
    const double value = NumberFormat::parse(item->text(), &ok);
    try {
        if (!ok)
            throw TavoError(QStringLiteral("„%1“ ist keine Zahl.").arg(item->text().trimmed()));
        Scenarios::setParameterValue(changed, name, value);
        Scenarios::Settings stored = m_settings;
        (item->column() == OptimisticSet ? stored.optimistic : stored.pessimistic) = changed;
        if (m_beforeWrite)
            m_beforeWrite();
        Scenarios::saveSettings(m_dbs.user(), m_projectId, stored);
        set = changed;
        m_message->clear();
    } catch (const TavoError& e) {
        m_message->setText(e.message());
    }
    // The cell shows what is in force: the value as read back, or the previous one after an error.
    m_filling = true;
    item->setText(NumberFormat::general(Scenarios::parameterValue(set, name)));
    m_filling = false;
    recalculate();
}

void ScenarioPanel::onDefaultsClicked() {
    if (!m_base)
        return;
    try {
        const Scenarios::Settings defaults = Scenarios::builtInSettings();
        if (m_beforeWrite)
            m_beforeWrite();
        Scenarios::saveSettings(m_dbs.user(), m_projectId, defaults);
        m_settings = defaults;
        m_message->clear();
    } catch (const TavoError& e) {
        m_message->setText(e.message());
    }
    fillParameterTable();
    recalculate();
}

void ScenarioPanel::recalculate() {
    if (!m_base)
        return;
    ++m_generation;
    m_breakEvenResult->clear();
    const KeyFigureOptions options = figureOptions();
    try {
        m_basis = scenarioFigures(*m_base, Scenarios::Parameters{}, options);
        m_optimistic = scenarioFigures(*m_base, m_settings.optimistic, options);
        m_pessimistic = scenarioFigures(*m_base, m_settings.pessimistic, options);
        m_tornado = Sensitivity::compute(*m_base, m_settings, options);
        const Sensitivity::Tornado tornado = m_tornado;
        m_tornadoChart->setPainter(
            [tornado](const QSize& size) { return ReportCharts::tornado(tornado, size); });
    } catch (const TavoError& e) {
        m_message->setText(e.message());
        m_tornado = Sensitivity::Tornado();
        m_tornadoChart->setPainter({});
        for (int row = 0; row < FigureRowCount; ++row)
            for (int column = 0; column < FigureColumnCount; ++column)
                setCell(row, column, QString());
        m_baseSeries->clear();
        showRange(nullptr);
        return;
    }
    showFigures();
    showRange(nullptr);
    startRange();
}

void ScenarioPanel::startRange() {
    // One range at a time (it uses every core); a change during a run starts the next one when the
    // running one has finished.
    if (m_watcher.isRunning() || !m_base)
        return;
    const quint64 generation = m_generation;
    MonteCarlo::Options options;
    options.runs = m_runs;
    options.figures = figureOptions();
    EngineInput base = *m_base;
    const Scenarios::Settings settings = m_settings;
    m_watcher.setFuture(QtConcurrent::run([generation, base = std::move(base), settings, options]() {
        RangeResult result;
        result.generation = generation;
        try {
            result.distribution = MonteCarlo::run(base, settings, options);
        } catch (const TavoError& e) {
            result.error = e.message();
        } catch (const std::exception& e) {
            result.error = QString::fromLocal8Bit(e.what());
        }
        return result;
    }));
}

void ScenarioPanel::onRangeFinished() {
    const RangeResult result = m_watcher.result();
    if (!m_base)
        return;
    if (result.generation != m_generation) {
        startRange();
        return;
    }
    if (!result.error.isEmpty()) {
        m_message->setText(result.error);
        for (int row = 0; row < FigureRowCount; ++row)
            for (int column = P10Column; column <= P90Column; ++column)
                setCell(row, column, QStringLiteral("–"));
    } else {
        showRange(&result.distribution);
    }
    Q_EMIT rangeShown();
}

void ScenarioPanel::setCell(int row, int column, const QString& text) {
    m_figureTable->item(row, column)->setText(text);
}

void ScenarioPanel::showFigures() {
    const KeyFigures* columns[] = {&m_basis, &m_optimistic, &m_pessimistic};
    for (int column = 0; column < 3; ++column) {
        setCell(SaldoRow, column, NumberFormat::money(columns[column]->saldo));
        setCell(BarwertRow, column, NumberFormat::money(columns[column]->barwert));
        setCell(AmortisationRow, column, yearText(columns[column]->amortisationsjahr));
    }
    QList<QPointF> points;
    for (int year = 1; year <= KeyFigures::Years; ++year)
        points << QPointF(year, m_basis.kumuliert[year]);
    m_baseSeries->replace(points);
}

void ScenarioPanel::showRange(const MonteCarlo::Distribution* range) {
    double low = 0.0;
    double high = 0.0;
    for (int year = 1; year <= KeyFigures::Years; ++year) {
        low = qMin(low, m_basis.kumuliert[year]);
        high = qMax(high, m_basis.kumuliert[year]);
    }
    if (!range) {
        // Until the range is there its cells say so and the band is empty.
        for (int row = 0; row < FigureRowCount; ++row)
            for (int column = P10Column; column <= P90Column; ++column)
                setCell(row, column, QStringLiteral("…"));
        m_lowSeries->clear();
        m_highSeries->clear();
    } else {
        const MonteCarlo::Percentiles* figures[] = {&range->saldo, &range->barwert};
        for (int row = SaldoRow; row <= BarwertRow; ++row) {
            setCell(row, P10Column, NumberFormat::money(figures[row]->p10));
            setCell(row, P50Column, NumberFormat::money(figures[row]->p50));
            setCell(row, P90Column, NumberFormat::money(figures[row]->p90));
        }
        for (int i = 0; i < 3; ++i)
            setCell(AmortisationRow, P10Column + i, yearText(range->amortisationsjahr[i]));
        QList<QPointF> lows;
        QList<QPointF> highs;
        for (int year = 1; year <= KeyFigures::Years; ++year) {
            const MonteCarlo::Percentiles& band = range->kumuliert[year];
            lows << QPointF(year, band.p10);
            highs << QPointF(year, band.p90);
            low = qMin(low, band.p10);
            high = qMax(high, band.p90);
        }
        m_lowSeries->replace(lows);
        m_highSeries->replace(highs);
    }
    const double margin = qMax(1.0, (high - low) * 0.05);
    m_axisY->setRange(low - margin, high + margin);
    m_axisY->applyNiceNumbers();
}

void ScenarioPanel::onBreakEvenClicked() {
    if (!m_base)
        return;
    BreakEven::Request request;
    request.field = m_breakEvenField->currentData().toString();
    request.target = static_cast<BreakEven::Target>(m_breakEvenTarget->currentData().toInt());
    request.figures = figureOptions();
    try {
        const BreakEven::Result result = BreakEven::find(*m_base, request);
        const QString unit = BreakEven::unit(result.field);
        m_breakEvenResult->setText(result.value ? QStringLiteral("%1 %3 (derzeit %2 %3)")
                                                      .arg(NumberFormat::fixed(*result.value, 2),
                                                           NumberFormat::general(result.currentValue), unit)
                                                : QStringLiteral("nicht erreichbar"));
        m_breakEvenResult->setToolTip(
            QStringLiteral("Gesucht zwischen %1 %3 und %2 %3")
                .arg(NumberFormat::general(result.rangeLow), NumberFormat::general(result.rangeHigh), unit));
        m_message->clear();
    } catch (const TavoError& e) {
        m_breakEvenResult->clear();
        m_message->setText(e.message());
    }
}

} // namespace tavo
