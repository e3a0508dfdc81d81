#pragma once

#include <functional>

#include "app/dialogs/fixed_dialog.h"

class QLineEdit;

namespace kerfolio {

// 请输入以下信息！: workpiece name and machining amount for the machine being started. The fields
// keep their text between showings; only OK empties them.
class TOKBottomDlg2 : public FixedDialog {
    Q_OBJECT
  public:
    explicit TOKBottomDlg2(QWidget* parent);

    // Called by OK with the two texts exactly as typed.
    void SetOkHandler(std::function<void(const QString& name, const QString& amount)> handler) {
        okHandler_ = std::move(handler);
    }
    void OKBtnClick();

  private:
    QLineEdit* name_;
    QLineEdit* amount_;
    std::function<void(const QString&, const QString&)> okHandler_;
};

}  // namespace kerfolio
