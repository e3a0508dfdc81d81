#include "app/widgets/size_lock.h"

#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace kerfolio {
namespace {

constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;
// How long a window manager gets to put a window back from maximised before the lock does.
constexpr int kWindowManagerMs = 300;

}  // namespace

SizeLock::SizeLock(QWidget* window, QSize size) : QObject(window), window_(window), size_(size) {
    window->setMinimumSize(size);
    window->resize(size);
    window->installEventFilter(this);
}

bool SizeLock::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return QObject::eventFilter(watched, event);
    // Only a place at the window's own size and state is one to return to: maximising moves the window
    // too. Taken at any event, not only at moves: the frame arrives without one and shifts the window.
    constexpr Qt::WindowStates kNotInPlace = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    Qt::WindowStates state = window_->windowState();
    if (event->type() == QEvent::WindowStateChange) {
        state = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        if ((state & kLarge) && !(window_->windowState() & kLarge)) leftLarge_ = true;
    }
    if (!(state & kNotInPlace) && window_->size() == size_) place_ = window_->geometry().topLeft();
    if ((event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange) && !pending_) {
        // The window manager may report the new size before the maximised state; decide once both
        // have arrived.
        pending_ = true;
        QTimer::singleShot(0, this, [this] { Restore(); });
    }
    return QObject::eventFilter(watched, event);
}

void SizeLock::Restore() {
    pending_ = false;
    if (window_->windowState() & kLarge) return;
    if (window_->size() == size_) {
        leftLarge_ = false;
        return;
    }
    if (leftLarge_) {
        // Back from maximised, the window manager puts the window back itself, and may say so before
        // it does. A request made now, at the maximised place and with the maximised frame, would
        // cross its own and leave the window in the corner of the screen: the lock steps in only when
        // the window manager has not done it in time.
        leftLarge_ = false;
        QTimer::singleShot(kWindowManagerMs, this, [this] { Restore(); });
        return;
    }
    if (place_) {
        window_->setGeometry(QRect(*place_, size_));
    } else {
        window_->resize(size_);
    }
}

void FillWith(QWidget* page, QWidget* child) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child);
}

void StackWithStatusBar(QWidget* window, QWidget* pages, QWidget* statusBar) {
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    statusBar->setFixedHeight(statusBar->height());
    layout->addWidget(pages, 1);
    layout->addWidget(statusBar);
}

}  // namespace kerfolio
