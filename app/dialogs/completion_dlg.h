#pragma once

#include <array>
#include <functional>

#include "app/dialogs/fixed_dialog.h"
#include "board/stamping.h"

class QLineEdit;

namespace kerfolio {

// 信息确认！(加工完毕): the finished job's summary. The operator may correct any field; the report
// line is built from the fields as they stand at OK.
class TOKBottomDlg1 : public FixedDialog {
    Q_OBJECT
  public:
    explicit TOKBottomDlg1(QWidget* parent);

    void SetFields(const CompletionFields& fields);
    CompletionFields Fields() const;
    void SetHandlers(std::function<void(const CompletionFields&)> ok, std::function<void()> cancel) {
        okHandler_ = std::move(ok);
        cancelHandler_ = std::move(cancel);
    }

    void OKBtnClick();
    void CancelBtnClick();

    // The close box and Esc act as Cancel, so no stale unmount time stays on the board.
    void reject() override;

  private:
    std::array<QLineEdit*, 8> edits_{};
    std::function<void(const CompletionFields&)> okHandler_;
    std::function<void()> cancelHandler_;
};

}  // namespace kerfolio
