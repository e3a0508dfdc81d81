#pragma once

#include <QDateTime>

#include "board/time_text.h"
#include "journal/event.h"

namespace kerfolio {

// Days since 1899-12-30 00:00 local time, to the millisecond.
TDateTime ToDateTime(const QDateTime& moment);

// One look at the clock: the board's local time and the absolute instant it stands for. Taken together,
// so an hour the clock repeats in autumn still gives the instant it was.
struct ClockReading {
    TDateTime local = 0;
    journal::Stamp stamp;
};

// The reading of moment.
ClockReading ReadingOf(const QDateTime& moment);

// The wall clock, behind a seam so tests can fix the time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual ClockReading Read() const { return ReadingOf(QDateTime::currentDateTime()); }
    virtual TDateTime Now() const { return Read().local; }
};

}  // namespace kerfolio
