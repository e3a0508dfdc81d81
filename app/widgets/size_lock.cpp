#include "app/widgets/size_lock.h"

#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace kerfolio {

SizeLock::SizeLock(QWidget* window, QSize size) : QObject(window), window_(window), size_(size) {
    window->setMinimumSize(size);
    window->resize(size);
    window->installEventFilter(this);
}

bool SizeLock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange) && !pending_) {
        // The window manager may report the new size before the maximised state; decide once both
        // have arrived.
        pending_ = true;
        QTimer::singleShot(0, this, [this] { Restore(); });
    }
    return QObject::eventFilter(watched, event);
}

void SizeLock::Restore() {
    pending_ = false;
    if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    if (window_->size() != size_) window_->resize(size_);
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
