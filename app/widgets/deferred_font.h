#pragma once

#include <QFont>

class QWidget;

namespace kerfolio {

// Gives the widget its font when it is first shown rather than now. A line edit or button lays its
// text out, and so loads the face, as soon as it gets a font; for a dialog or page that most runs
// never show, that load is start-up time spent on nothing.
void SetFontWhenShown(QWidget* widget, const QFont& font);

}  // namespace kerfolio
