#pragma once

#include <array>
#include <functional>

#include "app/dialogs/fixed_dialog.h"
#include "machines/machine_params.h"

class QLineEdit;

namespace kerfolio {

class GbkByteLimit;

// 机床参数: one machine's parameter record. Refilled from the file at every opening by the window;
// 修改 hands the typed record to the store handler, 关闭 closes without storing.
class TOKBottomDlg4 : public FixedDialog {
    Q_OBJECT
  public:
    explicit TOKBottomDlg4(QWidget* parent);

    // Puts the record into the fields as it is, without the typing limits.
    void SetRecord(const TMachineParams& params);
    TMachineParams Record() const;

    // Stores the record; false keeps the dialog open with everything typed still in place.
    void SetStoreHandler(std::function<bool(const TMachineParams&)> handler) { store_ = std::move(handler); }
    // True when the dialog may close.
    bool OKBtnClick();

  private:
    std::array<QLineEdit*, 7> edits_{};
    std::array<GbkByteLimit*, 7> limits_{};
    std::function<bool(const TMachineParams&)> store_;
};

}  // namespace kerfolio
