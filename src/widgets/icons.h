// The program's pictures, drawn as SVG and compiled into the binary.
#pragma once

#include <QIcon>

namespace widgets {

enum class Picture {
    Notepad,    ///< a notepad with a pen: the program itself
    Cross,      ///< a red circle with a white cross
    Question,   ///< a yellow question mark
    ArrowRight, ///< forward
    ArrowLeft,  ///< back
    Magnifier,  ///< a magnifying glass
    Door,       ///< an open door with an arrow going in
    Warning,    ///< a yellow triangle with an exclamation mark
};

QIcon pictureIcon(Picture picture);

/// The notepad in the three sizes a window manager asks for: 16, 32 and 48 pixels.
QIcon windowIcon();

/// The warning sign of the desktop's icon theme, or the program's own where the theme has none.
QIcon warningIcon();

/// The notepad while enabled, the red cross while disabled.
QIcon renameIcon();

} // namespace widgets
