#include <gtest/gtest.h>

#include "board/conversion_error.h"
#include "board/time_text.h"

namespace kerfolio {
namespace {

TDateTime At(int h, int m, int s, int ms = 0) {
    return (h * 3'600'000.0 + m * 60'000.0 + s * 1000.0 + ms) / kMsPerDay;
}

TEST(FormatTimeText, FormsOfTheTimeOfDay) {
    struct Case {
        TDateTime value;
        const char* text;
    } cases[] = {
        {At(9, 5, 7), "9:05:07"},
        {0.0, "0:00:00"},
        {At(23, 59, 59), "23:59:59"},
        {45'000.0 + At(13, 0, 1), "13:00:01"},              // the date part is dropped
        {At(10, 0, 0, 999), "10:00:00"},                    // milliseconds are cut, not rounded
        {At(10, 0, 0, 999) + 0.6 / kMsPerDay, "10:00:01"},  // but the nearest millisecond comes first
        {1.0, "0:00:00"},
        {At(23, 59, 59, 999) + 0.7 / kMsPerDay, "0:00:00"},  // rounds up into the next day
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTimeText(c.value), c.text) << c.value;
}

// The day a stamp belongs to and its milliseconds into it: the archive's date and the live board's
// times hang on this near midnight and before the epoch.
TEST(SplitDateTime, DayIsFlooredAfterRoundingToTheMillisecond) {
    const struct {
        TDateTime value;
        std::int64_t day, ms;
    } cases[] = {
        {0.0, 0, 0},
        {1.5, 1, 43'200'000},
        {-0.25, -1, 64'800'000},
        {46'000.0 + 0.4999999 / kMsPerDay, 46'000, 0},     // rounds down within the day
        {46'001.0 - 0.4 / kMsPerDay, 46'001, 0},           // rounds up into the next day
        {46'001.0 - 1.0 / kMsPerDay, 46'000, 86'399'999},  // the day's last millisecond
        {-1.0 / kMsPerDay, -1, 86'399'999},
    };
    for (const auto& c : cases) {
        const DayAndMs split = SplitDateTime(c.value);
        EXPECT_EQ(split.day, c.day) << c.value;
        EXPECT_EQ(split.ms, c.ms) << c.value;
    }
}

TEST(ParseTimeText, AcceptsOneOrTwoDigitFields) {
    EXPECT_DOUBLE_EQ(ParseTimeText("9:05:07"), At(9, 5, 7));
    EXPECT_DOUBLE_EQ(ParseTimeText("0:0:1"), At(0, 0, 1));
    EXPECT_DOUBLE_EQ(ParseTimeText("23:59:59"), At(23, 59, 59));
    EXPECT_DOUBLE_EQ(ParseTimeText(" 7:30 "), At(7, 30, 0));
    EXPECT_EQ(FormatTimeText(ParseTimeText("08:05:09")), "8:05:09");
}

TEST(ParseTimeText, RefusesWithTheMessageNamingTheText) {
    for (const char* bad : {"", "abc", "24:00:00", "10:60:00", "10:00:60", "10", "10:", "1:2:3:4",
                            "123:00:00", "10:00:00x", "-1:00:00", "10::00", "10:00:"}) {
        try {
            ParseTimeText(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid time");
        }
    }
}

TEST(AddInterval, SumsIntervalsAcrossMidnightAndWraps) {
    struct Case {
        const char *total, *start, *end, *result;
    } cases[] = {
        {"0:00:00", "10:00:00", "10:25:30", "0:25:30"},
        {"1:00:00", "8:00:00", "8:00:00", "1:00:00"},   // equal times add nothing
        {"0:00:00", "23:50:00", "0:10:00", "0:20:00"},  // across midnight
        {"0:00:00", "23:58:00", "0:03:00", "0:05:00"},
        {"0:00:00", "10:00:00", "9:59:59", "23:59:59"},  // one second back is almost a day
        {"23:30:00", "1:00:00", "2:00:00", "0:30:00"},   // a total past 24 h wraps
        {"0:10:00", "10:00:00", "10:10:00", "0:20:00"},  // repeated jumps accumulate
        {"0:00:00", "0:00:00", "23:59:59", "23:59:59"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddInterval(c.total, c.start, c.end), c.result)
            << c.total << " + " << c.start << ".." << c.end;
    }
}

TEST(AddInterval, ManySmallIntervalsStayExactToTheSecond) {
    std::string total = "0:00:00";
    for (int i = 0; i < 1000; ++i)
        total = AddInterval(total, "12:00:00", "12:00:07");
    EXPECT_EQ(total, "1:56:40");
}

TEST(AddInterval, RefusesTextsThatAreNotTimes) {
    EXPECT_THROW(AddInterval("x", "1:00:00", "2:00:00"), ConversionError);
    EXPECT_THROW(AddInterval("0:00:00", "", "2:00:00"), ConversionError);
    EXPECT_THROW(AddInterval("0:00:00", "1:00:00", "25:00"), ConversionError);
}

}  // namespace
}  // namespace kerfolio
