#include "gui/input/AreaDialog.h"

#include <cmath>

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "gui/input/DerivedInputs.h"

namespace {

// The usual width of a connecting road in metres.
const double kDefaultWidth = 8.5;

} // namespace

TfrmFlaechenBerechnung::TfrmFlaechenBerechnung(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmFlaechenBerechnung"));
    setWindowTitle(QStringLiteral("Berechne Fläche:"));
    auto* grid = new QGridLayout(this);
    m_edLaufmeter = addInput(grid, QStringLiteral("Laufmeter:"), "edLaufmeter");
    m_edBreite = addInput(grid, QStringLiteral("Breite:"), "edBreite");
    m_edFlaeche = addInput(grid, QStringLiteral("Fläche:"), "edFlaeche");
    m_edFlaeche->setReadOnly(true);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btOK"));
    m_ok->setDefault(true);
    grid->addWidget(m_ok, grid->rowCount(), 1, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // FormCreate: the width in the user's locale, so that it converts under every locale.
    m_edLaufmeter->setText(QStringLiteral("0"));
    m_edBreite->setText(NumberFormat::general(kDefaultWidth));
    m_edFlaeche->setText(QStringLiteral("0"));
}

QLineEdit* TfrmFlaechenBerechnung::addInput(QGridLayout* grid, const QString& caption,
                                            const char* objectName) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromUtf8(objectName));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setFixedWidth(100);
    const int line = grid->rowCount();
    grid->addWidget(new QLabel(caption, this), line, 0);
    grid->addWidget(edit, line, 1);
    if (objectName != QByteArray("edFlaeche")) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this] { m_pendingChange = true; });
    }
    return edit;
}

void TfrmFlaechenBerechnung::setArea(double area) {
    m_edFlaeche->setText(NumberFormat::general(std::trunc(area)));
}

double TfrmFlaechenBerechnung::area() const {
    return NumberFormat::parse(m_edFlaeche->text());
}

double TfrmFlaechenBerechnung::runningMetres() const {
    return NumberFormat::parse(m_edLaufmeter->text());
}

void TfrmFlaechenBerechnung::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    try {
        const double area = NumberFormat::parseOrThrow(m_edFlaeche->text(), QStringLiteral("Fläche"));
        const double width = NumberFormat::parseOrThrow(m_edBreite->text(), QStringLiteral("Breite"));
        m_edLaufmeter->setText(NumberFormat::general(DerivedArithmetic::runningMetres(area, width)));
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

bool TfrmFlaechenBerechnung::edLaufmeterExit() {
    m_pendingChange = false;
    try {
        const double metres = NumberFormat::parseOrThrow(m_edLaufmeter->text(), QStringLiteral("Laufmeter"));
        const double width = NumberFormat::parseOrThrow(m_edBreite->text(), QStringLiteral("Breite"));
        m_edFlaeche->setText(NumberFormat::general(metres * width));
    } catch (const TavoError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

bool TfrmFlaechenBerechnung::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && m_pendingChange) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            edLaufmeterExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFlaechenBerechnung::accept() {
    if (m_pendingChange && !edLaufmeterExit())
        return;
    // The area and the running metres must be numbers to be stored.
    bool areaOk = false;
    bool metresOk = false;
    NumberFormat::parse(m_edFlaeche->text(), &areaOk);
    NumberFormat::parse(m_edLaufmeter->text(), &metresOk);
    if (!areaOk || !metresOk) {
        showError(QStringLiteral("'%1' ist keine gültige Zahl (%2).")
                      .arg(metresOk ? m_edFlaeche->text() : m_edLaufmeter->text(),
                           metresOk ? QStringLiteral("Fläche") : QStringLiteral("Laufmeter")));
        return;
    }
    QDialog::accept();
}

void TfrmFlaechenBerechnung::showError(const QString& message) {
    QMessageBox::critical(this, QStringLiteral("TAVO - Tavorechner"), message);
}
