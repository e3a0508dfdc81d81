#include "reports/calendar.h"

#include <cstdio>

#include "reports/messages.h"

namespace kerfolio {

using namespace std::chrono;

std::optional<Day> MakeDay(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok()) return std::nullopt;
    return Day(date);
}

std::optional<Day> ParseIsoDate(std::string_view text) {
    int year = 0, month = 0, day = 0;
    char tail = 0;
    const std::string copy(text);
    if (copy.size() != 10 || std::sscanf(copy.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3) {
        return std::nullopt;
    }
    return MakeDay(year, month, day);
}

std::string FormatIsoDate(Day day) {
    const year_month_day date(day);
    const int year = int(date.year());
    if (year >= 0 && year <= 9999) {
        // Digit by digit: a database of a decade writes a date for every job and every day of one.
        std::string text = "0000-00-00";
        const auto put = [&text](std::size_t at, int value, std::size_t digits) {
            for (std::size_t i = digits; i-- > 0; value /= 10)
                text[at + i] = char('0' + value % 10);
        };
        put(0, year, 4);
        put(5, int(unsigned(date.month())), 2);
        put(8, int(unsigned(date.day())), 2);
        return text;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()));
    return text;
}

Day PeriodStart(Day day, Grouping grouping) {
    switch (grouping) {
        case Grouping::Day:
            break;
        case Grouping::Week:
            return day - days(std::chrono::weekday(day).iso_encoding() - 1);  // Monday 1 .. Sunday 7
        case Grouping::Month: {
            const year_month_day date(day);
            return Day(date.year() / date.month() / 1);
        }
        case Grouping::Total:
            return Day(year(1) / January / 1);
    }
    return day;
}

Period PeriodOf(Day day, Grouping grouping, bool withYear) {
    char label[80];
    switch (grouping) {
        case Grouping::Day:
            break;
        case Grouping::Week: {
            const Day monday = PeriodStart(day, grouping);
            const Day sunday = monday + days(6);
            const year_month_day to(sunday);
            // The year of the first day only: the other follows from it.
            const std::string first = withYear ? FormatIsoDate(monday) : FormatIsoDate(monday).substr(5);
            std::snprintf(label, sizeof label, "%s – %02u-%02u", first.c_str(), unsigned(to.month()),
                          unsigned(to.day()));
            return {monday, sunday, label};
        }
        case Grouping::Month: {
            const year_month_day date(day);
            const year_month month = date.year() / date.month();
            std::snprintf(label, sizeof label, "%04d-%02u", int(date.year()), unsigned(date.month()));
            return {Day(month / 1), Day(month / last), label};
        }
        case Grouping::Total:
            return {PeriodStart(day, grouping), Day(year(9999) / December / 31), rmsg::kWholePeriod};
    }
    return {day, day, FormatIsoDate(day)};
}

}  // namespace kerfolio
