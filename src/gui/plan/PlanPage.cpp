#include "gui/plan/PlanPage.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "gui/common/Questions.h"
#include "gui/plan/PlanView.h"
#include "report/PlanDrawing.h"
#include "report/PlanSheet.h"

namespace tavo {

namespace {

QPushButton* toolButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setToolTip(hint);
    return button;
}

QIcon roleSwatch(PlanRole role) {
    QPixmap swatch(22, 12);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    if (role == PlanRole::Leitung) {
        p.setPen(QPen(PlanDrawing::lineColor(role), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(2, 6, 20, 6);
    } else {
        p.setPen(PlanDrawing::lineColor(role));
        p.setBrush(PlanDrawing::fillColor(role));
        p.drawRect(1, 1, 19, 9);
    }
    p.end();
    return QIcon(swatch);
}

} // namespace

PlanPage::PlanPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsPlan"));
    auto* tools = new QHBoxLayout;
    QPushButton* read =
        toolButton(this, "btPlanEinlesen", QStringLiteral("Plan einlesen…"),
                   QStringLiteral("Flächen, Leitungen und Bauplätze aus einer Plandatei messen"));
    QPushButton* zoomIn =
        toolButton(this, "btPlanVergroessern", QStringLiteral("+"), QStringLiteral("Vergrößern"));
    QPushButton* zoomOut =
        toolButton(this, "btPlanVerkleinern", QStringLiteral("−"), QStringLiteral("Verkleinern"));
    QPushButton* whole = toolButton(this, "btPlanGanz", QStringLiteral("Ganzer Plan"),
                                    QStringLiteral("Den ganzen Plan zeigen"));
    zoomIn->setFixedWidth(28);
    zoomOut->setFixedWidth(28);
    m_scale = new QComboBox(this);
    m_scale->setObjectName(QStringLiteral("cbPlanMassstab"));
    m_scale->setAccessibleName(QStringLiteral("Maßstab des PDF"));
    for (int scale : planPrintScales())
        m_scale->addItem(QStringLiteral("1:%1").arg(scale), scale);
    m_pdf = toolButton(this, "btPlanPdf", QStringLiteral("Als PDF…"),
                       QStringLiteral("Den Plan maßstäblich als PDF speichern"));
    tools->addWidget(read);
    tools->addSpacing(12);
    tools->addWidget(zoomIn);
    tools->addWidget(zoomOut);
    tools->addWidget(whole);
    tools->addStretch(1);
    tools->addWidget(new QLabel(QStringLiteral("Maßstab:"), this));
    tools->addWidget(m_scale);
    tools->addWidget(m_pdf);

    m_view = new PlanView(this);
    m_view->setMinimumSize(240, 180);
    m_view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("lbPlanQuelle"));
    // No word wrap on this page: a wrapping label would make the window's scroll area size the page
    // by its preferred height (height for width), taller than the window.
    m_source->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_legend = new QListWidget(this);
    m_legend->setObjectName(QStringLiteral("lwPlanLegende"));
    m_legend->setAccessibleName(QStringLiteral("Legende"));
    m_legend->setMaximumHeight(110);
    m_legend->setSelectionMode(QAbstractItemView::NoSelection);
    m_figures = new QTableWidget(0, 2, this);
    m_figures->setObjectName(QStringLiteral("twPlanKennwerte"));
    m_figures->setAccessibleName(QStringLiteral("Gemessene Werte"));
    m_figures->setHorizontalHeaderLabels({QStringLiteral("Gemessen"), QStringLiteral("Wert")});
    m_figures->verticalHeader()->hide();
    m_figures->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_figures->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_figures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_figures->verticalHeader()->setDefaultSectionSize(m_figures->fontMetrics().height() + 6);
    m_figures->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_figures->setMinimumHeight(80);
    m_selection = new QLabel(this);
    m_selection->setObjectName(QStringLiteral("lbPlanAuswahl"));
    m_selection->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* sideWidget = new QWidget(this);
    sideWidget->setMaximumWidth(330);
    auto* side = new QVBoxLayout(sideWidget);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(m_source);
    side->addWidget(new QLabel(QStringLiteral("Legende"), this));
    side->addWidget(m_legend);
    side->addWidget(m_figures, 1);
    side->addWidget(m_selection);
    auto* body = new QHBoxLayout;
    body->addWidget(m_view, 3);
    body->addWidget(sideWidget, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addLayout(tools);
    layout->addLayout(body, 1);

    connect(read, &QPushButton::clicked, this, &PlanPage::readRequested);
    connect(zoomIn, &QPushButton::clicked, this, [this] { m_view->zoomBy(1.5); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { m_view->zoomBy(1 / 1.5); });
    connect(whole, &QPushButton::clicked, m_view, &PlanView::fitPlan);
    connect(m_pdf, &QPushButton::clicked, this, &PlanPage::onPdfClicked);
    connect(m_view, &PlanView::featureClicked, this, &PlanPage::onFeatureClicked);
    showPlan({});
}

void PlanPage::showPlan(const PlanReading& plan) {
    m_view->setPlan(plan);
    m_legend->clear();
    for (PlanRole role : PlanDrawing::presentRoles(plan))
        m_legend->addItem(new QListWidgetItem(roleSwatch(role), planRoleName(role)));
    const QList<QStringList> lines =
        plan.file.isEmpty() ? QList<QStringList>() : PlanDrawing::measureLines(plan.measures);
    m_figures->setRowCount(static_cast<int>(lines.size()));
    for (int row = 0; row < lines.size(); ++row)
        for (int column = 0; column < 2; ++column) {
            auto* item = new QTableWidgetItem(lines[row].value(column));
            if (column == 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_figures->setItem(row, column, item);
        }
    m_source->setText(plan.file.isEmpty()
                          ? QStringLiteral("Für dieses Projekt ist noch kein Plan eingelesen.\n"
                                           "„Plan einlesen…“ misst Flächen, Leitungen\nund Bauplätze aus "
                                           "einer Plandatei.")
                          : QStringLiteral("Datei: %1\nStand: %2\nKoordinatensystem: %3")
                                .arg(QFileInfo(plan.file).fileName(), plan.stand, plan.metricCrs));
    m_source->setToolTip(QDir::toNativeSeparators(plan.file));
    m_selection->setText(QStringLiteral("Ein Klick auf ein Objekt zeigt\nseine Rolle und sein Maß."));
    m_pdf->setEnabled(!plan.features.isEmpty());
}

int PlanPage::chosenScale() const {
    return m_scale->currentData().toInt();
}

void PlanPage::onFeatureClicked(int index) {
    const PlanReading& plan = m_view->plan();
    m_selection->setText(index >= 0 && index < plan.features.size()
                             ? PlanDrawing::featureText(plan.features[index])
                             : QStringLiteral("Kein Objekt an dieser Stelle."));
    m_selection->setToolTip(m_selection->text());
}

void PlanPage::writePdf(const QString& fileName) const {
    writePlanSheetPdf(fileName, m_view->plan(), chosenScale(), m_caption);
}

void PlanPage::onPdfClicked() {
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Plan als PDF speichern"),
                                                      QStringLiteral("Plan_1_%1.pdf").arg(chosenScale()),
                                                      QStringLiteral("PDF-Dateien (*.pdf)"));
    if (file.isEmpty())
        return;
    try {
        OutputFile::checkTarget(file, OutputFile::databasesInUse());
        writePdf(file);
        Questions::announceSaved(this, file);
    } catch (const TavoError& e) {
        QMessageBox::critical(this, QStringLiteral("TAVO - Tavorechner"), e.message());
    }
}

} // namespace tavo
