// The report sums job by job; what it says must not depend on the order the lines come in, and names
// that decode alike are one machine.
#include <gtest/gtest.h>

#include <algorithm>

#include "../storage/temp_folder.h"
#include "board/time_text.h"
#include "reports/report.h"
#include "storage/gbk.h"
#include "storage/report_line.h"

namespace kerfolio {
namespace {

std::string Time(int seconds) {
    return FormatTimeText(seconds / 86'400.0);
}

// A job of a minute's cutting finishing at finish (seconds of the day), cutting `efficiency` mm² a
// minute. Jobs a minute apart do not overlap.
std::string JobLine(const std::string& machine, int finish, int efficiency) {
    const int start = (finish + 86'400 - 60) % 86'400;
    return ToGbk(BuildReportLine(1, {machine, "件", Time(start), Time(start), Time(0), Time(0), Time(finish),
                                     std::to_string(efficiency)})) +
           "\r\n";
}

struct Timed {
    int finish;
    int efficiency;
};

TEST(ReportOrderTest, TheLatestTwentyWhateverTheOrderOfLines) {
    // 45 jobs ten minutes apart from 13:00, efficiencies 1..45: the latest twenty are 26..45.
    std::vector<Timed> ascending;
    for (int k = 1; k <= 45; ++k)
        ascending.push_back({13 * 3'600 + k * 600 - 600, k});
    std::vector<Timed> descending(ascending.rbegin(), ascending.rend());
    std::vector<Timed> interleaved;
    for (int start : {1, 0}) {
        for (std::size_t i = std::size_t(start); i < ascending.size(); i += 2)
            interleaved.push_back(ascending[i]);
    }
    // At the border a tie: of two jobs finishing the same second the later line counts.
    std::vector<Timed> tie;
    for (int k = 0; k < 19; ++k)
        tie.push_back({15 * 3'600 + k * 60, k < 10 ? 1 : 200});
    tie.push_back({14 * 3'600, 100});
    tie.push_back({14 * 3'600, 150});
    tie.push_back({13 * 3'600, 300});

    struct Case {
        const char* what;
        std::vector<Timed> jobs;
        double learned;
    } cases[] = {
        {"in the order they finished", ascending, 35.5},
        {"latest first", descending, 35.5},
        {"odd ones first", interleaved, 35.5},
        {"a tie at the border", tie, 75.5},
    };
    for (const auto& c : cases) {
        testing::TempFolder folder;
        std::string text;
        for (const Timed& job : c.jobs)
            text += JobLine("机床1", job.finish, job.efficiency);
        testing::Put(folder / "2024-3-2.txt", text);
        ReportRequest request;
        request.folders = {folder.Path()};
        request.records = ReadMachineRecords({});
        const Report report = BuildReport(request);
        ASSERT_EQ(report.advice.size(), 1u) << c.what;
        EXPECT_EQ(report.advice[0].jobs, kLearningJobs) << c.what;
        ASSERT_TRUE(report.advice[0].learned) << c.what;
        EXPECT_DOUBLE_EQ(*report.advice[0].learned, c.learned) << c.what;
    }
}

TEST(ReportOrderTest, NamesThatDecodeAlikeAreOneMachine) {
    // Each line a job of its own: at another time, so it neither repeats nor overlaps another.
    const std::string plain = JobLine("机床1", 10 * 3'600, 30);
    const std::string later = JobLine("机床1", 11 * 3'600, 30);
    const std::string latest = JobLine("机床1", 12 * 3'600, 30);
    const auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::vector<std::pair<std::string, int>> machines;  // name and jobs, in report order
    } cases[] = {
        {"plain and full-width colon lines of one machine",
         {plain, replace(later, ToGbk("机床:"), ToGbk("机床：")), latest},
         {{"机床1", 3}}},
        {"two invalid bytes both decode to U+FFFD",
         {replace(plain, ToGbk("机床1"), "A\x81"), replace(later, ToGbk("机床1"), "A\xFF")},
         {{"A\xEF\xBF\xBD", 2}}},
        {"names differing by a blank inside",
         {plain, replace(plain, ToGbk("机床1"), ToGbk("机床 1"))},
         {{"机床 1", 1}, {"机床1", 1}}},
        {"names in byte order, not in the order met",
         {JobLine("B", 3'600, 30), JobLine("A", 3'600, 30), JobLine("机床2", 3'600, 30),
          JobLine("A", 7'200, 30)},
         {{"A", 2}, {"B", 1}, {"机床2", 1}}},
    };
    for (const auto& c : cases) {
        testing::TempFolder folder;
        std::string text;
        for (const std::string& line : c.lines)
            text += line;
        testing::Put(folder / "2024-3-2.txt", text);
        ReportRequest request;
        request.folders = {folder.Path()};
        const Report report = BuildReport(request);
        std::vector<std::pair<std::string, int>> machines;
        for (const PeriodSums& sums : report.periods)
            machines.emplace_back(sums.machine, sums.jobs);
        EXPECT_EQ(machines, c.machines) << c.what;
        ASSERT_EQ(report.advice.size(), c.machines.size()) << c.what;
        for (std::size_t i = 0; i < c.machines.size(); ++i)
            EXPECT_EQ(report.advice[i].machine, c.machines[i].first) << c.what;
    }
}

}  // namespace
}  // namespace kerfolio
