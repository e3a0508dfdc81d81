#include "board/clock_tick.h"

#include <gtest/gtest.h>

#include <set>

namespace kerfolio {
namespace {

struct Drift {
    const char* name;
    double wallPerTimerMs;  // how fast the wall clock runs against the timer's clock
    int lateMs;             // how late every tick is dispatched
};

// Runs the clock for a day of timer time and returns the seconds it never showed.
int SkippedSeconds(const Drift& drift, bool fixedPeriod) {
    double wall = 0.3;  // start-up falls somewhere inside a day
    std::set<std::int64_t> shown;
    for (int tick = 0; tick < 86'400; ++tick) {
        const TDateTime now = wall / kMsPerDay + 46'000.0;
        shown.insert(SecondOf(now));
        const int wait = fixedPeriod ? 1000 : MillisecondsToNextTick(now);
        wall += (wait + drift.lateMs) * drift.wallPerTimerMs;
    }
    int skipped = 0;
    for (std::int64_t s = *shown.begin(); s <= *shown.rbegin(); ++s)
        skipped += shown.count(s) == 0;
    return skipped;
}

TEST(ClockTick, NoSecondIsSkippedWhateverTheDrift) {
    const Drift drifts[] = {
        {"exact", 1.0, 0},
        {"late dispatch", 1.0, 3},
        {"busy machine", 1.0, 400},
        {"wall clock fast", 1.001, 1},
        {"wall clock slow", 0.999, 1},
        {"slewing hard", 1.02, 30},
    };
    for (const Drift& drift : drifts)
        EXPECT_EQ(SkippedSeconds(drift, false), 0) << drift.name;
    // The same run with a plain 1000 ms period does skip, so the check above can see a skip.
    EXPECT_GT(SkippedSeconds({"plain", 1.0, 3}, true), 0);
}

TEST(ClockTick, SecondsFollowTheClockPanelsRounding) {
    const struct {
        double msOfDay;
        std::int64_t second;
        int wait;
    } cases[] = {
        {0, 0, 1000 + kTickMarginMs},
        {999.4, 0, 1 + kTickMarginMs},
        {999.6, 1, 1000 + kTickMarginMs},  // shown as the next second already
        {12'345, 12, 655 + kTickMarginMs},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondOf(c.msOfDay / kMsPerDay), c.second) << c.msOfDay;
        EXPECT_EQ(MillisecondsToNextTick(c.msOfDay / kMsPerDay), c.wait) << c.msOfDay;
    }
    EXPECT_EQ(SecondOf(-1001.0 / kMsPerDay), -2);  // before the epoch still counts down
}

}  // namespace
}  // namespace kerfolio
