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
// Makes the window's face the whole program's, before any widget exists: a line edit lays out its
// empty text in the program's font before its own applies, and a box with no parent window has no
// other; a second face would be one more font to load at start-up.
void UseDefaultFontEverywhere();
// The classic desktop background colour that the dialogs' question lines are drawn in.
QColor DesktopColour();

}  // namespace kerfolio
