#include "app/widgets/fixed_colours.h"

#include <QPalette>
#include <QWidget>

namespace kerfolio {

void FixColours(QWidget* widget, const QColor& text, const QColor& ground) {
    // Only these two roles are set; the others stay the desktop's and follow it.
    QPalette palette;
    palette.setColor(widget->foregroundRole(), text);
    palette.setColor(widget->backgroundRole(), ground);
    widget->setPalette(palette);
    // A label draws on its parent's ground unless told to fill its own.
    if (widget->backgroundRole() == QPalette::Window) widget->setAutoFillBackground(true);
}

QColor LightGround() {
    return QColor(0xF0, 0xF0, 0xF0);
}

}  // namespace kerfolio
