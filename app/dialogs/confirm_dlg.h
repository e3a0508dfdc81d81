#pragma once

#include <functional>

#include "app/dialogs/fixed_dialog.h"

class QLabel;
class QPushButton;

namespace kerfolio {

// 信息确认！: the question and event lines of a pending board event. Holds no state; OK runs the
// handler the window gave it.
class TOKBottomDlg : public FixedDialog {
    Q_OBJECT
  public:
    explicit TOKBottomDlg(QWidget* parent);

    void SetLines(const QString& question, const QString& eventLine);
    QString Question() const;
    QString EventLine() const;
    void SetOkHandler(std::function<void()> handler) { okHandler_ = std::move(handler); }

    void OKBtnClick();
    void CancelBtnClick();

  private:
    QLabel* label1_;
    QLabel* label2_;
    std::function<void()> okHandler_;
};

}  // namespace kerfolio
