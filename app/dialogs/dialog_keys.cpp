#include "app/dialogs/dialog_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace kerfolio {
namespace {

bool IsAnswerKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// Sits on the dialog and on every control in it, so it sees a key before the focused control does.
class DialogKeyGuard : public QObject {
  public:
    explicit DialogKeyGuard(QWidget* dialog) : QObject(dialog) {
        setObjectName(QStringLiteral("DialogKeyGuard"));
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!IsAnswerKey(key->key())) return false;
        if (key->isAutoRepeat()) return true;
        // A push button without auto-default would pass Enter on to the dialog's default button.
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button != nullptr && key->key() != Qt::Key_Escape && modifiers == Qt::NoModifier &&
            button->isEnabled()) {
            button->click();
            return true;
        }
        return false;
    }
};

}  // namespace

void GuardDialogKeys(QWidget* dialog) {
    QObject* guard =
        dialog->findChild<QObject*>(QStringLiteral("DialogKeyGuard"), Qt::FindDirectChildrenOnly);
    if (guard == nullptr) guard = new DialogKeyGuard(dialog);
    // Installing again only moves the filter to the front; no control ever runs it twice.
    dialog->installEventFilter(guard);
    for (QWidget* control : dialog->findChildren<QWidget*>())
        control->installEventFilter(guard);
}

}  // namespace kerfolio
