#include "app/pages/board_cell.h"

#include <QPainter>

#include "app/widgets/fixed_colours.h"

namespace kerfolio {
namespace {

constexpr QColor kFrameColour(0x8a, 0x8a, 0x8a);

}  // namespace

BoardCell::BoardCell(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    // The frame's pixel plus one of padding at the sides, the frame's pixel above and below.
    setTextMargins(2, 1, 2, 1);
    FixColours(this, Qt::black, Qt::white);
}

void BoardCell::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    if (!hasFocus()) {
        painter.setPen(kFrameColour);
        painter.drawRect(frame);
        return;
    }
    // Enter and Space stamp the focused cell, so it must stand out as the focused captions do. Two
    // pixels wide, still clear of the text.
    painter.setPen(palette().color(QPalette::Highlight));
    painter.drawRect(frame);
    painter.drawRect(frame.adjusted(1, 1, -1, -1));
}

}  // namespace kerfolio
