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

// Always spelled Grouping::Day, so the enumerator hides nothing; GCC still calls it a shadow of Day.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
enum class Grouping { Day, Week, Month, Total };
#pragma GCC diagnostic pop

// The calendar day, week (Monday to Sunday) or month a day falls in; Total: one period over every day
// (a report's rows of it count only the report's own days).
struct Period {
    Day first;
    Day last;
    std::string label;  // "2024-03-05", "03-04 – 03-10", "2024-03"
};
// A week is labelled by its dates, as people read them; withYear puts the year in front, for a report
// running over more than one year.
Period PeriodOf(Day day, Grouping grouping, bool withYear = false);

// The first day of that period, without its label.
Day PeriodStart(Day day, Grouping grouping);

}  // namespace kerfolio
