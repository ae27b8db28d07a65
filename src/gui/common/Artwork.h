#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tavo {

// The pictures of the program, SVG files in the resource :/pictures: a stylised settlement of houses
// on a green hillside with streets and a sun; the larger pictures add the program's name. Each is
// rendered at the screen's device pixel ratio, so it stays sharp on high-DPI screens; the sizes are
// logical pixels.
namespace Artwork {

// The small picture of the selection window, 169 x 81 pixels.
QPixmap selectionPicture();

// The start picture shown while a main window is being set up, 800 x 381 pixels.
QPixmap splashPicture();

// The product picture of the About window, 512 x 280 pixels.
QPixmap aboutPicture();

// A 16 x 16 icon from the resource :/icons (e.g. "nav-first"), drawn in black in its file and
// shown in color (the palette's button text colour, so it follows the style).
QIcon icon(const QString& name, const QColor& color);

} // namespace Artwork

} // namespace tavo
