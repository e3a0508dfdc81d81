#include "app/pages/hover_hints.h"

#include <QMouseEvent>
#include <QWidget>

namespace kerfolio {

HoverHints::HoverHints(QObject* parent) : QObject(parent) {}

void HoverHints::AddHint(QWidget* control, const QString& text) {
    hints_.insert(control, text);
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

void HoverHints::AddBackground(QWidget* area) {
    backgrounds_.insert(area);
    area->setMouseTracking(true);
    area->installEventFilter(this);
}

bool HoverHints::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove) return QObject::eventFilter(watched, event);
    // A disabled control refuses the movement and Qt passes it on to the parent; the filter sees it
    // first, so the hint shows, and the parent below finds the control under the pointer and keeps it.
    if (const auto hint = hints_.constFind(watched); hint != hints_.constEnd()) {
        Show(*hint);
    } else if (backgrounds_.contains(watched)) {
        auto* area = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (area->childAt(at) == nullptr) Show(QString());
    }
    return QObject::eventFilter(watched, event);
}

void HoverHints::Show(const QString& text) {
    if (handler_) handler_(text);
}

}  // namespace kerfolio
