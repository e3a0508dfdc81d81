#pragma once

#include <cstdint>
#include <optional>

#include "reports/calendar.h"

namespace kerfolio {

// Calendar days of this PC's zone (the process's TZ, by the C library's rules), where a day around a
// clock change is 23 or 25 hours long. Instants are seconds since 1970 UTC.

// The instant the local day begins.
std::int64_t LocalMidnight(Day day);
// The seconds from the start of first to the end of last: days times 86,400 give or take the changes.
std::int64_t LocalSeconds(Day first, Day last);
// The local day of an instant and its offset from UTC there.
struct LocalInstant {
    Day day;
    int secondOfDay = 0;  // on the clock, 0..86,399
    std::int32_t offset = 0;
};
LocalInstant ToLocal(std::int64_t utc);

// The instants a clock time of a day stands for: none in a skipped hour, two in a repeated one.
struct ClockReadings {
    std::int64_t instants[2] = {0, 0};
    int count = 0;
};
ClockReadings FromClock(Day day, int secondOfDay);

// Whether the day is of 24 hours with the same offset all through: the clock's times are the day's.
bool PlainDay(Day day);

}  // namespace kerfolio
