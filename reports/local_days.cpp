#include "reports/local_days.h"

#include <ctime>
#include <utility>

namespace kerfolio {
namespace {

constexpr std::int64_t kDaySeconds = 86'400;

std::tm TmOf(Day day, int secondOfDay, int isDst) {
    const std::chrono::year_month_day date(day);
    std::tm tm{};
    tm.tm_year = int(date.year()) - 1900;
    tm.tm_mon = int(unsigned(date.month())) - 1;
    tm.tm_mday = int(unsigned(date.day()));
    tm.tm_hour = secondOfDay / 3600;
    tm.tm_min = secondOfDay / 60 % 60;
    tm.tm_sec = secondOfDay % 60;
    tm.tm_isdst = isDst;
    return tm;
}

// The instant the clock reads secondOfDay on day taken with the given daylight-saving flag, when the
// clock does read so then.
std::optional<std::int64_t> Reading(Day day, int secondOfDay, int isDst) {
    std::tm tm = TmOf(day, secondOfDay, isDst);
    const std::time_t instant = std::mktime(&tm);
    if (instant == std::time_t(-1)) return std::nullopt;
    const LocalInstant back = ToLocal(std::int64_t(instant));
    if (back.day != day || back.secondOfDay != secondOfDay) return std::nullopt;
    return std::int64_t(instant);
}

}  // namespace

LocalInstant ToLocal(std::int64_t utc) {
    const std::time_t t = std::time_t(utc);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    LocalInstant local;
    local.day = MakeDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday).value_or(Day{});
    local.secondOfDay = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    local.offset = std::int32_t(tm.tm_gmtoff);
    return local;
}

std::int64_t LocalMidnight(Day day) {
    // A zone that skips midnight itself begins the day at the first instant after it.
    for (const int isDst : {-1, 0, 1}) {
        if (const auto instant = Reading(day, 0, isDst)) return *instant;
    }
    std::tm tm = TmOf(day, 0, -1);
    return std::int64_t(std::mktime(&tm));
}

std::int64_t LocalSeconds(Day first, Day last) {
    return LocalMidnight(last + std::chrono::days(1)) - LocalMidnight(first);
}

ClockReadings FromClock(Day day, int secondOfDay) {
    ClockReadings readings;
    for (const int isDst : {0, 1}) {
        const auto instant = Reading(day, secondOfDay, isDst);
        if (!instant || (readings.count == 1 && readings.instants[0] == *instant)) continue;
        readings.instants[readings.count++] = *instant;
    }
    if (readings.count == 2 && readings.instants[0] > readings.instants[1])
        std::swap(readings.instants[0], readings.instants[1]);
    return readings;
}

bool PlainDay(Day day) {
    const std::int64_t begin = LocalMidnight(day);
    return LocalMidnight(day + std::chrono::days(1)) - begin == kDaySeconds &&
           ToLocal(begin).offset == ToLocal(begin + kDaySeconds - 1).offset;
}

}  // namespace kerfolio
