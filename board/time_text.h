#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// Days since 1899-12-30 00:00 local time; the fraction is the time of day.
using TDateTime = double;

constexpr double kMsPerDay = 86'400'000.0;

// A TDateTime taken to the nearest millisecond (halves to even, as the clock and the time texts
// round), then split into its day since the epoch (floored, also before it) and the milliseconds into
// that day, 0 .. 86'399'999.
struct DayAndMs {
    std::int64_t day;
    std::int64_t ms;
};
DayAndMs SplitDateTime(TDateTime value);

// "H:MM:SS" of the time of day of value; whole days are dropped, the value is taken to the nearest
// millisecond first and then the milliseconds are cut.
std::string FormatTimeText(TDateTime value);

// Time of day (whole part 0) of "H:MM:SS"; one- or two-digit fields, optional blanks around the text,
// seconds may be left out. Throws ConversionError "'text' is not a valid time".
TDateTime ParseTimeText(std::string_view text);

// The same without the exception, for readers that meet many bad times and only want to know.
std::optional<TDateTime> TryParseTimeText(std::string_view text);

// total + (end - start), where an end before the start crosses midnight once. Throws ConversionError.
std::string AddInterval(std::string_view total, std::string_view start, std::string_view end);

}  // namespace kerfolio
