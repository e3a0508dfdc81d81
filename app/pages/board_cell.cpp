#include "app/pages/board_cell.h"

#include <QPainter>

namespace kerfolio {
namespace {

constexpr QColor kFrameColour(0x8a, 0x8a, 0x8a);

}  // namespace

BoardCell::BoardCell(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    // The frame's pixel plus one of padding at the sides, the frame's pixel above and below.
    setTextMargins(2, 1, 2, 1);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
}

void BoardCell::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.setPen(kFrameColour);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace kerfolio
