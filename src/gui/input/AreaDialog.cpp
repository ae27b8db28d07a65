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
#include "core/projects/DerivedInputs.h"

namespace tavo {

AreaDialog::AreaDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmFlaechenBerechnung"));
    setWindowTitle(QStringLiteral("Berechne Fläche:"));
    auto* grid = new QGridLayout(this);
    m_runningMetresEdit = addInput(grid, QStringLiteral("Laufmeter:"), "edLaufmeter");
    m_widthEdit = addInput(grid, QStringLiteral("Breite:"), "edBreite");
    m_areaEdit = addInput(grid, QStringLiteral("Fläche:"), "edFlaeche");
    m_areaEdit->setReadOnly(true);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btOK"));
    m_ok->setDefault(true);
    grid->addWidget(m_ok, grid->rowCount(), 1, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // setUpWindow: the width in the user's locale, so that it converts under every locale.
    m_runningMetresEdit->setText(QStringLiteral("0"));
    m_widthEdit->setText(NumberFormat::general(DerivedArithmetic::DefaultRoadWidth));
    m_areaEdit->setText(QStringLiteral("0"));
}

QLineEdit* AreaDialog::addInput(QGridLayout* grid, const QString& caption,
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
        connect(edit, &QLineEdit::textEdited, this, [this] {
            m_pendingChange = true;
            updateArea();
        });
    }
    return edit;
}

void AreaDialog::setArea(double area) {
    m_areaEdit->setText(NumberFormat::general(std::trunc(area)));
}

double AreaDialog::area() const {
    return NumberFormat::parse(m_areaEdit->text());
}

double AreaDialog::runningMetres() const {
    return NumberFormat::parse(m_runningMetresEdit->text());
}

void AreaDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    try {
        const double area = NumberFormat::parseOrThrow(m_areaEdit->text(), QStringLiteral("Fläche"));
        const double width = NumberFormat::parseOrThrow(m_widthEdit->text(), QStringLiteral("Breite"));
        m_runningMetresEdit->setText(NumberFormat::general(DerivedArithmetic::runningMetres(area, width)));
    } catch (const TavoError& e) {
        showError(e.message());
    }
}

bool AreaDialog::updateArea() {
    bool metresOk = false;
    bool widthOk = false;
    const double metres = NumberFormat::parse(m_runningMetresEdit->text(), &metresOk);
    const double width = NumberFormat::parse(m_widthEdit->text(), &widthOk);
    bool areaOk = false;
    const double area = DerivedArithmetic::roadArea(metres, width, &areaOk);
    const bool valid = metresOk && widthOk && areaOk;
    // An area that does not belong to the values shown is never shown, nor can OK write it.
    m_areaEdit->setText(valid ? NumberFormat::general(area) : QString());
    m_ok->setEnabled(valid);
    return valid;
}

bool AreaDialog::onLengthOrWidthEntered() {
    m_pendingChange = false;
    if (updateArea())
        return true;
    bool metresOk = false;
    NumberFormat::parse(m_runningMetresEdit->text(), &metresOk);
    const QLineEdit* invalid = metresOk ? m_widthEdit : m_runningMetresEdit;
    showError(QStringLiteral("'%1' ist keine gültige Zahl (%2).")
                  .arg(invalid->text(), metresOk ? QStringLiteral("Breite") : QStringLiteral("Laufmeter")));
    return false;
}

bool AreaDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && m_pendingChange) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            onLengthOrWidthEntered();
    }
    return QDialog::eventFilter(watched, event);
}

void AreaDialog::accept() {
    // A change of the running metres or the width is computed first; an invalid number keeps the
    // dialog open. Unchanged values keep the area the dialog opened with.
    if (m_pendingChange && !onLengthOrWidthEntered())
        return;
    bool areaOk = false;
    bool metresOk = false;
    bool widthOk = false;
    NumberFormat::parse(m_areaEdit->text(), &areaOk);
    NumberFormat::parse(m_runningMetresEdit->text(), &metresOk);
    NumberFormat::parse(m_widthEdit->text(), &widthOk);
    if (!areaOk || !metresOk || !widthOk) {
        const QLineEdit* invalid = !metresOk ? m_runningMetresEdit : !widthOk ? m_widthEdit : m_areaEdit;
        const QString caption = !metresOk  ? QStringLiteral("Laufmeter")
                                : !widthOk ? QStringLiteral("Breite")
                                           : QStringLiteral("Fläche");
        showError(QStringLiteral("'%1' ist keine gültige Zahl (%2).").arg(invalid->text(), caption));
        return;
    }
    QDialog::accept();
}

void AreaDialog::showError(const QString& message) {
    QMessageBox::critical(this, QStringLiteral("TAVO - Tavorechner"), message);
}

} // namespace tavo
