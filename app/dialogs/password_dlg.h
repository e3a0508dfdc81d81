#pragma once

#include <filesystem>
#include <functional>

#include "app/dialogs/fixed_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kerfolio {

// The password prompt. Created once and reused: what was typed and then cancelled is still there at
// the next showing. Whoever shows it ignores its result; a right or wrong password acts through the
// callbacks, chosen by the password mode.
class TPasswordDlg : public FixedDialog {
    Q_OBJECT

  public:
    explicit TPasswordDlg(std::filesystem::path dataFolder, QWidget* parent = nullptr);

    // startupRejected: a wrong password in mode 1; unlockAccepted: the right one in mode 2.
    void SetActions(std::function<void()> startupRejected, std::function<void()> unlockAccepted);

    int PasswordMode() const { return passwordMode_; }
    void SetPasswordMode(int mode) { passwordMode_ = mode; }

  private:
    void OKBtnClick();

    std::filesystem::path dataFolder_;
    int passwordMode_;
    std::function<void()> startupRejected_;
    std::function<void()> unlockAccepted_;
    QLabel* label1_;
    QLineEdit* password_;
    QPushButton* okBtn_;
    QPushButton* cancelBtn_;
};

}  // namespace kerfolio
