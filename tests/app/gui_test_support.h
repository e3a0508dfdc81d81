#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <deque>
#include <functional>
#include <initializer_list>
#include <vector>

#include "app/clock.h"
#include "app/messages.h"
#include "board/job_board.h"
#include "tests/storage/temp_folder.h"

#include <ostream>

// Readable failure output for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << 'x' << r.height() << " at (" << r.x() << ", " << r.y() << ')';
}
inline void PrintTo(const QSize& s, std::ostream* os) {
    *os << s.width() << 'x' << s.height();
}

namespace kerfolio::test {

// Records what would have been shown instead of opening message boxes.
class RecordingMessages : public Messages {
  public:
    void Information(const QString& text) override { shown.append(text); }
    void Error(const QString& text) override { errors.append(WithFullStop(text)); }
    QStringList shown;
    QStringList errors;
};

// A clock the test sets by hand.
class FixedClock : public Clock {
  public:
    FixedClock() = default;
    explicit FixedClock(TDateTime start) : now(start) {}
    TDateTime Now() const override { return now; }
    // The instant of now in the local zone.
    ClockReading Read() const override {
        const qint64 ms = static_cast<qint64>(std::llround(now * kMsPerDay));
        const QDateTime local(QDate(1899, 12, 30).addDays(ms / 86'400'000),
                              QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms % 86'400'000)));
        return {now, ReadingOf(local).stamp};
    }
    TDateTime now = 46'000.0;  // some day in 2025, midnight
    void Set(int h, int m, int s) { now = 46'000.0 + (h * 3600 + m * 60 + s) / 86'400.0; }
};

// Answers modal dialogs as they come up, one step per newly shown modal widget, nested dialogs
// included. Steps run from a zero-delay timer so a step that opens another dialog does not block the
// polling.
class ModalScript : public QObject {
  public:
    using Step = std::function<void(QWidget* modal)>;
    ModalScript();
    ~ModalScript();
    ModalScript& Then(Step step);
    bool Finished() const { return steps_.empty(); }
    int Answered() const { return answered_; }

  protected:
    // A dialog counts as new again as soon as it hides, even when it is shown again at once.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Poll();
    QTimer timer_;
    std::deque<Step> steps_;
    std::vector<QPointer<QWidget>> handled_;
    int answered_ = 0;
};

// Clicks the named button of a widget (fails the test when missing).
void Click(QWidget* parent, const QString& objectName);
// Types into the named line edit, replacing its text.
void Type(QWidget* parent, const QString& objectName, const QString& text);
QString TextOf(QWidget* parent, const QString& objectName);

// Clicks board cell n of the window and answers the dialogs that come up with the steps; false when
// one of them did not come up.
bool ClickCellAnswering(QWidget* window, int n, std::initializer_list<ModalScript::Step> steps);

// Once every dialog has answered, nothing of its click or menu may be left for a later one to act on.
inline bool NothingPending(const TJobBoard& board) {
    return board.EventCode() == 0 && board.EventTime() == 0 && board.EntryMachine() == 0 &&
           board.CompletionMachine() == 0;
}

// Steps for the common cases.
ModalScript::Step Press(const QString& button);
ModalScript::Step Fill(std::vector<std::pair<QString, QString>> fields, const QString& button);
ModalScript::Step Capture(std::function<void(QWidget*)> look, const QString& button);

// A fresh empty folder, removed at the end of the test, with its path as the widgets take it.
class TempFolder {
  public:
    QString Path() const { return QString::fromStdString(folder_.Path().string()); }

  private:
    testing::TempFolder folder_;
};

}  // namespace kerfolio::test
