#pragma once

#include <QDialog>

namespace kerfolio {

// A modal dialog with a fixed client area that opens centred on the screen. Created once and reused,
// so every showing goes through exec().
class FixedDialog : public QDialog {
    Q_OBJECT
  public:
    FixedDialog(const QString& objectName, const QString& caption, int width, int height, QWidget* parent);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace kerfolio
