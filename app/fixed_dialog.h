#pragma once

#include <QDialog>

namespace kerfolio {

// A modal dialog with a fixed client area that opens centred on the screen. Created once and reused,
// so every showing goes through exec().
class FixedDialog : public QDialog {
    Q_OBJECT
  public:
    FixedDialog(const QString& objectName, const QString& caption, int width, int height, QWidget* parent);

    // The control that has the focus at every showing, whatever had it when the dialog last closed.
    void SetInitialFocus(QWidget* widget) { initialFocus_ = widget; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* initialFocus_ = nullptr;
};

}  // namespace kerfolio
