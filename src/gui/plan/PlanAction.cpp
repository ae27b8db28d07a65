#include "gui/plan/PlanAction.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/data/TavoError.h"
#include "core/plan/PlanStore.h"
#include "gui/input/DetailGrid.h"
#include "gui/input/ProjectEdit.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/plan/PlanPage.h"
#include "gui/plan/PlanReadDialog.h"

namespace tavo {

namespace {

const char* const kMarkAction = "actAusPlan";
const char* const kTitle = "TAVO - Tavorechner";
// The key of a building type's share in the marks: "Bebauung:<type>".
const QString kMixPrefix = QStringLiteral("Bebauung:");

// A small map sign: a green area with a blue line across it.
QIcon markIcon() {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(50, 130, 40), 1));
    painter.setBrush(QColor(160, 214, 130));
    painter.drawPolygon(
        QPolygonF({QPointF(1.5, 3.5), QPointF(12.5, 1.5), QPointF(11.5, 12.5), QPointF(2.5, 11.5)}));
    painter.setPen(QPen(QColor(20, 80, 200), 2));
    painter.drawLine(QPointF(2, 9), QPointF(12, 5));
    painter.end();
    return QIcon(pixmap);
}

QAction* markActionOf(const ProjectEdit* edit) {
    for (QAction* action : edit->actions())
        if (action->objectName() == QLatin1String(kMarkAction))
            return action;
    return nullptr;
}

// Shows or removes the mark of one input; the input's own tooltip (its column) comes back without.
void setMark(ProjectEdit* edit, const QString& tooltip) {
    QAction* action = markActionOf(edit);
    if (tooltip.isEmpty()) {
        if (action) {
            edit->removeAction(action);
            delete action;
            edit->setToolTip(edit->column());
        }
        return;
    }
    if (!action) {
        action = new QAction(markIcon(), QString(), edit);
        action->setObjectName(QString::fromUtf8(kMarkAction));
        edit->addAction(action, QLineEdit::TrailingPosition);
    }
    action->setToolTip(tooltip);
    edit->setToolTip(tooltip);
}

} // namespace

PlanAction::PlanAction(MainWindow& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("planAction"));
    m_page = new PlanPage;
    window.pages()->addTab(m_page, QStringLiteral("Plan"));
    connect(m_page, &PlanPage::readRequested, this, &PlanAction::readPlan);
    connect(&window, &MainWindow::projectLoaded, this, &PlanAction::showProject);
    connect(&window, &MainWindow::projectSaved, this, &PlanAction::onProjectSaved);
    for (ProjectEdit* edit : window.findChildren<ProjectEdit*>())
        connect(edit, &ProjectEdit::committed, this, &PlanAction::onInputCommitted);
    // The building mix's shares: a line above the grid; a hand edit of a row drops the marks.
    DetailGrid* mix = window.buildingMixGrid();
    m_mixRow = new QWidget;
    auto* row = new QHBoxLayout(m_mixRow);
    row->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel(m_mixRow);
    icon->setPixmap(markIcon().pixmap(14, 14));
    m_mixMark = new QLabel(QStringLiteral("Anteile aus Plan"), m_mixRow);
    m_mixMark->setObjectName(QStringLiteral("lbBebauungAusPlan"));
    row->addWidget(icon);
    row->addWidget(m_mixMark, 1);
    m_mixRow->hide();
    if (auto* box = mix->parentWidget(); box && qobject_cast<QVBoxLayout*>(box->layout()))
        static_cast<QVBoxLayout*>(box->layout())->insertWidget(0, m_mixRow);
    connect(mix->model(), &QAbstractItemModel::dataChanged, this, &PlanAction::onMixEdited);
    connect(mix->model(), &QAbstractItemModel::rowsInserted, this, &PlanAction::onMixEdited);
    connect(mix->model(), &QAbstractItemModel::rowsRemoved, this, &PlanAction::onMixEdited);
}

QString PlanAction::markOf(const ProjectEdit* edit) {
    const QAction* action = markActionOf(edit);
    return action ? action->toolTip() : QString();
}

void PlanAction::showProject(int projectId) {
    m_handEdited.clear();
    try {
        const QSqlDatabase db = m_window.databases().user();
        PlanReading plan = PlanStore::storedPlan(db, projectId);
        m_marks = PlanStore::planMarks(db, projectId);
        m_page->setCaption(m_window.record().displayName());
        m_page->showPlan(plan);
    } catch (const TavoError& e) {
        m_marks.clear();
        m_page->showPlan({});
        QMessageBox::critical(&m_window, QString::fromUtf8(kTitle), e.message());
    }
    showMarks();
}

void PlanAction::showMarks() {
    for (ProjectEdit* edit : m_window.findChildren<ProjectEdit*>())
        setMark(edit, m_handEdited.contains(edit->column()) ? QString() : m_marks.value(edit->column()));
    showMixMark();
}

void PlanAction::showMixMark() {
    QStringList lines;
    for (auto it = m_marks.cbegin(); it != m_marks.cend(); ++it)
        if (it.key().startsWith(kMixPrefix) && !m_handEdited.contains(it.key()))
            lines << QStringLiteral("%1 – %2").arg(it.key().mid(kMixPrefix.size()), it.value());
    lines.sort();
    m_mixRow->setVisible(!lines.isEmpty());
    m_mixRow->setToolTip(lines.join(QLatin1Char('\n')));
    m_mixMark->setToolTip(m_mixRow->toolTip());
}

void PlanAction::onMixEdited() {
    bool changed = false;
    for (auto it = m_marks.cbegin(); it != m_marks.cend(); ++it)
        if (it.key().startsWith(kMixPrefix) && !m_handEdited.contains(it.key())) {
            m_handEdited.insert(it.key());
            changed = true;
        }
    if (changed)
        showMixMark();
}

void PlanAction::onInputCommitted(const QString& column) {
    if (!m_marks.contains(column) || m_handEdited.contains(column))
        return;
    m_handEdited.insert(column);
    showMarks();
}

void PlanAction::onProjectSaved(int projectId) {
    if (m_handEdited.isEmpty())
        return;
    try {
        const QSqlDatabase db = m_window.databases().user();
        for (const QString& key : std::as_const(m_handEdited)) {
            PlanStore::clearPlanMark(db, projectId, key);
            m_marks.remove(key);
        }
        m_handEdited.clear();
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, QString::fromUtf8(kTitle), e.message());
    }
}

void PlanAction::readPlan() {
    // The plan writes the inputs directly: what the window holds is saved (or dropped) first.
    if (!m_window.record().isActive() || !m_window.settleUnsavedChanges())
        return;
    const QString file = QFileDialog::getOpenFileName(
        &m_window, QStringLiteral("Plan einlesen"), QString(),
        QStringLiteral("Pläne (*.gpkg *.shp *.geojson *.json *.dxf *.gml *.kml);;Alle Dateien (*)"));
    if (file.isEmpty())
        return;
    const int projectId = m_window.projectId();
    const QSqlDatabase db = m_window.databases().user();
    PlanReadDialog dialog(db, projectId, file, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        const QVector<PlanFieldChange> written =
            PlanStore::applyPlan(db, projectId, dialog.reading(), dialog.assignment());
        m_window.reloadProject();
        m_window.pages()->setCurrentWidget(m_page);
        QMessageBox::information(
            &m_window, QString::fromUtf8(kTitle),
            written.isEmpty()
                ? QStringLiteral("Der Plan ist gespeichert; keine Eingabe hat sich geändert.")
                : QStringLiteral("%1 Eingaben wurden aus dem Plan übernommen.").arg(written.size()));
    } catch (const TavoError& e) {
        QMessageBox::critical(&m_window, QString::fromUtf8(kTitle), e.message());
    }
}

} // namespace tavo
