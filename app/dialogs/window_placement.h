#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace kerfolio {

// Where a window's client area goes so that the whole window, frame included, is centred in area.
QPoint CentredClientPosition(QSize client, QMargins frame, const QRect& area);

// Centres window, frame included, on the primary screen's available area. Before a window has been
// on screen its frame is not known yet, so the frame of a visible top-level window stands in for it.
void CentreOnScreen(QWidget* window);

}  // namespace kerfolio
