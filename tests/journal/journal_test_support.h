#pragma once

#include <chrono>
#include <cstdint>

#include "journal/event.h"

namespace kerfolio::journal::testing {

// The stamp of a local wall-clock time at the given offset from UTC (hours east).
inline Stamp Local(int year, unsigned month, unsigned day, int hour, int minute, int offsetHours) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    const std::int64_t localMs =
        duration_cast<milliseconds>(date.time_since_epoch()).count() + (hour * 60 + minute) * 60'000LL;
    return {localMs - offsetHours * 3'600'000LL, offsetHours * 3600};
}

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kHour = 60 * kMinute;

}  // namespace kerfolio::journal::testing
