#pragma once

#include <QString>

class QWidget;

namespace tavo {

// Opening the user manual, a PDF file beside the program, in the desktop's PDF viewer.
namespace Help {

// "TAVO_Handbuch.pdf" in the folder of the running program (not the working folder), else in the
// installed share folder; the path beside the program when there is none.
QString manualPath();

// Opens the manual; a missing file or a failing viewer is reported in a German message box.
void openManual(QWidget* parent);

// Opens the document at path with the desktop's associated application; returns false after
// telling the user (naming the path) when the file is missing or could not be opened.
bool openDocument(QWidget* parent, const QString& path);

} // namespace Help

} // namespace tavo
