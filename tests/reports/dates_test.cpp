#include <gtest/gtest.h>

#include "reports/archive_files.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {
namespace {

std::string Iso(const std::optional<Day>& day) {
    return day ? FormatIsoDate(*day) : "none";
}

TEST(ArchiveDatesTest, FileNamesOfEveryShortDateForm) {
    struct Case {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::string> dates;
    } cases[] = {
        {"year first",
         {"2024-3-5", "2024-03-05", "2024. 3. 5.", "2024.03.05", "35-03-05"},
         {"2024-03-05", "2024-03-05", "2024-03-05", "2024-03-05", "2035-03-05"}},
        {"day first shown by a day over 12",
         {"05-03-2024", "13-03-2024", "5.3.24"},
         {"2024-03-05", "2024-03-13", "2024-03-05"}},
        {"month first shown by a day over 12",
         {"3-5-24", "3-13-24", "12-31-2023"},
         {"2024-03-05", "2024-03-13", "2023-12-31"}},
        {"month names, as the C locale writes a short date",
         {"7 Dec 2026", "Dec 7, 2026", "07 september 24", "7 Dex 2026", "7 2026 Dec", "Dec Jan 7"},
         {"2026-12-07", "2026-12-07", "2024-09-07", "none", "none", "none"}},
        {"no evidence: day first", {"3-5-2024", "1.2.2024"}, {"2024-05-03", "2024-02-01"}},
        {"not dates",
         {"notes", "2024-2-30", "2024-13-01", "1-2", "1-2-3-4", "2024-3-5 (2)", "32-13-2024", "", "a-b-c"},
         {"none", "none", "none", "none", "none", "none", "none", "none", "none"}},
        {"the not-dates do not sway the rest",
         {"13-1-2024", "3-4-2024", "junk"},
         {"2024-01-13", "2024-04-03", "none"}},
    };
    for (const auto& c : cases) {
        const auto dates = DatesOfNames(c.names);
        ASSERT_EQ(dates.size(), c.names.size());
        for (std::size_t i = 0; i < dates.size(); ++i)
            EXPECT_EQ(Iso(dates[i]), c.dates[i]) << c.what << ": " << c.names[i];
    }
}

TEST(ArchiveDatesTest, FinishDayFollowsTheArchiveTime) {
    const Day fileDate = *ParseIsoDate("2024-03-01");
    struct Case {
        int archive, start, finish;
        const char* day;
        int machining;
    } cases[] = {
        // Archive at midnight: the file holds the day before.
        {0, 3600, 7200, "2024-02-29", 3600},
        {0, 0, 0, "2024-03-01", 0},
        {0, 86'000, 399, "2024-02-29", 799},  // across midnight, finished just after it
        // Archive at noon: the morning belongs to the file's date, the afternoon to the day before.
        {43'200, 36'000, 43'200, "2024-03-01", 7200},
        {43'200, 36'000, 43'201, "2024-02-29", 7201},
        {43'200, 80'000, 3'600, "2024-03-01", 10'000},  // started the evening before, finished at 1:00
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatIsoDate(FinishDay(fileDate, c.archive, c.finish)), c.day)
            << c.archive << " " << c.finish;
        EXPECT_EQ(MachiningSeconds(c.start, c.finish), c.machining);
    }
}

TEST(ArchiveDatesTest, PeriodsAreCalendarDaysIsoWeeksAndMonths) {
    struct Case {
        const char* day;
        Grouping grouping;
        const char *first, *last, *label;
    } cases[] = {
        {"2024-03-05", Grouping::Day, "2024-03-05", "2024-03-05", "2024-03-05"},
        {"2024-03-05", Grouping::Week, "2024-03-04", "2024-03-10", "03-04 – 03-10"},
        {"2024-03-10", Grouping::Week, "2024-03-04", "2024-03-10", "03-04 – 03-10"},
        {"2021-01-03", Grouping::Week, "2020-12-28", "2021-01-03", "12-28 – 01-03"},
        {"2024-12-30", Grouping::Week, "2024-12-30", "2025-01-05", "12-30 – 01-05"},
        {"2024-02-10", Grouping::Month, "2024-02-01", "2024-02-29", "2024-02"},
        {"2023-12-31", Grouping::Month, "2023-12-01", "2023-12-31", "2023-12"},
    };
    for (const auto& c : cases) {
        const Period period = PeriodOf(*ParseIsoDate(c.day), c.grouping);
        EXPECT_EQ(FormatIsoDate(period.first), c.first) << c.day;
        EXPECT_EQ(FormatIsoDate(period.last), c.last) << c.day;
        EXPECT_EQ(period.label, c.label) << c.day;
    }
    // A report over more than one year tells its weeks apart by the year.
    EXPECT_EQ(PeriodOf(*ParseIsoDate("2024-12-31"), Grouping::Week, true).label, "2024-12-30 – 01-05");
    for (const char* bad : {"2024-02-30", "2024-3-05", "24-03-05", "2024-03-05x", ""})
        EXPECT_FALSE(ParseIsoDate(bad)) << bad;
}

}  // namespace
}  // namespace kerfolio
