#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/calendar.h"

namespace kerfolio {

// How a PC writes its short date, as the program names an archive file after it: the pattern in the
// letters the desktop's locale uses ("M/d/yy", "dd.MM.yy", "yyyy/M/d", "d MMM yyyy": d day, M month,
// MMM and MMMM its name, yy and yyyy the year, ddd and dddd the weekday, text in single quotes as it
// is) and the month names it writes (twelve short ones, then twelve long ones; English when none).
struct ShortDateFormat {
    std::string pattern;
    std::vector<std::string> monthNames;
};

// The date of an archive file name (without ".txt") written in that format, the characters file
// names forbid having become "-"; nothing when the name is not written so.
std::optional<Day> ReadShortDate(std::string_view stem, const ShortDateFormat& format);

// Whether day, month or year comes first in names from a PC whose format is not known.
enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// "dmy", "mdy" or "ymd".
std::optional<DateOrder> ParseDateOrder(std::string_view text);

}  // namespace kerfolio
