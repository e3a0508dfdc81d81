#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/archive_record.h"
#include "storage/archive_schedule.h"

namespace kerfolio {
namespace {

constexpr std::int64_t kD = 46'000LL * 86'400;  // some day, midnight

constexpr std::int64_t At(int day, int h, int m, int s = 0) {
    return kD + day * 86'400LL + h * 3600 + m * 60 + s;
}
constexpr std::int64_t k2350 = 23 * 3600 + 50 * 60;

struct TickAt {
    std::int64_t now;
    std::int64_t timeOfDay = k2350;
    bool on = true;
};

// Each archive the schedule asks for, as "moment" or "moment retry", the moment as stored text.
std::string Describe(const ArchiveSchedule::Archive& archive) {
    return FormatArchiveMoment(archive.moment) + (archive.retry ? " retry" : "");
}

TEST(ArchiveSchedule, ArchivesEachMomentOnceAndMakesUpTheFirstMissed) {
    struct Row {
        const char* name;
        std::optional<std::int64_t> recorded;
        std::vector<TickAt> ticks;
        bool writes;
        std::vector<std::string> archives;
        std::optional<std::int64_t> record;  // what save.ini holds at the end
    } rows[] = {
        {"first run files nothing of the past", std::nullopt, {{At(3, 10, 0)}}, true, {}, At(2, 23, 50)},
        {"on time, a second tick in the same second",
         At(-1, 23, 50),
         {{At(0, 23, 49, 59)}, {At(0, 23, 50)}, {At(0, 23, 50)}},
         true,
         {"2025-12-09 23:50:00"},
         At(0, 23, 50)},
        {"three days off: once, under the first missed date",
         At(-1, 23, 50),
         {{At(3, 7, 45)}, {At(3, 7, 46)}},
         true,
         {"2025-12-09 23:50:00"},
         At(2, 23, 50)},
        {"time moved back past now: that moment was never missed",
         At(-1, 23, 50),
         {{At(0, 10, 0)}, {At(0, 10, 1), 8 * 3600}, {At(1, 8, 0), 8 * 3600}},
         true,
         {"2025-12-10 08:00:00"},
         At(1, 8, 0)},
        {"time moved to the coming second acts at it",
         At(-1, 23, 50),
         {{At(0, 10, 0)}, {At(0, 10, 1), 10 * 3600 + 60}},
         true,
         {"2025-12-09 10:01:00"},
         At(0, 10, 1)},
        {"switched on after days off owes nothing",
         At(-1, 23, 50),
         {{At(2, 10, 0), k2350, false}, {At(2, 10, 1)}},
         true,
         {},
         At(1, 23, 50)},
        {"clock back before the record: the next moment still archives",
         At(5, 23, 50),
         {{At(0, 10, 0)}, {At(0, 23, 50)}},
         true,
         {"2025-12-09 23:50:00"},
         At(0, 23, 50)},
        {"failing: a try a minute under its own date until the next moment",
         At(-1, 23, 50),
         {{At(0, 23, 50)}, {At(0, 23, 50, 59)}, {At(0, 23, 51)}, {At(0, 23, 52, 30)}, {At(1, 23, 50)}},
         false,
         {"2025-12-09 23:50:00", "2025-12-09 23:50:00 retry", "2025-12-09 23:50:00 retry",
          "2025-12-10 23:50:00"},
         At(-1, 23, 50)},  // never written: a start after a close makes it up
        {"failing, then the clock goes back: tried again at once",
         At(-1, 23, 50),
         {{At(0, 23, 50)}, {At(0, 23, 40)}},
         false,
         {"2025-12-09 23:50:00", "2025-12-09 23:50:00 retry"},
         At(-1, 23, 50)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ArchiveSchedule schedule(row.recorded);
        std::optional<std::int64_t> stored = row.recorded;
        std::vector<std::string> archives;
        for (const TickAt& tick : row.ticks) {
            const ArchiveSchedule::Step step = schedule.Tick(tick.now, tick.on, tick.timeOfDay);
            if (step.record) stored = step.record;
            if (!step.archive) continue;
            archives.push_back(Describe(*step.archive));
            EXPECT_FALSE(schedule.Tick(tick.now, tick.on, tick.timeOfDay).archive) << "one at a time";
            if (const auto done = schedule.Finished(row.writes, tick.now).record) stored = done;
        }
        EXPECT_EQ(archives, row.archives);
        EXPECT_EQ(stored, row.record);
    }
}

TEST(ArchiveRecord, ReadsBackWhatItWritesAndNothingElse) {
    for (const std::int64_t moment : {At(0, 0, 0), At(0, 23, 59, 59), At(-46'000, 0, 0), At(20'000, 7, 5, 9)})
        EXPECT_EQ(ParseArchiveMoment(FormatArchiveMoment(moment)), moment) << FormatArchiveMoment(moment);
    EXPECT_EQ(FormatArchiveMoment(At(0, 7, 5, 9)), "2025-12-09 07:05:09");
    for (const char* bad :
         {"", "2025-12-09", "2025-12-09 7:05:09", "2025-02-30 07:05:09", "2025-12-09 24:00:00",
          "2025-12-09T07:05:09", " 2025-12-09 07:05:09", "2025-1a-09 07:05:09"})
        EXPECT_EQ(ParseArchiveMoment(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace kerfolio
