#include "live/board_view.h"

#include <gtest/gtest.h>

#include "board/completion.h"
#include "live/iso_time.h"
#include "live/today_jobs.h"
#include "live_board_driver.h"
#include "storage/report_line.h"

namespace kerfolio::live {
namespace {

using testing::At;
using testing::Click;
using testing::kDay;

const std::array<std::string, kMachineCount> kEfficiencies = {"30", "30", "30", "30", "30", "30"};

TEST(LiveView, EachStateAsTheRulesLeaveIt) {
    TJobBoard board;
    // Machine 2 finished a job and has the next one mounted: the finished job's name is not this one's.
    Click(board, 2, ecMount, At("6:00:00"));
    Click(board, 2, ecStart, At("6:05:00"), "凹模2", "1500");
    ASSERT_TRUE(ClickCell(board, CellNumber(2, ecUnmount), At("7:37:36")).completion);
    CompleteJob(board);
    Click(board, 2, ecMount, At("8:00:00"));
    Click(board, 3, ecMount, At("8:00:00"));
    Click(board, 3, ecStart, At("8:05:00"), "凹模", "600");
    Click(board, 4, ecMount, At("8:00:00"));
    Click(board, 4, ecStart, At("8:05:00"));
    Click(board, 4, ecJumpStart, At("9:00:00"));
    Click(board, 5, ecMount, At("8:00:00"));
    Click(board, 5, ecStart, At("8:05:00"));
    Click(board, 5, ecBreakStart, At("9:10:00"));
    // A jump ended goes into the total and leaves the machine machining again.
    Click(board, 6, ecMount, At("8:00:00"));
    Click(board, 6, ecStart, At("8:05:00"));
    Click(board, 6, ecJumpStart, At("8:30:00"));
    Click(board, 6, ecJumpEnd, At("8:45:30"));

    const auto view = BuildView(board, kEfficiencies, nullptr, At("9:30:00"), 28800);
    const struct {
        MachineState state;
        const char* workpiece;
        const char* amount;
        std::size_t open;
        const char* jumpTotal;
        const char* overdueBy;  // past the estimate (mount + amount / 30 per minute + jumps)
    } expected[] = {
        {MachineState::Idle, "", "", 0, "0:00:00", nullptr},
        {MachineState::Mounted, "", "", 0, "0:00:00", nullptr},
        {MachineState::Machining, "凹模", "600", 0, "0:00:00", "1:10:00"},
        {MachineState::Jumping, "凸模", "1200", 1, "0:00:00", "0:50:00"},
        {MachineState::WireBroken, "凸模", "1200", 1, "0:00:00", "0:50:00"},
        {MachineState::Machining, "凸模", "1200", 0, "0:15:30", "0:34:30"},
    };
    for (int m = 0; m < kMachineCount; ++m) {
        const MachineView& machine = view->machines[m];
        EXPECT_EQ(machine.number, m + 1);
        EXPECT_EQ(machine.state, expected[m].state) << m + 1;
        EXPECT_EQ(machine.workpiece, expected[m].workpiece) << m + 1;
        EXPECT_EQ(machine.amount, expected[m].amount) << m + 1;
        EXPECT_EQ(machine.open.size(), expected[m].open) << m + 1;
        EXPECT_EQ(machine.jumpTotal, expected[m].jumpTotal) << m + 1;
        EXPECT_EQ(machine.overdueBy ? FormatSpan(*machine.overdueBy) : "-",
                  expected[m].overdueBy ? expected[m].overdueBy : "-")
            << m + 1;
    }
    // Before its estimate a running job is not overdue.
    EXPECT_FALSE(BuildView(board, kEfficiencies, nullptr, At("8:19:59"), 28800)->machines[2].overdueBy);
    EXPECT_FALSE(view->machines[0].mountedAt);
    EXPECT_EQ(FormatIsoTime(*view->machines[2].mountedAt, 28800), "2026-12-08T08:00:00+08:00");
    EXPECT_EQ(FormatIsoTime(*view->machines[2].startedAt, 28800), "2026-12-08T08:05:00+08:00");
    EXPECT_EQ(view->machines[4].open[0].kind, OpenInterruption::WireBreak);
    EXPECT_EQ(view->machines[4].open[0].startText, "9:10:00");
}

TEST(LiveView, BothInterruptionsOpenShowTheWireBreakFirstAsState) {
    TJobBoard board;
    Click(board, 1, ecMount, At("8:00:00"));
    Click(board, 1, ecStart, At("8:01:00"));
    Click(board, 1, ecJumpStart, At("8:10:00"));
    Click(board, 1, ecBreakStart, At("8:20:00"));
    const auto view = BuildView(board, kEfficiencies, nullptr, At("8:30:00"), 0);
    EXPECT_EQ(view->machines[0].state, MachineState::WireBroken);
    ASSERT_EQ(view->machines[0].open.size(), 2u);
    EXPECT_EQ(view->machines[0].open[0].kind, OpenInterruption::Jump);
}

TEST(LiveView, AJumpOpenAcrossMidnightBeganTheDayBefore) {
    TJobBoard board;
    Click(board, 1, ecMount, At("22:00:00"));
    Click(board, 1, ecStart, At("22:10:00"));
    Click(board, 1, ecJumpStart, At("23:50:00"));
    const TDateTime now = At("0:10:05", kDay + 1);
    const auto view = BuildView(board, kEfficiencies, nullptr, now, 28800);
    const MachineView& machine = view->machines[0];
    EXPECT_EQ(machine.state, MachineState::Jumping);
    ASSERT_TRUE(machine.open[0].since);
    EXPECT_EQ(FormatIsoTime(*machine.open[0].since, 28800), "2026-12-08T23:50:00+08:00");
    EXPECT_EQ(FormatSpan(now - *machine.open[0].since), "0:20:05");
    EXPECT_EQ(FormatIsoTime(*machine.mountedAt, 28800), "2026-12-08T22:00:00+08:00");
    EXPECT_EQ(FormatIsoTime(now, 28800), "2026-12-09T00:10:05+08:00");
}

TEST(LiveView, TimesArePlacedAtOrBeforeNow) {
    const struct {
        const char* cell;
        const char* now;
        const char* placed;  // nothing: not a time
    } cases[] = {
        {"9:00:00", "9:00:00", "2026-12-08T09:00:00-05:30"},  // stamped this very second
        {"9:00:01", "9:00:00", "2026-12-07T09:00:01-05:30"},  // a second later in the day: yesterday
        {"0:00:00", "23:59:59", "2026-12-08T00:00:00-05:30"},
        {"23:59:59", "0:00:00", "2026-12-07T23:59:59-05:30"},
        {"9:5x", "9:00:00", nullptr},
        {"", "9:00:00", nullptr},
    };
    for (const auto& c : cases) {
        const auto placed = PlaceTimeOfDay(c.cell, At(c.now));
        if (!c.placed) {
            EXPECT_FALSE(placed) << c.cell;
            continue;
        }
        ASSERT_TRUE(placed) << c.cell;
        EXPECT_EQ(FormatIsoTime(*placed, -19800), c.placed) << c.cell;
    }
}

TEST(LiveView, EstimateAsTheMenuGivesItOrItsErrorBoxText) {
    const struct {
        const char* amount;
        const char* efficiency;
        const char* estimate;
        bool error;
    } cases[] = {
        {"1000", "30", "机床1 按机床属性的效率30平方mm每分钟算，工件加工大概在9:38:20完成", false},
        {"1000", "0", "Floating point division by zero.", true},
        {"0", "0", "Invalid floating point operation.", true},
        {"1000", "2.5", "'2.5' is not a valid integer value.", true},
        {"lots", "30", "'lots' is not a valid integer value.", true},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        Click(board, 1, ecMount, At("9:05:00"));
        Click(board, 1, ecStart, At("9:10:00"), "凸模", "1");
        board.SetWork(1, "", c.amount);  // what a hand-edited snapshot can hold
        std::array<std::string, kMachineCount> efficiencies = kEfficiencies;
        efficiencies[0] = c.efficiency;
        TargetMachine(board, 3);  // the menu was last opened on machine 3
        const auto view = BuildView(board, efficiencies, nullptr, At("9:20:00"), 0);
        EXPECT_EQ(view->machines[0].estimate, c.estimate) << c.amount << " " << c.efficiency;
        EXPECT_EQ(view->machines[0].estimateIsError, c.error);
        EXPECT_EQ(board.EventCode(), 53);
    }
    // A machine without a running job gets the menu's refusal.
    const auto idle = BuildView(TJobBoard(), kEfficiencies, nullptr, At("9:20:00"), 0);
    EXPECT_EQ(idle->machines[5].estimate, "机床6 没有工件加工中，无法估计");
    EXPECT_FALSE(idle->machines[5].estimateIsError);
}

TEST(LiveView, AnUnreadableMountCellShowsItsTextAndTheEstimatesError) {
    TJobBoard board;
    Click(board, 2, ecMount, At("9:00:00"));
    Click(board, 2, ecStart, At("9:10:00"));
    board.SetCell(2, ecMount, "9:5x");
    const auto view = BuildView(board, kEfficiencies, nullptr, At("9:20:00"), 0);
    EXPECT_EQ(view->machines[1].mountText, "9:5x");
    EXPECT_FALSE(view->machines[1].mountedAt);
    EXPECT_EQ(view->machines[1].estimate, "'9:5x' is not a valid time.");
}

TEST(LiveView, ARenamedMachineIsShownAndEstimatedByItsNewName) {
    TJobBoard board;
    Click(board, 3, ecMount, At("9:05:00"));
    Click(board, 3, ecStart, At("9:10:00"), "凸模", "1000");
    board.SetCaption(3, "快走丝 <3号>");
    const auto view = BuildView(board, kEfficiencies, nullptr, At("9:20:00"), 0);
    EXPECT_EQ(view->machines[2].name, "快走丝 <3号>");
    EXPECT_EQ(view->machines[2].estimate.rfind("快走丝 <3号> 按机床属性的效率30", 0), 0u);
}

TEST(TodayJobs, LinesReplacedFromAnyPointKeepTheSums) {
    const std::string first =
        BuildReportLine(1, {"机床1", "凸模", "8:00:00", "8:05:00", "0:00:00", "0:00:00", "9:00:00", "1200"});
    const std::string second =
        BuildReportLine(2, {"机床2", "凹模", "8:00:00", "8:05:00", "0:00:00", "0:00:00", "10:00:00", "300"});
    TodayJobsReader reader;
    reader.Replace(0, {first, "", "a hand-written note"});
    EXPECT_EQ(reader.Jobs().jobs.size(), 1u);
    EXPECT_EQ(reader.Jobs().amount, 1200);
    EXPECT_EQ(reader.Jobs().unreadLines, 1);
    // The last line rewritten as a job line, as an append into the last block does.
    reader.Replace(2, {second});
    EXPECT_EQ(reader.Jobs().jobs.size(), 2u);
    EXPECT_EQ(reader.Jobs().amount, 1500);
    EXPECT_EQ(reader.Jobs().unreadLines, 0);
    EXPECT_EQ(reader.Jobs().jobs[1].workpiece, "凹模");
    // The daily archive empties the NotePad.
    reader.Replace(0, {""});
    EXPECT_EQ(reader.Jobs().jobs.size(), 0u);
    EXPECT_EQ(reader.Jobs().amount, 0);
}

}  // namespace
}  // namespace kerfolio::live
