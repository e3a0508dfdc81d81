#pragma once

#include <QDialog>

class QFrame;
class QPushButton;

namespace kerfolio {

// A modal dialog with a fixed client area that opens centred on the screen, frame included. Created
// once and reused, so every showing goes through exec(). Its buttons answer keys as every dialog of
// the program does (app/dialog_keys.h).
class FixedDialog : public QDialog {
    Q_OBJECT
  public:
    FixedDialog(const QString& objectName, const QString& caption, int width, int height, QWidget* parent);

    // The control that has the focus at every showing, whatever had it when the dialog last closed.
    void SetInitialFocus(QWidget* widget) { initialFocus_ = widget; }

  protected:
    QPushButton* AddButton(const char* objectName, const QString& text, const QRect& place);
    // The sunken frame around a dialog's labels and fields.
    QFrame* AddBevel(const QRect& place);

    void showEvent(QShowEvent* event) override;

  private:
    QWidget* initialFocus_ = nullptr;
};

}  // namespace kerfolio
