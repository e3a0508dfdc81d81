#include "app/widgets/time_field.h"

#include <QApplication>
#include <QKeyEvent>

namespace kerfolio {
namespace {

QTime ReadTyped(const QString& text) {
    for (const char* format : {"H:mm:ss", "H:mm"}) {
        const QTime time = QTime::fromString(text, QString::fromLatin1(format));
        if (time.isValid()) return time;
    }
    return {};
}

}  // namespace

void TimeField::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool typing = text.size() == 1 && (text[0].isDigit() || text[0] == QLatin1Char(':'));
    if (!typing) {
        if (event->key() == Qt::Key_Backspace) {
            typed_.chop(1);  // a typo put right goes on with the typing
        } else {
            Settle();
        }
        QTimeEdit::keyPressEvent(event);
        return;
    }
    if (typed_.isEmpty()) {
        before_ = time();
        typedTime_ = false;
    }
    typed_ += text;
    QTimeEdit::keyPressEvent(event);
    // What the sections made of the keys is set right by what was typed, once it reads as a time.
    if (const QTime whole = ReadTyped(typed_); whole.isValid() && typed_.count(QLatin1Char(':')) > 0) {
        setTime(whole);
        typedTime_ = true;
    } else {
        typedTime_ = false;
    }
}

void TimeField::focusInEvent(QFocusEvent* event) {
    typed_.clear();
    QTimeEdit::focusInEvent(event);
}

void TimeField::mousePressEvent(QMouseEvent* event) {
    typed_.clear();
    QTimeEdit::mousePressEvent(event);
}

void TimeField::focusOutEvent(QFocusEvent* event) {
    Settle();
    QTimeEdit::focusOutEvent(event);
}

void TimeField::Settle() {
    // Typing with a colon that never became a time: the field goes back to what it held, and says so.
    if (typed_.contains(QLatin1Char(':')) && !typedTime_) {
        setTime(before_);
        QApplication::beep();
    }
    typed_.clear();
}

}  // namespace kerfolio
