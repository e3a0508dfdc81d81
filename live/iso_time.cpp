#include "live/iso_time.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kerfolio::live {

std::string FormatIsoTime(TDateTime localTime, std::int32_t utcOffsetS) {
    using namespace std::chrono;
    // Cut to the second, as the board's time texts are.
    const DayAndMs split = SplitDateTime(localTime);
    const long long intoDay = split.ms / 1000;
    const year_month_day date{sys_days{year{1899} / December / 30} + days{split.day}};
    const int offset = std::abs(utcOffsetS) / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lld%c%02d:%02d", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), intoDay / 3600, intoDay / 60 % 60,
                  intoDay % 60, utcOffsetS < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string FormatSpan(TDateTime days) {
    const auto seconds = static_cast<long long>(std::nearbyint(days * kMsPerDay)) / 1000;
    if (seconds <= 0) return "0:00:00";
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

}  // namespace kerfolio::live
