#include "app/dialogs/window_placement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace kerfolio {
namespace {

QMargins FrameOf(const QWidget* widget) {
    const QWindow* window = widget->windowHandle();
    return window != nullptr ? window->frameMargins() : QMargins();
}

// The window's own frame once the window manager has drawn one, else that of another visible window
// of ours, which the window manager frames alike.
QMargins ExpectedFrame(const QWidget* window) {
    if (const QMargins own = FrameOf(window); !own.isNull()) return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible()) continue;
        if (const QMargins frame = FrameOf(other); !frame.isNull()) return frame;
    }
    return {};
}

}  // namespace

QPoint CentredClientPosition(QSize client, QMargins frame, const QRect& area) {
    const QSize whole = client.grownBy(frame);
    const QPoint frameTopLeft(area.x() + (area.width() - whole.width()) / 2,
                              area.y() + (area.height() - whole.height()) / 2);
    return frameTopLeft + QPoint(frame.left(), frame.top());
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QPoint client =
        CentredClientPosition(window->size(), ExpectedFrame(window), screen->availableGeometry());
    // The client area's place, whether or not the frame is known yet.
    window->setGeometry(QRect(client, window->size()));
}

}  // namespace kerfolio
