#pragma once

#include <QColor>

class QWidget;

namespace kerfolio {

// Gives a widget a text colour and a ground colour of its own, always both together: a widget that
// fixes only one takes the other from the desktop, and a dark desktop then puts light grey text on a
// fixed white ground.
void FixColours(QWidget* widget, const QColor& text, const QColor& ground);

// The light ground of a dialog on a classic desktop, behind lines drawn in a colour of their own.
QColor LightGround();

}  // namespace kerfolio
