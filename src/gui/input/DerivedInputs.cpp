#include "gui/input/DerivedInputs.h"

#include <cmath>

#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/projects/DerivedInputs.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"
#include "gui/common/Questions.h"
#include "gui/input/AreaDialog.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/ProjectEdit.h"
#include "gui/input/ValueListCombo.h"
#include "gui/mainwindow/MainWindow.h"

namespace tavo {

using namespace DerivedArithmetic;

namespace {

const char* const kCaption = "TAVO - Tavorechner";

const char* const kGross = "bgFlBaulandBrutto";
const char* const kGreenPercent = "bgAntGrünflächen";
const char* const kTrafficPercent = "bgAntVerkehrsflächen";
const char* const kGreenArea = "bgFlGrünflächen";
const char* const kTrafficArea = "bgFlVerkehrsflächen";
const char* const kNet = "bgFlBaulandNetto";

QString col(const char* name) {
    return QString::fromUtf8(name);
}

// The preset buttons beside the settlement grid and the presets they load.
struct PresetButton {
    const char* objectName;
    const char* preset;
};

const PresetButton kPresetButtons[] = {
    {"btSetAufsied_leer", "leer"},
    {"btSetAufsied_mit_Mobil", "mit_Mobilisierung"},
    {"btSetAufsied_ohne_Mobil", "ohne_Mobilisierung"},
};

// A focus change that means the user left the input (not a window switch or an opening popup).
bool isLeaving(const QEvent* event) {
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace

DerivedInputs::DerivedInputs(MainWindow& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("derivedInputs"));
    connectAreas();
    connectLevies();
    connectButtons();
}

void DerivedInputs::connectAreas() {
    connect(&m_window.record(), &ProjectRecord::valueChanged, this, [this](const QString& column) {
        if (column == col(kGross) || column == col(kGreenPercent) || column == col(kTrafficPercent))
            calculateAreas();
    });
    for (const char* percent : {kGreenPercent, kTrafficPercent})
        if (ProjectEdit* edit = m_window.inputFor(col(percent)))
            connect(edit, &ProjectEdit::exited, this, &DerivedInputs::calculateAreas);
    if (ProjectEdit* edit = m_window.inputFor(col(kGreenArea)))
        connect(edit, &ProjectEdit::committed, this, &DerivedInputs::onGreenAreaEntered);
    if (ProjectEdit* edit = m_window.inputFor(col(kTrafficArea)))
        connect(edit, &ProjectEdit::committed, this, &DerivedInputs::onTrafficAreaEntered);
}

void DerivedInputs::connectLevies() {
    void (DerivedInputs::*const handlers[])() = {
        &DerivedInputs::calculateLevySubsidy, &DerivedInputs::calculateWaterSubsidy,
        &DerivedInputs::calculateSeparateSewerSubsidy, &DerivedInputs::calculateCombinedSewerSubsidy};
    const QList<DerivedColumns::Levy>& levies = DerivedColumns::levies();
    for (int i = 0; i < 4; ++i) {
        for (const QString& column : {levies[i].rate, levies[i].percent})
            if (ProjectEdit* edit = m_window.inputFor(column))
                connect(edit, &ProjectEdit::exited, this, handlers[i]);
    }
    // The value-list field of the development levy's percentage: leaving it derives as well.
    if (ValueListCombo* combo = m_window.comboFor(levies[0].percent)) {
        combo->installEventFilter(this);
        if (combo->lineEdit())
            combo->lineEdit()->installEventFilter(this);
    }
}

void DerivedInputs::connectButtons() {
    if (QPushButton* button = m_window.button(QStringLiteral("btBerechneLeitungslaengen")))
        connect(button, &QPushButton::clicked, this, &DerivedInputs::onLineLengthsClicked);
    if (QPushButton* button = m_window.button(QStringLiteral("btBerechneFlaeche")))
        connect(button, &QPushButton::clicked, this, &DerivedInputs::onAreaClicked);
    for (const PresetButton& p : kPresetButtons) {
        const QString preset = QString::fromUtf8(p.preset);
        if (QPushButton* button = m_window.button(QString::fromUtf8(p.objectName)))
            connect(button, &QPushButton::clicked, this, [this, preset] { onPresetClicked(preset); });
    }
}

bool DerivedInputs::eventFilter(QObject* watched, QEvent* event) {
    // The combo writes its choice while it loses the focus; the derivation runs after that.
    if (isLeaving(event) && !m_levyQueued) {
        m_levyQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_levyQueued = false;
                calculateLevySubsidy();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

double DerivedInputs::number(const QString& column) const {
    return NumberFormat::toDouble(m_window.record().value(column));
}

double DerivedInputs::gross() const {
    return wholeGross(number(col(kGross)));
}

void DerivedInputs::calculateAreas() {
    ProjectRecord& record = m_window.record();
    if (!record.isEditing() || m_deriving)
        return;
    m_deriving = true;
    try {
        record.setValue(col(kNet), QVariant());
        const AreaSplit split = splitAreas(gross(), number(col(kGreenPercent)), number(col(kTrafficPercent)),
                                           number(col(kGreenArea)), number(col(kTrafficArea)));
        record.setValue(col(kGreenArea), split.green);
        record.setValue(col(kTrafficArea), split.traffic);
        record.setValue(col(kNet), split.net);
    } catch (const TavoError&) {
        // A derivation that cannot be completed leaves the inputs as far as it got.
    }
    m_deriving = false;
}

void DerivedInputs::onGreenAreaEntered() {
    areaEntered(col(kGreenArea), col(kGreenPercent));
}

void DerivedInputs::onTrafficAreaEntered() {
    areaEntered(col(kTrafficArea), col(kTrafficPercent));
}

void DerivedInputs::areaEntered(const QString& areaColumn, const QString& percentColumn) {
    // The input has written the typed number; without gross land it stays as typed.
    ProjectRecord& record = m_window.record();
    const double b = gross();
    if (b <= 0 || record.isNull(areaColumn))
        return;
    try {
        const double area = std::trunc(number(areaColumn));
        record.setValue(areaColumn, area);
        record.setValue(percentColumn, shareOfArea(area, b));
    } catch (const TavoError& e) {
        showError(e.message());
        return;
    }
    calculateAreas();
}

void DerivedInputs::commitFocusedInput() {
    // A value still being typed counts, as leaving the input would have written it.
    if (auto* edit = qobject_cast<ProjectEdit*>(m_window.focusWidget()))
        edit->commit();
}

bool DerivedInputs::askSeparateSystem() {
    return QMessageBox::question(&m_window, QString::fromUtf8(kCaption),
                                 QStringLiteral("Kanal als Trennsystem?"), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void DerivedInputs::onLineLengthsClicked() {
    commitFocusedInput();
    ProjectRecord& record = m_window.record();
    if (!record.edit())
        return;
    try {
        const double factor = number(QStringLiteral("ifFaktorLeitungslängen"));
        setValues(DerivedColumns::innerLines(gross(), factor, askSeparateSystem()));
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void DerivedInputs::onAreaClicked() {
    commitFocusedInput();
    ProjectRecord& record = m_window.record();
    if (!record.isActive())
        return;
    AreaDialog dialog(&m_window);
    dialog.setArea(std::trunc(number(QStringLiteral("ifFlAnschlStraße"))));
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        record.edit();
        record.setValue(QStringLiteral("ifFlAnschlStraße"), std::trunc(dialog.area()));
        setValues(DerivedColumns::connectingLines(dialog.runningMetres(), askSeparateSystem()));
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

void DerivedInputs::setValues(const DerivedColumns::Values& values) {
    ProjectRecord& record = m_window.record();
    for (const auto& [column, value] : values)
        record.setValue(column, value);
}

void DerivedInputs::calculateLevySubsidy() {
    deriveLevy(0);
}

void DerivedInputs::calculateWaterSubsidy() {
    deriveLevy(1);
}

void DerivedInputs::calculateSeparateSewerSubsidy() {
    deriveLevy(2);
}

void DerivedInputs::calculateCombinedSewerSubsidy() {
    deriveLevy(3);
}

void DerivedInputs::deriveLevy(int row) {
    ProjectRecord& record = m_window.record();
    if (!record.isEditing())
        return;
    const DerivedColumns::Levy& levy = DerivedColumns::levies()[row];
    const ProjectEdit* rateEdit = m_window.inputFor(levy.rate);
    const ProjectEdit* percentEdit = m_window.inputFor(levy.percent);
    if (!rateEdit || !percentEdit)
        return;
    // The texts the two inputs show; an empty or invalid one leaves the subsidy as it is.
    try {
        const double rate = NumberFormat::parseOrThrow(rateEdit->text(), levy.rateCaption);
        const double percent =
            NumberFormat::parseOrThrow(percentEdit->text(), QStringLiteral("Gemeindeförderung (%)"));
        record.setValue(levy.derived, levySubsidy(rate, percent));
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

bool DerivedInputs::settlementHoldsValues() const {
    const SettlementGrid* grid = m_window.settlementGrid();
    if (!grid)
        return false;
    const DetailModel* model = grid->model();
    const int yearColumn = model->columnIndex(QStringLiteral("Jahr"));
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            if (column != yearColumn &&
                NumberFormat::toDouble(model->index(row, column).data(Qt::EditRole)) != 0)
                return true;
    return grid->isModified();
}

void DerivedInputs::onPresetClicked(const QString& presetName) {
    // Rows that hold values are replaced only when the user agrees; empty or zero rows go unasked.
    if (m_window.record().isActive() && settlementHoldsValues()) {
        const QString question =
            presetName == QLatin1String("leer")
                ? QStringLiteral("Die Besiedelung enthält Werte. Sollen alle Werte auf 0 gesetzt werden?")
                : QStringLiteral(
                      "Die Besiedelung enthält Werte. Sollen sie durch die Vorgabewerte ersetzt werden?");
        if (!Questions::confirm(&m_window, question))
            return;
    }
    setSettlementPreset(presetName);
}

void DerivedInputs::setSettlementPreset(const QString& presetName) {
    ProjectRecord& record = m_window.record();
    SettlementGrid* grid = m_window.settlementGrid();
    if (!record.isActive() || !grid)
        return;
    grid->cancel();
    QString error;
    try {
        // The preset writes the project's rows: it claims the project's version like every save.
        record.keepVersion(record.claimVersion());
        applySettlementPreset(m_window.databases(), record.id(), presetName);
    } catch (const TavoError& e) {
        error = e.message();
    }
    try {
        grid->open(record.id());
    } catch (const TavoError& e) {
        if (error.isEmpty())
            error = e.message();
    }
    if (!error.isEmpty())
        showError(error);
}

void DerivedInputs::showError(const QString& message) {
    QMessageBox::critical(&m_window, QString::fromUtf8(kCaption), message);
}

} // namespace tavo
