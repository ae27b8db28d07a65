#include "gui/common/Questions.h"

#include <QDir>
#include <QPushButton>

namespace tavo {

namespace {

const char* const kCaption = "TAVO - Tavorechner";

void setCaption(QMessageBox& box, QMessageBox::StandardButton which, const QString& caption) {
    if (QAbstractButton* button = box.button(which))
        button->setText(caption);
}

QPushButton* addNamedButton(QMessageBox& box, const QString& text, QMessageBox::ButtonRole role,
                            const QString& objectName) {
    QPushButton* button = box.addButton(text, role);
    button->setObjectName(objectName);
    return button;
}

// "Abbrechen" as the default and the Escape button: a choice that changes nothing.
QPushButton* addCancelButton(QMessageBox& box) {
    QPushButton* cancel =
        addNamedButton(box, QStringLiteral("Abbrechen"), QMessageBox::RejectRole, QStringLiteral("btAbbrechen"));
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    return cancel;
}

} // namespace

namespace Questions {

QMessageBox::StandardButton saveChanges(QWidget* parent, const QString& project) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kCaption),
                    QStringLiteral("Änderungen speichern?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("Projekt: %1").arg(project));
    setCaption(box, QMessageBox::Yes, QStringLiteral("Ja"));
    setCaption(box, QMessageBox::No, QStringLiteral("Nein"));
    setCaption(box, QMessageBox::Cancel, QStringLiteral("Abbrechen"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    return answer == QMessageBox::Yes || answer == QMessageBox::No ? QMessageBox::StandardButton(answer)
                                                                   : QMessageBox::Cancel;
}

ConflictChoice recordChanged(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kCaption), message, QMessageBox::NoButton,
                    parent);
    box.setInformativeText(QStringLiteral("„Neu laden“ verwirft Ihre Änderungen und zeigt den gespeicherten "
                                          "Stand, „Überschreiben“ speichert Ihre Werte darüber, „Abbrechen“ "
                                          "lässt Sie weiter bearbeiten, ohne etwas zu speichern."));
    QPushButton* reload = addNamedButton(box, QStringLiteral("Neu laden"), QMessageBox::DestructiveRole,
                                         QStringLiteral("btNeuLaden"));
    QPushButton* overwrite = addNamedButton(box, QStringLiteral("Überschreiben"), QMessageBox::AcceptRole,
                                            QStringLiteral("btUeberschreiben"));
    addCancelButton(box);
    box.exec();
    if (box.clickedButton() == reload)
        return ConflictChoice::Reload;
    if (box.clickedButton() == overwrite)
        return ConflictChoice::Overwrite;
    return ConflictChoice::Cancel;
}

bool confirm(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kCaption), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    setCaption(box, QMessageBox::Yes, QStringLiteral("Ja"));
    setCaption(box, QMessageBox::No, QStringLiteral("Nein"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool calculateDespite(QWidget* parent, const QStringList& warnings) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kCaption),
                    QStringLiteral("Die Eingaben sind nicht plausibel:\n\n• ") +
                        warnings.join(QStringLiteral("\n• ")),
                    QMessageBox::NoButton, parent);
    QPushButton* calculate = addNamedButton(box, QStringLiteral("Trotzdem berechnen"), QMessageBox::AcceptRole,
                                            QStringLiteral("btTrotzdemBerechnen"));
    addCancelButton(box);
    box.exec();
    return box.clickedButton() == calculate;
}

OutdatedReportChoice reportOutdated(QWidget* parent) {
    QMessageBox box(
        QMessageBox::Warning, QString::fromUtf8(kCaption),
        QStringLiteral("Die Eingaben wurden seit der letzten Berechnung geändert; die gespeicherten "
                       "Ergebnisse sind veraltet."),
        QMessageBox::NoButton, parent);
    box.setInformativeText(
        QStringLiteral("„Jetzt berechnen“ rechnet mit den geänderten Eingaben und erstellt "
                       "dann den Bericht. „Trotzdem“ erstellt ihn aus den alten Ergebnissen; "
                       "jede Seite trägt dann den Vermerk „veraltet“."));
    QPushButton* calculate = addNamedButton(box, QStringLiteral("Jetzt berechnen"), QMessageBox::AcceptRole,
                                            QStringLiteral("btJetztBerechnen"));
    QPushButton* outdated =
        addNamedButton(box, QStringLiteral("Trotzdem (als veraltet markiert)"), QMessageBox::DestructiveRole,
                       QStringLiteral("btTrotzdemVeraltet"));
    addCancelButton(box);
    box.setDefaultButton(calculate);
    box.exec();
    if (box.clickedButton() == calculate)
        return OutdatedReportChoice::Calculate;
    if (box.clickedButton() == outdated)
        return OutdatedReportChoice::MarkOutdated;
    return OutdatedReportChoice::Cancel;
}

QMessageBox* announceSaved(QWidget* parent, const QString& path) {
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kCaption),
                                QStringLiteral("Gespeichert unter:\n%1").arg(QDir::toNativeSeparators(path)),
                                QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("msgGespeichert"));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

} // namespace Questions

} // namespace tavo
