#pragma once

#include <QTime>
#include <QTimeEdit>

namespace kerfolio {

// The time field of the Options page. Qt's own editing goes section by section, and a whole time typed
// over a selection lands in the wrong sections (23:50:00 typed over the text became 0:50:00 or
// 23:00:50). Here what the operator types from the first key on is also read as a whole: once it reads
// as H:mm or H:mm:ss, that is the time. Typing that never makes a time is undone when the field is left,
// with a beep, so the field never keeps a time nobody typed.
class TimeField : public QTimeEdit {
  public:
    using QTimeEdit::QTimeEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Settle();   // the typing is over: keep the time it made, or go back
    QString typed_;  // the digits and colons typed since the field was entered
    QTime before_;   // the time before the typing began
    bool typedTime_ = false;
};

}  // namespace kerfolio
