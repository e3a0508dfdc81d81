#include <gtest/gtest.h>

#include "board/estimate.h"
#include "board/stamping.h"

namespace kerfolio {
namespace {

struct Job {
    const char* mount;
    const char* start;
    const char* amount;
    const char* jumpTotal;
    const char* openJump = "";
};

TJobBoard BoardWith(int machine, const Job& job) {
    TJobBoard board;
    board.SetCell(machine, ecMount, job.mount);
    board.SetCell(machine, ecStart, job.start);
    board.SetCell(machine, ecJumpStart, job.openJump);
    board.SetWork(machine, "", job.amount);
    board.SetJumpTotal(machine, job.jumpTotal);
    TargetMachine(board, machine);
    return board;
}

TEST(EstimateFinish, MessagesCountFromTheMountTimeWithTheJumpsClosedSoFar) {
    struct Case {
        Job job;
        const char* efficiency;
        const char* finish;
    } cases[] = {
        {{"9:05:00", "9:10:00", "1000", "0:00:00"}, "30", "9:38:20"},
        {{"22:30:00", "22:40:00", "6750", "0:10:00"}, "30", "2:25:00"},  // past midnight
        // Twice the efficiency halves the machining time of the same job.
        {{"9:05:00", "9:10:00", "1000", "0:00:00"}, "60", "9:21:40"},
        // An open jump is not counted, only the total of the closed ones.
        {{"8:00:00", "8:05:00", "600", "0:20:00", "8:30:00"}, "30", "8:40:00"},
        // Fractions of a second are dropped: 100 / 7 minutes is 14:17.14.
        {{"8:00:00", "8:01:00", "100", "0:00:00"}, "7", "8:14:17"},
        // Negative amounts or efficiencies wrap into the day like any other clock time.
        {{"0:10:00", "0:20:00", "-900", "0:00:00"}, "30", "23:40:00"},
        {{"1:00:00", "1:05:00", "600", "0:00:00"}, "-10", "0:00:00"},
        {{"12:00:00", "12:01:00", "$3C", "0:00:00"}, " 2", "12:30:00"},  // the integer grammar
    };
    for (const auto& c : cases) {
        const TJobBoard board = BoardWith(1, c.job);
        const auto outcome = EstimateFinish(board, c.efficiency);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->error, "");
        EXPECT_EQ(outcome->message, std::string("机床1 按机床属性的效率") + c.efficiency +
                                        "平方mm每分钟算，工件加工大概在" + c.finish + "完成");
    }
}

TEST(EstimateFinish, FirstFailureInTheOrderOfTheArithmeticEndsIt) {
    struct Case {
        Job job;
        const char* efficiency;
        const char* error;
    } cases[] = {
        // Every value broken: the mount cell is read first.
        {{"9:5x", "9:10:00", "lots", "zz"}, "2.5", "'9:5x' is not a valid time"},
        {{"9:00:00", "9:10:00", "12mm", "zz"}, "2.5", "'12mm' is not a valid integer value"},
        {{"9:00:00", "9:10:00", "", "zz"}, "30", "'' is not a valid integer value"},
        {{"9:00:00", "9:10:00", "100", "zz"}, "2.5", "'2.5' is not a valid integer value"},
        {{"9:00:00", "9:10:00", "100", "zz"}, "", "'' is not a valid integer value"},
        {{"9:00:00", "9:10:00", "100", "zz"}, "0", "Floating point division by zero"},
        {{"9:00:00", "9:10:00", "-5", "zz"}, "0", "Floating point division by zero"},
        {{"9:00:00", "9:10:00", "0", "zz"}, "0", "Invalid floating point operation"},
        {{"9:00:00", "9:10:00", "100", "zz"}, "30", "'zz' is not a valid time"},
    };
    for (const auto& c : cases) {
        const TJobBoard board = BoardWith(2, c.job);
        const auto outcome = EstimateFinish(board, c.efficiency);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->error, c.error);
        EXPECT_EQ(outcome->message, "");
    }
}

TEST(EstimateFinish, NeedsARunningJobAndATargetedMachine) {
    TJobBoard board = BoardWith(4, {"9:00:00", "", "1000", "0:00:00"});  // mounted, not started
    EXPECT_EQ(EstimateFinish(board, "30")->message, "机床4 没有工件加工中，无法估计");

    for (const int code : {0, 7, 50, 57}) {
        board.SetPendingEvent({.EventCode = code});
        EXPECT_FALSE(EstimateFinish(board, "30")) << code;
    }
}

}  // namespace
}  // namespace kerfolio
