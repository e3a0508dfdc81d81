#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/dialogs/dialog_keys.h"
#include "app/dialogs/window_placement.h"

namespace kerfolio {
namespace {

// Message boxes open in the middle of the screen and take keys like the program's dialogs.
class CentredBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        CentreOnScreen(this);
        GuardDialogKeys(this);
    }
};

void Show(QMessageBox::Icon icon, const QString& text) {
    CentredBox box(icon, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setAttribute(Qt::WA_WindowPropagation);  // in the font of the window it belongs to
    // Names, file paths and offending texts are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void Messages::Information(const QString& text) {
    Show(QMessageBox::NoIcon, text);
}

void Messages::Error(const QString& text) {
    Show(QMessageBox::Critical, WithFullStop(text));
}

void StartUpMessages::Information(const QString& text) {
    if (held_) {
        waiting_.emplace_back(false, text);
        return;
    }
    Messages::Information(text);
}

void StartUpMessages::Error(const QString& text) {
    if (held_) {
        waiting_.emplace_back(true, text);
        return;
    }
    Messages::Error(text);
}

void StartUpMessages::Release() {
    held_ = false;
    QTimer::singleShot(0, qApp, [this, boxes = std::exchange(waiting_, {})] {
        for (const auto& [error, text] : boxes) {
            if (error) {
                Error(text);
            } else {
                Information(text);
            }
        }
    });
}

QString Messages::WithFullStop(const QString& text) {
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

}  // namespace kerfolio
