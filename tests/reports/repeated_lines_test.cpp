// The repeat check against a plain model of it, over months of lines: enough that lines are forgotten
// while others of nearby hashes stay, and that the table grows while it holds some.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "reports/repeated_lines.h"

namespace kerfolio {
namespace {

TEST(RepeatedLinesTest, FindsWhatAPlainModelFinds) {
    std::mt19937 random(7);
    // A small pool of jobs, so lines repeat within a month and after it; names short and long, two of
    // them of the same figures.
    const std::string names[] = {"A", "B", std::string(40, 'x'), std::string(40, 'y'), "\xbb\xfa"};
    struct Line {
        int name;
        std::string workpiece;
        JobFigures job;
    };
    std::vector<Line> pool;
    for (int i = 0; i < 3000; ++i)
        pool.push_back({i % 6, names[i % 5], {i, i * 7, i % 3, 0, i * 7 + 60, i % 11}});

    using Key = std::tuple<int, std::string, int, int, int, int, int, int>;
    struct Seen {
        LinePlace first;
        Day last;
    };
    std::map<Key, Seen> model;
    RepeatedLines repeats;
    const Day start = Day(std::chrono::year(2024) / 1 / 1);
    int found = 0;
    for (int day = 0; day < 150; ++day) {
        const Day date = start + std::chrono::days(day);
        const Day horizon = date - std::chrono::days(RepeatedLines::kRememberDays);
        std::erase_if(model, [&](const auto& entry) { return entry.second.last < horizon; });
        const int lines = day % 40 < 20 ? 400 : 20;  // busy weeks fill the table, quiet ones empty it
        for (int n = 0; n < lines; ++n) {
            const Line& line = pool[std::size_t(random() % pool.size())];
            const LinePlace place{std::size_t(day), std::size_t(n)};
            const Key key{line.name,     line.workpiece,     line.job.mount,  line.job.start,
                          line.job.jump, line.job.wireBreak, line.job.finish, line.job.amount};
            std::optional<LinePlace> expected;
            const auto [entry, added] = model.try_emplace(key, Seen{place, date});
            if (!added) {
                expected = entry->second.first;
                entry->second.last = date;
            }
            const auto got = repeats.Repeats(line.name, line.workpiece, line.job, date, place);
            ASSERT_EQ(got.has_value(), expected.has_value()) << "day " << day << " line " << n;
            if (got) {
                ASSERT_EQ(got->file, expected->file) << "day " << day << " line " << n;
                ASSERT_EQ(got->line, expected->line) << "day " << day << " line " << n;
                ++found;
            }
        }
    }
    EXPECT_GT(found, 1000);  // the stream did repeat lines
    repeats.Clear();
    EXPECT_FALSE(repeats.Repeats(pool[0].name, pool[0].workpiece, pool[0].job, start, {}));
}

}  // namespace
}  // namespace kerfolio
