#pragma once

#include <QColor>
#include <QFont>

namespace kerfolio {

// The regular-script face the board's headings and dialogs use, with plain CJK faces behind it.
QFont KaitiFont(int pixelSize, bool bold);
// The plain face of the status bar.
QFont SongtiFont(int pixelSize);
// The window's default face.
QFont DefaultFont();
// The classic desktop background colour that the dialogs' question lines are drawn in.
QColor DesktopColour();

}  // namespace kerfolio
