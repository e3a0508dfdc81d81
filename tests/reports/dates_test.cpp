#include <gtest/gtest.h>
#include <sys/time.h>

#include <array>
#include <ctime>

#include "../storage/temp_folder.h"
#include "reports/archive_files.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"
#include "reports/short_date.h"

namespace kerfolio {
namespace {

using std::chrono::year_month_day;

std::string Iso(const std::optional<Day>& day) {
    return day ? FormatIsoDate(*day) : "none";
}

TEST(ArchiveDatesTest, FileNamesOfEveryShortDateForm) {
    const ShortDateFormat enUs{"M/d/yy", {}}, deDe{"dd.MM.yy", {}};
    struct Case {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::string> dates;
        NameDating dating = {};
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
        // A new installation's first twelve days: nothing to guess from, the locale says month first.
        {"this PC's format settles the order",
         {"12-8-26", "1-2-26"},
         {"2026-12-08", "2026-01-02"},
         {enUs, {}}},
        {"names in another form are still guessed",
         {"12-8-26", "13.02.2026", "05.02.2026"},
         {"2026-12-08", "2026-02-13", "2026-02-05"},
         {enUs, {}}},
        {"a name the format cannot give is not a date of it",
         {"12-13-26", "13.12.26"},
         {"2026-12-13", "2026-12-13"},
         {deDe, {}}},
        {"a stated order for a folder from another PC",
         {"12-8-26", "2024-3-5", "7 Dec 2026"},
         {"2026-08-12", "2024-03-05", "2026-12-07"},
         {enUs, DateOrder::DayMonthYear}},
        {"month first stated", {"3-5-24", "13-5-24"}, {"2024-03-05", "none"}, {{}, DateOrder::MonthDayYear}},
        {"year first stated",
         {"26-12-8", "8-12-26"},
         {"2026-12-08", "2008-12-26"},
         {{}, DateOrder::YearMonthDay}},
    };
    for (const auto& c : cases) {
        const auto dates = DatesOfNames(c.names, c.dating);
        ASSERT_EQ(dates.size(), c.names.size());
        for (std::size_t i = 0; i < dates.size(); ++i)
            EXPECT_EQ(Iso(dates[i]), c.dates[i]) << c.what << ": " << c.names[i];
    }
}

TEST(ArchiveDatesTest, ShortDateFormatsOfEachLocale) {
    // The formats and names as the desktop's locale gives them, and the file names kerfolio writes.
    const std::vector<std::string> englishAndGerman = {
        "Jan.",  "Feb.", "März", "Apr.",   "Mai",       "Juni",    "Juli",     "Aug.",
        "Sept.", "Okt.", "Nov.", "Dez.",   "Januar",    "Februar", "März",     "April",
        "Mai",   "Juni", "Juli", "August", "September", "Oktober", "November", "Dezember"};
    struct Case {
        const char* locale;
        ShortDateFormat format;
        const char* name;
        const char* date;
    } cases[] = {
        {"en_US", {"M/d/yy", {}}, "12-8-26", "2026-12-08"},
        {"en_US", {"M/d/yy", {}}, "1-2-26", "2026-01-02"},
        {"de_DE", {"dd.MM.yy", {}}, "08.12.26", "2026-12-08"},
        {"de_DE", {"dd.MM.yy", {}}, "8.12.26", "none"},
        {"zh_CN", {"yyyy/M/d", {}}, "2026-12-8", "2026-12-08"},
        {"C", {"d MMM yyyy", {}}, "8 Dec 2026", "2026-12-08"},
        {"C", {"d MMM yyyy", {}}, "8 dec 2026", "2026-12-08"},
        {"C", {"d MMM yyyy", {}}, "8 Dex 2026", "none"},
        {"en_GB", {"dd/MM/yyyy", {}}, "08-12-2026", "2026-12-08"},
        {"ja_JP", {"yyyy/MM/dd", {}}, "2026-12-08", "2026-12-08"},
        {"ko_KR", {"yy. M. d.", {}}, "26. 12. 8.", "2026-12-08"},
        {"a locale's own month names", {"d. MMM yyyy", englishAndGerman}, "8. Dez. 2026", "2026-12-08"},
        {"a long month name", {"d MMMM yyyy", englishAndGerman}, "8 März 2026", "2026-03-08"},
        {"quoted text and a weekday", {"ddd, 'den' d.M.yy", {}}, "Di, den 8.12.26", "2026-12-08"},
        {"en_US", {"M/d/yy", {}}, "2026-12-8", "none"},
        {"en_US", {"M/d/yy", {}}, "2-30-26", "none"},
        {"a pattern without a year", {"d/M", {}}, "8-12", "none"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Iso(ReadShortDate(c.name, c.format)), c.date) << c.locale << " " << c.name;
}

TEST(ArchiveDatesTest, FileWrittenOnAnotherDateThanItsNameIsListed) {
    // Times at noon local time, so no time zone moves them to another day.
    const auto noon = [](const char* iso) {
        const year_month_day date(*ParseIsoDate(iso));
        std::tm local{};
        local.tm_year = int(date.year()) - 1900;
        local.tm_mon = int(unsigned(date.month())) - 1;
        local.tm_mday = int(unsigned(date.day()));
        local.tm_hour = 12;
        local.tm_isdst = -1;
        return std::mktime(&local);
    };
    struct Case {
        const char* what;
        std::optional<ShortDateFormat> format;
        const char* name;
        const char* written;
        const char* date;
        bool listed;
    } cases[] = {
        {"read as the PC wrote it", ShortDateFormat{"M/d/yy", {}}, "12-8-26.txt", "2026-12-08", "2026-12-08",
         false},
        {"guessed the wrong way: written on the swapped date", std::nullopt, "12-8-26.txt", "2026-12-08",
         "2026-08-12", true},
        {"written days before its date", std::nullopt, "2024-3-5.txt", "2024-03-01", "2024-03-05", true},
        {"written the day after (an archive just past midnight)", std::nullopt, "2024-3-5.txt", "2024-03-06",
         "2024-03-05", false},
        {"a copy, written long after", std::nullopt, "2024-3-5.txt", "2026-12-08", "2024-03-05", false},
    };
    for (const auto& c : cases) {
        testing::TempFolder folder;
        testing::Put(folder / c.name, "");
        const std::time_t written = noon(c.written);
        const timeval times[2] = {{written, 0}, {written, 0}};
        ASSERT_EQ(::utimes((folder / c.name).c_str(), times), 0);
        const FolderListing listing = ListArchiveFiles(folder.Path(), {c.format, {}});
        ASSERT_EQ(listing.files.size(), 1u) << c.what;
        EXPECT_EQ(FormatIsoDate(listing.files[0].date), c.date) << c.what;
        EXPECT_EQ(listing.notices.size(), c.listed ? 1u : 0u) << c.what;
        EXPECT_TRUE(listing.problems.empty()) << c.what;
    }
}

TEST(ArchiveDatesTest, JobTimeSplitsAtMidnight) {
    const Day finishDay = *ParseIsoDate("2026-03-26");
    struct Case {
        const char* what;
        JobFigures job;
        std::vector<std::pair<const char*, std::array<int, 4>>> parts;  // machining, jump, break, net
    } cases[] = {
        {"within a day", {0, 8 * 3600, 600, 300, 10 * 3600, 0}, {{"2026-03-26", {7200, 600, 300, 6300}}}},
        // Started the 25th at 17:35, finished the 26th at 0:04: six hours and 25 minutes on the 25th.
        {"across midnight",
         {0, 63'300, 0, 0, 240, 0},
         {{"2026-03-25", {23'100, 0, 0, 23'100}}, {"2026-03-26", {240, 0, 0, 240}}}},
        // 600 s of jumps and 300 s of breaks shared 23 100 : 240.
        {"jumps and breaks in proportion",
         {0, 63'300, 600, 300, 240, 0},
         {{"2026-03-25", {23'100, 594, 297, 22'209}}, {"2026-03-26", {240, 6, 3, 231}}}},
        {"finished at midnight exactly", {0, 22 * 3600, 0, 0, 0, 0}, {{"2026-03-25", {7200, 0, 0, 7200}}}},
        {"jumps longer than the job's part",
         {0, 86'000, 500, 0, 100, 0},
         {{"2026-03-25", {400, 400, 0, 0}}, {"2026-03-26", {100, 100, 0, 0}}}},
    };
    for (const auto& c : cases) {
        DatedJob dated;
        dated.job = c.job;
        dated.finishDay = finishDay;
        dated.machining = MachiningSeconds(c.job.start, c.job.finish);
        std::vector<std::pair<std::string, std::array<int, 4>>> parts;
        for (const DayPart& part : SplitAtMidnight(dated))
            parts.push_back({FormatIsoDate(part.day), {part.machining, part.jump, part.wireBreak, part.net}});
        std::vector<std::pair<std::string, std::array<int, 4>>> expected;
        for (const auto& [day, figures] : c.parts)
            expected.push_back({day, figures});
        EXPECT_EQ(parts, expected) << c.what;
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
        {"2024-03-05", Grouping::Total, "0001-01-01", "9999-12-31", "全期"},
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
