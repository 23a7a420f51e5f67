#pragma once

#include <QIcon>
#include <QImage>

namespace orvanel {

// The program's pictures are drawn here rather than shipped as pixels, so they stay editable.

// Window icon: a chequered flag over a timing gate, at 32 x 32 and 16 x 16.
QIcon orvanelIcon();
QImage orvanelIconImage(int size);

// The main window's picture: a car passing under the detection bridge, 200 x 141 pixels,
// 8 bits per pixel on the 216-colour web-safe palette.
QImage bridgePicture();

// The About window's picture, 75 x 29 pixels on a transparent ground: a car crossing the detection
// loop under the signal of its transponder, beside the chequered flag.
QImage aboutPicture();

} // namespace orvanel
