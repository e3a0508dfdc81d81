#pragma once

#include <QDateTime>

#include "board/time_text.h"

namespace kerfolio {

// Days since 1899-12-30 00:00 local time, to the millisecond.
TDateTime ToDateTime(const QDateTime& moment);

// The wall clock, behind a seam so tests can fix the time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const { return ToDateTime(QDateTime::currentDateTime()); }
};

}  // namespace kerfolio
