#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "journal/job_times.h"
#include "journal/journal_schema.h"
#include "tests/journal/journal_test_support.h"

namespace kerfolio::journal {
namespace {

using testing::kHour;
using testing::kMinute;
using testing::Local;

struct JobCase {
    const char* name;
    std::vector<MachineEvent> events;
    Stamp unmount;
    CompletionFields stamped;
    CompletionFields confirmed;  // empty machine field: as stamped
    std::optional<std::int64_t> mountToFinish;
    std::int64_t startToFinish;
    std::int64_t jumpMs;
    std::int64_t breakMs;
};

CompletionFields Fields(const char* mount, const char* start, const char* jump, const char* brk,
                        const char* finish) {
    return {"机床1", "凹模", mount, start, jump, brk, finish, "1800"};
}

TEST(JobTimes, InstantsComeFromTheStampsAndCorrectionsLandNearThem) {
    const Stamp mount25 = Local(2026, 3, 2, 8, 0, 8), start25 = Local(2026, 3, 2, 8, 10, 8);
    const Stamp autumnStart = Local(2026, 10, 24, 22, 5, 2), autumnEnd = Local(2026, 10, 25, 5, 40, 1);
    const Stamp springStart = Local(2026, 3, 29, 1, 0, 1), springEnd = Local(2026, 3, 29, 5, 0, 2);
    // 2:20 in the first 2 o'clock hour, 2:15 in the repeated one.
    const Stamp foldStart = Local(2026, 10, 25, 2, 20, 2), foldEnd = Local(2026, 10, 25, 2, 15, 1);
    const Stamp day = Local(2026, 5, 4, 10, 0, 8);
    const auto at = [&](std::int64_t minutes) { return Stamp{day.utcMs + minutes * kMinute, day.offsetS}; };
    const JobCase cases[] = {
        {"a 25-hour job",
         {{kind::kMounted, mount25}, {kind::kStarted, start25}},
         Local(2026, 3, 3, 9, 10, 8),
         Fields("8:00:00", "8:10:00", "0:00:00", "0:00:00", "9:10:00"),
         {},
         25 * kHour + 10 * kMinute,
         25 * kHour,
         0,
         0},
        {"across the autumn change",
         {{kind::kMounted, autumnStart}, {kind::kStarted, autumnStart}},
         autumnEnd,
         Fields("22:05:00", "22:05:00", "0:00:00", "0:00:00", "5:40:00"),
         {},
         8 * kHour + 35 * kMinute,
         8 * kHour + 35 * kMinute,
         0,
         0},
        {"across the spring change",
         {{kind::kMounted, springStart}, {kind::kStarted, springStart}},
         springEnd,
         Fields("1:00:00", "1:00:00", "0:00:00", "0:00:00", "5:00:00"),
         {},
         3 * kHour,
         3 * kHour,
         0,
         0},
        {"inside the repeated hour",
         {{kind::kMounted, foldStart}, {kind::kStarted, foldStart}},
         foldEnd,
         Fields("2:20:00", "2:20:00", "0:00:00", "0:00:00", "2:15:00"),
         {},
         55 * kMinute,
         55 * kMinute,
         0,
         0},
        {"intervals summed exactly",
         {{kind::kMounted, at(0)},
          {kind::kStarted, at(10)},
          {kind::kJumpStart, at(20)},
          {kind::kJumpEnd, at(50)},
          {kind::kBreakStart, at(60)},
          {kind::kBreakEnd, at(65)},
          {kind::kJumpStart, at(70)},
          {kind::kJumpEnd, at(71)}},
         at(100),
         Fields("10:00:00", "10:10:00", "0:31:00", "0:05:00", "11:40:00"),
         {},
         100 * kMinute,
         90 * kMinute,
         31 * kMinute,
         5 * kMinute},
        {"finish and jump corrected",
         {{kind::kMounted, at(0)},
          {kind::kStarted, at(10)},
          {kind::kJumpStart, at(20)},
          {kind::kJumpEnd, at(50)}},
         at(100),
         Fields("10:00:00", "10:10:00", "0:30:00", "0:00:00", "11:40:00"),
         Fields("10:00:00", "10:10:00", "0:20:00", "0:00:00", "11:35:00"),
         95 * kMinute,
         85 * kMinute,
         20 * kMinute,
         0},
        {"start corrected to before midnight",
         {{kind::kMounted, Local(2026, 5, 4, 23, 40, 8)}, {kind::kStarted, Local(2026, 5, 5, 0, 10, 8)}},
         Local(2026, 5, 5, 2, 0, 8),
         Fields("23:40:00", "0:10:00", "0:00:00", "0:00:00", "2:00:00"),
         Fields("23:40:00", "23:50:00", "0:00:00", "0:00:00", "2:00:00"),
         140 * kMinute,
         130 * kMinute,
         0,
         0},
        {"mount and start the journal never saw",
         {},
         Local(2026, 5, 5, 2, 0, 8),
         Fields("21:00:00", "22:00:00", "0:15:00", "0:00:00", "2:00:00"),
         {},
         5 * kHour,
         4 * kHour,
         15 * kMinute,
         0},
    };
    for (const JobCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CompletionFields confirmed = c.confirmed[0].empty() ? c.stamped : c.confirmed;
        const JobTimes times = ComputeJobTimes(c.events, c.unmount, {1, "line", c.stamped, confirmed});
        ASSERT_TRUE(times.mountUtcMs.has_value());
        EXPECT_EQ(times.finishUtcMs - *times.mountUtcMs, *c.mountToFinish);
        EXPECT_EQ(times.finishUtcMs - times.startUtcMs, c.startToFinish);
        EXPECT_EQ(times.jumpMs, c.jumpMs);
        EXPECT_EQ(times.breakMs, c.breakMs);
        EXPECT_EQ(times.stampedDiffers, !c.confirmed[0].empty());
        EXPECT_EQ(times.utcOffsetS, c.unmount.offsetS);
    }
}

TEST(JobTimes, StampsOfTheBerlinZoneGiveTheRealDurations) {
    // The offsets above are what the zone's own rules give at those instants.
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    const auto offsetAt = [](Stamp stamp) {
        const std::time_t seconds = static_cast<std::time_t>(stamp.utcMs / 1000);
        std::tm parts{};
        localtime_r(&seconds, &parts);
        return parts.tm_gmtoff;
    };
    for (const Stamp stamp :
         {Local(2026, 10, 24, 22, 5, 2), Local(2026, 10, 25, 2, 20, 2), Local(2026, 10, 25, 2, 15, 1),
          Local(2026, 10, 25, 5, 40, 1), Local(2026, 3, 29, 1, 0, 1), Local(2026, 3, 29, 5, 0, 2)}) {
        EXPECT_EQ(offsetAt(stamp), stamp.offsetS);
    }
    if (old) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

TEST(JobTimes, PlacementPicksTheNearestDay) {
    const Stamp reference = Local(2026, 5, 5, 0, 10, 8);
    EXPECT_EQ(NearestInstant(23 * kHour + 50 * kMinute, reference), reference.utcMs - 20 * kMinute);
    EXPECT_EQ(NearestInstant(1 * kHour, reference), reference.utcMs + 50 * kMinute);
    EXPECT_EQ(LatestInstantBefore(10 * kMinute, reference), reference.utcMs);
    EXPECT_EQ(LatestInstantBefore(11 * kMinute, reference), reference.utcMs + kMinute - 24 * kHour);
}

}  // namespace
}  // namespace kerfolio::journal
