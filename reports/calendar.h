#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

using Day = std::chrono::sys_days;

// "YYYY-MM-DD", as the command line takes dates and the report writes them.
std::optional<Day> ParseIsoDate(std::string_view text);
std::string FormatIsoDate(Day day);

// A real calendar date, or nothing (31 February, month 13).
std::optional<Day> MakeDay(int year, int month, int day);

enum class Grouping { Day, Week, Month };

// The calendar day, ISO week (Monday to Sunday) or month a day falls in.
struct Period {
    Day first;
    Day last;
    std::string label;  // "2024-03-05", "2024-W10", "2024-03"
};
Period PeriodOf(Day day, Grouping grouping);

// The first day of that period, without its label.
Day PeriodStart(Day day, Grouping grouping);

}  // namespace kerfolio
