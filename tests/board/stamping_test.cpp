#include <gtest/gtest.h>

#include <map>

#include "board/messages.h"
#include "board/stamping.h"

namespace kerfolio {
namespace {

TDateTime At(int h, int m, int s) {
    return 46'000.0 + (h * 3600 + m * 60 + s) / 86'400.0;
}

// A row is described by which of its cells hold a time: e.g. "12.." = mount and start filled.
void Fill(TJobBoard& board, int machine, std::initializer_list<TEventColumn> columns) {
    for (const auto column : columns)
        board.SetCell(machine, column, "8:00:00");
}

std::array<std::string, 7> CellsOf(const TJobBoard& board, int machine) {
    std::array<std::string, 7> cells;
    for (int k = 1; k <= 7; ++k)
        cells[k - 1] = board.Cell(machine, TEventColumn(k));
    return cells;
}

TEST(ClickCell, GuardsRefuseInOrderAndChangeNothing) {
    struct Case {
        std::initializer_list<TEventColumn> filled;
        TEventColumn clicked;
        const char* refusal;
    } cases[] = {
        {{ecMount}, ecMount, msg::kAlreadyMounted},
        {{}, ecStart, msg::kNotMounted},
        {{ecStart}, ecStart, msg::kNotMounted},  // mount is tested first
        {{ecMount, ecStart}, ecStart, msg::kAlreadyMachining},
        {{ecMount}, ecJumpStart, msg::kNotMachining},
        {{ecMount, ecStart, ecJumpStart}, ecJumpStart, msg::kJumpOpen},
        {{ecMount, ecStart}, ecJumpEnd, msg::kNoJump},
        {{ecMount}, ecBreakStart, msg::kNotMachining},
        {{ecMount, ecStart, ecBreakStart}, ecBreakStart, msg::kBreakOpen},
        {{ecMount, ecStart}, ecBreakEnd, msg::kNoBreak},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        board.SetPendingEvent({.EventCode = 99});
        Fill(board, 4, c.filled);
        const auto before = CellsOf(board, 4);
        const auto outcome = ClickCell(board, CellNumber(4, c.clicked), At(10, 0, 0));
        ASSERT_EQ(outcome.messages.size(), 1u) << c.clicked;
        EXPECT_EQ(outcome.messages[0], c.refusal);
        EXPECT_FALSE(outcome.confirmation);
        EXPECT_FALSE(outcome.completion);
        EXPECT_EQ(CellsOf(board, 4), before);
        EXPECT_EQ(board.EventCode(), 99) << "a refused click leaves no pending event";
    }
}

TEST(ClickCell, AcceptedClicksAskForConfirmationWithTheClickTime) {
    struct Case {
        std::initializer_list<TEventColumn> filled;
        TEventColumn clicked;
        const char* question;
        const char* eventLine;
    } cases[] = {
        {{}, ecMount, "你确信要输入以下信息吗！", "  机床2 工件上机：9:05:07"},
        {{ecMount}, ecStart, "你确信要输入以下信息吗！", "  机床2 开始加工：9:05:07"},
        {{ecMount, ecStart}, ecJumpStart, "你确信要输入以下信息吗！", "  机床2 跳步开始：9:05:07"},
        {{ecMount, ecStart, ecJumpStart}, ecJumpEnd, "你确信要输入以下信息吗！", "  机床2 跳步结束：9:05:07"},
        {{ecMount, ecStart, ecJumpStart},
         ecBreakStart,
         "你确信要输入以下信息吗！",
         "  机床2 断丝开始：9:05:07"},
        {{ecMount, ecStart, ecBreakStart},
         ecBreakEnd,
         "你确信要输入以下信息吗:",
         "  机床2 断丝结束：9:05:07"},
        {{ecMount, ecStart, ecBreakStart},
         ecJumpStart,
         "你确信要输入以下信息吗！",
         "  机床2 跳步开始：9:05:07"},
        // Leftovers in the end columns block nothing.
        {{ecJumpEnd, ecBreakEnd, ecUnmount},
         ecMount,
         "你确信要输入以下信息吗！",
         "  机床2 工件上机：9:05:07"},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        Fill(board, 2, c.filled);
        const auto before = CellsOf(board, 2);
        const auto outcome = ClickCell(board, CellNumber(2, c.clicked), At(9, 5, 7));
        EXPECT_TRUE(outcome.messages.empty());
        ASSERT_TRUE(outcome.confirmation) << c.clicked;
        EXPECT_EQ(outcome.confirmation->question, c.question);
        EXPECT_EQ(outcome.confirmation->eventLine, c.eventLine);
        EXPECT_EQ(board.EventCode(), CellNumber(2, c.clicked));
        EXPECT_EQ(board.EventTime(), At(9, 5, 7));
        EXPECT_EQ(CellsOf(board, 2), before) << "nothing is written before OK";
    }
}

TEST(ClickCell, EventLineUsesTheCaptionAsShownNow) {
    TJobBoard board;
    board.SetCaption(6, "CNC-7");
    const auto outcome = ClickCell(board, CellNumber(6, ecMount), At(14, 0, 0));
    EXPECT_EQ(outcome.confirmation->eventLine, "  CNC-7 工件上机：14:00:00");
}

TEST(ClickCell, StartRecordsTheEntryMachine) {
    TJobBoard board;
    Fill(board, 5, {ecMount});
    ClickCell(board, CellNumber(5, ecStart), At(8, 0, 0));
    EXPECT_EQ(board.EntryMachine(), 5);
    EXPECT_TRUE(ConfirmPendingEvent(board).openEntry);
    EXPECT_TRUE(board.Cell(5, ecStart).empty()) << "the entry dialog writes the start";
}

TEST(ClickUnmount, ShowsEveryFailedTestAndStampsNothing) {
    struct Case {
        std::initializer_list<TEventColumn> filled;
        std::vector<std::string> messages;
    } cases[] = {
        {{}, {msg::kUnmountIdle}},
        {{ecMount}, {msg::kUnmountIdle}},
        {{ecMount, ecStart, ecJumpStart, ecBreakStart}, {msg::kUnmountJumping, msg::kUnmountBreaking}},
        {{ecMount, ecJumpStart, ecBreakStart},
         {msg::kUnmountIdle, msg::kUnmountJumping, msg::kUnmountBreaking}},
        {{ecMount, ecStart, ecBreakStart}, {msg::kUnmountBreaking}},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        Fill(board, 1, c.filled);
        const auto before = CellsOf(board, 1);
        const auto outcome = ClickCell(board, CellNumber(1, ecUnmount), At(12, 0, 0));
        EXPECT_EQ(outcome.messages, c.messages);
        EXPECT_FALSE(outcome.completion);
        EXPECT_EQ(CellsOf(board, 1), before);
    }
}

TEST(ClickUnmount, StampsAtOnceAndFillsTheSummary) {
    TJobBoard board;
    board.SetCell(3, ecMount, "8:05:12");
    board.SetCell(3, ecStart, "8:20:40");
    board.SetCell(3, ecUnmount, "7:00:00");  // a leftover is overwritten
    board.SetWork(3, "凹模12", "1500");
    board.SetJumpTotal(3, "0:12:30");
    board.SetPendingEvent({.EventCode = 17, .EntryMachine = 3});
    const auto outcome = ClickCell(board, CellNumber(3, ecUnmount), At(11, 47, 5));
    ASSERT_TRUE(outcome.completion);
    EXPECT_EQ(*outcome.completion, (CompletionFields{"机床3", "凹模12", "8:05:12", "8:20:40", "0:12:30",
                                                     "0:00:00", "11:47:05", "1500"}));
    EXPECT_EQ(board.Cell(3, ecUnmount), "11:47:05");
    EXPECT_EQ(board.CompletionMachine(), 3);
    EXPECT_EQ(board.EventCode(), 0) << "nothing of an earlier click is left for the confirmation's OK";
    EXPECT_EQ(board.EntryMachine(), 0);
}

TEST(ConfirmPendingEvent, StampsTheClickTimeNotTheConfirmTime) {
    for (const TEventColumn column : {ecMount, ecJumpStart, ecBreakStart}) {
        TJobBoard board;
        Fill(board, 6, {ecMount, ecStart});
        board.SetCell(6, column, "");
        ClickCell(board, CellNumber(6, column), At(10, 15, 0));
        const auto outcome = ConfirmPendingEvent(board);
        EXPECT_FALSE(outcome.openEntry);
        EXPECT_TRUE(outcome.error.empty());
        EXPECT_EQ(board.Cell(6, column), "10:15:00");
    }
}

TEST(ConfirmPendingEvent, IntervalEndsAddToTheirTotalAndEmptyBothCells) {
    struct Case {
        TEventColumn startColumn, endColumn;
        const std::string& (TMachineRow::*total)() const;
    } cases[] = {{ecJumpStart, ecJumpEnd, &TMachineRow::JumpTotal},
                 {ecBreakStart, ecBreakEnd, &TMachineRow::BreakTotal}};
    for (const auto& c : cases) {
        TJobBoard board;
        Fill(board, 2, {ecMount, ecStart});
        std::vector<int> changes;
        board.SetObserver([&](int machine, int column) { changes.push_back(machine * 10 + column); });
        board.SetCell(2, c.startColumn, "23:58:00");
        ClickCell(board, CellNumber(2, c.endColumn), At(0, 3, 0));
        EXPECT_TRUE(ConfirmPendingEvent(board).error.empty());
        EXPECT_EQ((board.Row(2).*c.total)(), "0:05:00");
        EXPECT_TRUE(board.Cell(2, c.startColumn).empty());
        EXPECT_TRUE(board.Cell(2, c.endColumn).empty());
        // The end time is shown first, then start and end are emptied in that order.
        EXPECT_EQ(changes, (std::vector<int>{20 + c.startColumn, 20 + c.endColumn, 20 + c.startColumn,
                                             20 + c.endColumn}));

        board.SetCell(2, c.startColumn, "1:00:00");
        ClickCell(board, CellNumber(2, c.endColumn), At(1, 10, 0));
        ConfirmPendingEvent(board);
        EXPECT_EQ((board.Row(2).*c.total)(), "0:15:00") << "repeated intervals accumulate";
    }
}

TEST(ConfirmPendingEvent, AFailedIntervalKeepsTheEndCellAndTheTotal) {
    struct Case {
        const char* start;
        const char* total;
        const char* error;
    } cases[] = {{"ab:cd", "0:10:00", "'ab:cd' is not a valid time"},
                 {"9:00:00", "zero", "'zero' is not a valid time"}};
    for (const auto& c : cases) {
        TJobBoard board;
        Fill(board, 1, {ecMount, ecStart});
        board.SetCell(1, ecJumpStart, c.start);
        board.SetJumpTotal(1, c.total);
        ClickCell(board, CellNumber(1, ecJumpEnd), At(9, 30, 0));
        EXPECT_EQ(ConfirmPendingEvent(board).error, c.error);
        EXPECT_EQ(board.Cell(1, ecJumpEnd), "9:30:00");
        EXPECT_EQ(board.Cell(1, ecJumpStart), c.start);
        EXPECT_EQ(board.Row(1).JumpTotal(), c.total);
    }
}

TEST(CancelMachining, EmptiesTheJobButKeepsTotalsAndEndColumns) {
    TJobBoard board;
    Fill(board, 2, {ecMount, ecStart, ecJumpStart, ecJumpEnd, ecBreakStart, ecBreakEnd, ecUnmount});
    board.SetWork(2, "A", "5");
    board.SetJumpTotal(2, "0:20:00");
    board.SetBreakTotal(2, "0:01:00");
    Fill(board, 3, {ecMount});

    TargetMachine(board, 2);
    const auto texts = PrepareCancelMachining(board);
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->question, "你确信要删除以下信息吗！");
    EXPECT_EQ(texts->eventLine, "      机床2 加工中数据");
    ConfirmPendingEvent(board);

    EXPECT_EQ(CellsOf(board, 2),
              (std::array<std::string, 7>{"", "", "", "8:00:00", "", "8:00:00", "8:00:00"}));
    EXPECT_EQ(board.Row(2).WorkName(), "");
    EXPECT_EQ(board.Row(2).WorkAmount(), "");
    EXPECT_EQ(board.Row(2).JumpTotal(), "0:20:00");
    EXPECT_EQ(board.Row(2).BreakTotal(), "0:01:00");
    EXPECT_EQ(board.Cell(3, ecMount), "8:00:00") << "other machines are untouched";
    EXPECT_TRUE(ClickCell(board, CellNumber(2, ecMount), At(9, 0, 0)).confirmation);
}

TEST(ConfirmPendingEvent, CodesWithoutAnEventDoNothing) {
    for (const int code : {0, 7, 14, 42, 43, 50, 57, -1}) {
        TJobBoard board;
        Fill(board, 1, {ecMount, ecStart, ecJumpStart});
        board.SetPendingEvent({.EventCode = code});
        const auto outcome = ConfirmPendingEvent(board);
        EXPECT_FALSE(outcome.openEntry);
        EXPECT_EQ(CellsOf(board, 1),
                  (std::array<std::string, 7>{"8:00:00", "8:00:00", "8:00:00", "", "", "", ""}));
    }
    TJobBoard board;
    board.SetPendingEvent({.EventCode = 3});
    EXPECT_FALSE(PrepareCancelMachining(board));
}

}  // namespace
}  // namespace kerfolio
