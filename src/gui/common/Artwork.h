#pragma once

#include <QPixmap>

// The pictures of the program, drawn by code so that no image file has to travel with it: a
// stylised settlement of houses on a green hillside with streets and a sun. The same motif appears
// in every size; the larger pictures add the program's name.
namespace Artwork {

// The small picture of the selection window, 169 x 81 pixels.
QPixmap selectionPicture();

// The splash picture shown while a main window is being set up, 800 x 381 pixels.
QPixmap splashPicture();

// The product picture of the About window, 512 x 280 pixels.
QPixmap aboutPicture();

} // namespace Artwork
