#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace tavo {

// The questions the windows ask before they save, discard or overwrite something, with German
// button captions whatever translation of the toolkit is installed.
namespace Questions {

// "Änderungen speichern?" with Ja, Nein and Abbrechen; Yes, No or Cancel (also for Escape). The
// project whose changes they are is named below the question.
QMessageBox::StandardButton saveChanges(QWidget* parent, const QString& project);

// What to do about a save refused because someone else saved the project meanwhile.
enum class ConflictChoice { Reload, Overwrite, Cancel };

// The refusal's message with "Neu laden", "Überschreiben" and "Abbrechen" (the default, also for
// Escape, as it changes nothing).
ConflictChoice recordChanged(QWidget* parent, const QString& message);

// A yes/no question with Ja and Nein, Nein the default; true for Ja.
bool confirm(QWidget* parent, const QString& question);

// The plausibility warnings before a calculation, one per line, with "Trotzdem berechnen" and
// "Abbrechen" (the default); true when the user calculates all the same.
bool calculateDespite(QWidget* parent, const QStringList& warnings);

// What to do about a report of a project changed since its calculation.
enum class OutdatedReportChoice { Calculate, MarkOutdated, Cancel };

// "Jetzt berechnen" (the default), "Trotzdem (als veraltet markiert)" and "Abbrechen" (also for Escape).
OutdatedReportChoice reportOutdated(QWidget* parent);

// Tells where a file just written went: a notice over parent that does not block the window, closed
// with OK. Returns the notice (it deletes itself when closed).
QMessageBox* announceSaved(QWidget* parent, const QString& path);

} // namespace Questions

} // namespace tavo
