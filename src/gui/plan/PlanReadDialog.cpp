#include "gui/plan/PlanReadDialog.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/plan/PlanReader.h"
#include "core/plan/PlanStore.h"

namespace tavo {

namespace {

enum Step { LayerStep, ReadingStep, ProblemStep, PreviewStep };

QString valueText(const QVariant& value) {
    if (!value.isValid() || value.isNull() || value.toString().isEmpty())
        return QStringLiteral("–");
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value.toString();
    return NumberFormat::general(std::round(number * 100) / 100);
}

QTableWidget* plainTable(const QStringList& header, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(header.size()), parent);
    table->setHorizontalHeaderLabels(header);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

PlanReadDialog::PlanReadDialog(const QSqlDatabase& db, int projectId, const QString& file, QWidget* parent)
    : QDialog(parent), m_db(db), m_projectId(projectId), m_file(file) {
    setObjectName(QStringLiteral("dlgPlanEinlesen"));
    setWindowTitle(QStringLiteral("Plan einlesen – %1").arg(QFileInfo(file).fileName()));
    resize(720, 460);
    m_heading = new QLabel(this);
    m_heading->setWordWrap(true);
    m_steps = new QStackedWidget(this);
    m_steps->addWidget(buildLayerPage());
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setFormat(QStringLiteral("Der Plan wird gelesen und gemessen …"));
    auto* waiting = new QWidget(this);
    auto* waitingLayout = new QVBoxLayout(waiting);
    waitingLayout->addStretch(1);
    waitingLayout->addWidget(m_progress);
    waitingLayout->addStretch(1);
    m_steps->addWidget(waiting);
    m_steps->addWidget(buildProblemPage());
    m_steps->addWidget(buildPreviewPage());

    m_buttons = new QDialogButtonBox(this);
    m_repair = m_buttons->addButton(QStringLiteral("Reparieren"), QDialogButtonBox::ActionRole);
    m_repair->setObjectName(QStringLiteral("btReparieren"));
    // Back to the layers, so a missing reference system or a role can be given without starting over.
    m_back = m_buttons->addButton(QStringLiteral("Zurück"), QDialogButtonBox::ActionRole);
    m_back->setObjectName(QStringLiteral("btZurueck"));
    m_next = m_buttons->addButton(QStringLiteral("Einlesen"), QDialogButtonBox::AcceptRole);
    m_next->setObjectName(QStringLiteral("btWeiter"));
    m_buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_steps, 1);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_repair, &QPushButton::clicked, this, [this] { startReading(true); });
    connect(m_back, &QPushButton::clicked, this, [this] { setStep(LayerStep); });
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (m_steps->currentIndex() == LayerStep)
            startReading(false);
        else if (m_steps->currentIndex() == PreviewStep)
            accept();
    });
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &PlanReadDialog::onReadingFinished);
    loadLayers();
    setStep(LayerStep);
}

PlanReadDialog::~PlanReadDialog() {
    // A reading still running finishes before the dialog is gone; its result is dropped.
    m_watcher.waitForFinished();
}

QWidget* PlanReadDialog::buildLayerPage() {
    auto* page = new QWidget(this);
    m_layers = plainTable({QStringLiteral("Ebene"), QStringLiteral("Geometrie"), QStringLiteral("Objekte"),
                           QStringLiteral("Koordinatensystem"), QStringLiteral("Rolle")},
                          page);
    m_layers->setObjectName(QStringLiteral("twPlanEbenen"));
    m_layers->setAccessibleName(QStringLiteral("Ebenen und ihre Rollen"));
    m_networkField = new QComboBox(page);
    m_networkField->setObjectName(QStringLiteral("cbNetzAttribut"));
    m_typeField = new QComboBox(page);
    m_typeField->setObjectName(QStringLiteral("cbTypAttribut"));
    m_crs = new QLineEdit(page);
    m_crs->setObjectName(QStringLiteral("edPlanKrs"));
    m_crs->setPlaceholderText(QStringLiteral("z. B. EPSG:31287"));
    m_allNetworks =
        new QCheckBox(QStringLiteral("Leitungen ohne Netz gelten für alle Netze entlang der Straßen"), page);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Attribut für das Netz:"), m_networkField);
    form->addRow(QStringLiteral("Attribut für den Gebäudetyp:"), m_typeField);
    form->addRow(QStringLiteral("Koordinatensystem für Ebenen ohne eigenes:"), m_crs);
    form->addRow(QString(), m_allNetworks);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_layers, 1);
    layout->addLayout(form);
    return page;
}

QWidget* PlanReadDialog::buildProblemPage() {
    auto* page = new QWidget(this);
    m_problems = new QListWidget(page);
    m_problems->setObjectName(QStringLiteral("lwPlanProbleme"));
    m_problems->setAccessibleName(QStringLiteral("Probleme des Plans"));
    m_problems->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_problems);
    return page;
}

QWidget* PlanReadDialog::buildPreviewPage() {
    auto* page = new QWidget(this);
    m_changes = plainTable(
        {QStringLiteral("Eingabe"), QStringLiteral("bisher"), QStringLiteral("aus dem Plan")}, page);
    m_changes->setObjectName(QStringLiteral("twPlanAenderungen"));
    m_changes->setAccessibleName(QStringLiteral("Was sich ändern würde"));
    m_changes->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_changes->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_outside = new QLabel(page);
    m_outside->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_changes, 1);
    layout->addWidget(m_outside);
    return page;
}

void PlanReadDialog::loadLayers() {
    QString error;
    m_layerInfo = planLayers(m_file, &error);
    if (!error.isEmpty()) {
        m_layerHeading = error;
        m_next->setEnabled(false);
        return;
    }
    try {
        m_start = PlanStore::rememberedAssignment(m_db, m_file);
    } catch (const TavoError&) {
        m_start = {}; // no remembered assignment: the guess is offered
    }
    if (m_start.isEmpty())
        m_start = guessAssignment(m_layerInfo);
    QStringList fields;
    bool crsMissing = false;
    m_layers->setRowCount(static_cast<int>(m_layerInfo.size()));
    for (int row = 0; row < m_layerInfo.size(); ++row) {
        const PlanLayerInfo& info = m_layerInfo[row];
        const QStringList cells = {info.name, info.geometryType, QString::number(info.featureCount),
                                   info.crs.isEmpty() ? QStringLiteral("fehlt") : info.crs};
        for (int column = 0; column < cells.size(); ++column)
            m_layers->setItem(row, column, new QTableWidgetItem(cells[column]));
        auto* role = new QComboBox(m_layers);
        role->setAccessibleName(QStringLiteral("Rolle der Ebene %1").arg(info.name));
        role->addItem(QStringLiteral("keine"), static_cast<int>(PlanRole::Keine));
        for (PlanRole r : planRoles())
            role->addItem(planRoleName(r), static_cast<int>(r));
        role->setCurrentIndex(
            role->findData(static_cast<int>(m_start.layerRoles.value(info.name, PlanRole::Keine))));
        m_layers->setCellWidget(row, 4, role);
        crsMissing = crsMissing || info.crs.isEmpty();
        for (const QString& f : info.fields)
            if (!fields.contains(f))
                fields << f;
    }
    m_layers->resizeColumnsToContents();
    for (QComboBox* combo : {m_networkField, m_typeField}) {
        combo->addItem(QStringLiteral("(keines)"), QString());
        for (const QString& f : fields)
            combo->addItem(f, f);
    }
    m_networkField->setCurrentIndex(std::max(0, m_networkField->findData(m_start.networkField)));
    m_typeField->setCurrentIndex(std::max(0, m_typeField->findData(m_start.buildingTypeField)));
    m_crs->setText(m_start.crsOverride);
    m_allNetworks->setChecked(m_start.unnamedLinesForAllNetworks);
    m_layerHeading = crsMissing
                         ? QStringLiteral("Jeder Ebene eine Rolle zuordnen. Mindestens eine Ebene hat kein "
                                          "Koordinatensystem: bitte unten eines angeben (EPSG-Code).")
                         : QStringLiteral("Jeder Ebene eine Rolle zuordnen; Ebenen mit „keine“ werden "
                                          "nicht gemessen.");
}

PlanAssignment PlanReadDialog::assignment() const {
    PlanAssignment a = m_start;
    a.layerRoles.clear();
    for (int row = 0; row < m_layers->rowCount(); ++row) {
        auto* role = qobject_cast<QComboBox*>(m_layers->cellWidget(row, 4));
        const auto r = static_cast<PlanRole>(role->currentData().toInt());
        if (r != PlanRole::Keine)
            a.layerRoles.insert(m_layerInfo[row].name, r);
    }
    a.networkField = m_networkField->currentData().toString();
    a.buildingTypeField = m_typeField->currentData().toString();
    a.crsOverride = m_crs->text().trimmed();
    a.unnamedLinesForAllNetworks = m_allNetworks->isChecked();
    return a;
}

void PlanReadDialog::startReading(bool repair) {
    const PlanAssignment a = assignment();
    if (a.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Keiner Ebene ist eine Rolle zugeordnet."));
        return;
    }
    setStep(ReadingStep);
    const QString file = m_file;
    m_watcher.setFuture(QtConcurrent::run([file, a, repair] {
        Outcome outcome;
        outcome.reading = readPlan(file, a, repair, &outcome.error);
        return outcome;
    }));
}

void PlanReadDialog::onReadingFinished() {
    const Outcome outcome = m_watcher.result();
    if (!outcome.error.isEmpty()) {
        QMessageBox::critical(this, windowTitle(), outcome.error);
        setStep(LayerStep);
        return;
    }
    m_reading = outcome.reading;
    if (!m_reading.problems.isEmpty())
        showProblems();
    else
        showPreview();
}

void PlanReadDialog::showProblems() {
    m_problems->clear();
    bool repairable = false;
    for (const PlanProblem& p : m_reading.problems) {
        const QString where = p.fid >= 0 ? QStringLiteral("Ebene „%1“, Objekt %2").arg(p.layer).arg(p.fid)
                                         : QStringLiteral("Ebene „%1“").arg(p.layer);
        // The reader's texts mostly name layer and object themselves.
        m_problems->addItem(p.text.startsWith(QStringLiteral("Ebene"))
                                ? p.text
                                : QStringLiteral("%1: %2").arg(where, p.text));
        repairable = repairable || p.repairable;
    }
    m_repair->setEnabled(repairable);
    m_heading->setText(repairable
                           ? QStringLiteral("Der Plan hat ungültige Geometrien. „Reparieren“ lässt sie von "
                                            "GDAL reparieren und misst neu; sonst abbrechen.")
                           : QStringLiteral("Der Plan kann so nicht übernommen werden."));
    setStep(ProblemStep);
}

void PlanReadDialog::showPreview() {
    QVector<PlanFieldChange> changes;
    try {
        changes = PlanStore::planChanges(m_db, m_projectId, m_reading);
    } catch (const TavoError& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        setStep(LayerStep);
        return;
    }
    m_changes->setRowCount(static_cast<int>(changes.size()));
    for (int row = 0; row < changes.size(); ++row) {
        const PlanFieldChange& c = changes[row];
        const QStringList cells = {c.caption.isEmpty() ? c.fieldKey : c.caption, valueText(c.oldValue),
                                   valueText(c.newValue)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_changes->setItem(row, column, item);
        }
    }
    m_outside->setText(m_reading.outsideBaugebiet.isEmpty()
                           ? QString()
                           : QStringLiteral("Außerhalb des Baugebiets liegen: %1.")
                                 .arg(m_reading.outsideBaugebiet.join(QStringLiteral("; "))));
    m_heading->setText(
        changes.isEmpty()
            ? QStringLiteral("Der Plan ändert keine Eingabe. „Übernehmen“ speichert ihn beim Projekt.")
            : QStringLiteral("Diese Eingaben würden sich ändern. Erst „Übernehmen“ schreibt sie."));
    setStep(PreviewStep);
}

void PlanReadDialog::setStep(int step) {
    m_steps->setCurrentIndex(step);
    if (step == LayerStep)
        m_heading->setText(m_layerHeading);
    m_back->setVisible(step == ProblemStep || step == PreviewStep);
    m_repair->setVisible(step == ProblemStep);
    m_next->setVisible(step == LayerStep || step == PreviewStep);
    m_next->setText(step == PreviewStep ? QStringLiteral("Übernehmen") : QStringLiteral("Einlesen"));
    m_progress->setVisible(step == ReadingStep);
}

} // namespace tavo
