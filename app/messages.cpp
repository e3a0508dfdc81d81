#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>

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

QString Messages::WithFullStop(const QString& text) {
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

}  // namespace kerfolio
