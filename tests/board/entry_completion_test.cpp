#include <gtest/gtest.h>

#include "board/completion.h"
#include "board/messages.h"
#include "board/workpiece_entry.h"

namespace kerfolio {
namespace {

TDateTime At(int h, int m, int s) {
    return 46'000.0 + (h * 3600 + m * 60 + s) / 86'400.0;
}

// A negative amount is refused like a bad one; "$FFFFFFFF" reads as -1.
TEST(WorkpieceEntry, RefusalsLeaveTheBoardAlone) {
    struct Case {
        const char *name, *amount, *message;
    } cases[] = {
        {"", "", msg::kEntryEmpty},           {"", "abc", msg::kEntryEmpty},
        {"A", "", msg::kEntryEmpty},          {"A", "12 ", msg::kEntryNotInteger},
        {"A", "1.5", msg::kEntryNotInteger},  {"A", "12mm", msg::kEntryNotInteger},
        {"A", "-", msg::kEntryNotInteger},    {"A", "$", msg::kEntryNotInteger},
        {"A", "+-5", msg::kEntryNotInteger},  {"A", "2147483648", msg::kEntryNotInteger},
        {"A", "-5", msg::kEntryNotInteger},   {"A", "-2147483648", msg::kEntryNotInteger},
        {"A", "-0x1", msg::kEntryNotInteger}, {"A", "$FFFFFFFF", msg::kEntryNotInteger},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        board.SetCell(4, ecMount, "7:00:00");
        board.SetWork(4, "old", "9");
        board.SetPendingEvent(
            {.EventCode = CellNumber(4, ecStart), .EventTime = At(8, 0, 0), .EntryMachine = 4});
        EXPECT_EQ(ApplyWorkpieceEntry(board, c.name, c.amount), c.message) << c.name << "/" << c.amount;
        EXPECT_EQ(board.Cell(4, ecStart), "");
        EXPECT_EQ(board.Row(4).WorkName(), "old");
        EXPECT_EQ(board.Row(4).WorkAmount(), "9");
    }
}

TEST(WorkpieceEntry, StoresTextsAsTypedAndTheClickTime) {
    for (const char* amount : {"0", "-0", "+7", "  12", "$1F", "0x1f", "x10", "2147483647", "$7FFFFFFF"}) {
        TJobBoard board;
        board.SetPendingEvent(
            {.EventCode = CellNumber(2, ecStart), .EventTime = At(8, 20, 40), .EntryMachine = 2});
        EXPECT_FALSE(ApplyWorkpieceEntry(board, "  ", amount)) << amount;
        EXPECT_EQ(board.Row(2).WorkName(), "  ");
        EXPECT_EQ(board.Row(2).WorkAmount(), amount);
        EXPECT_EQ(board.Cell(2, ecStart), "8:20:40");
        EXPECT_EQ(board.Cell(1, ecStart), "") << "only the entry machine";
    }
}

TEST(CompleteJob, CountsAcrossMachinesAndFreesTheRow) {
    TJobBoard board;
    for (const int machine : {2, 5}) {
        board.SetCell(machine, ecMount, "8:00:00");
        board.SetCell(machine, ecStart, "8:10:00");
        board.SetWork(machine, "W", "10");
        board.SetJumpTotal(machine, "0:10:00");
        board.SetBreakTotal(machine, "0:02:00");
    }
    std::vector<int> numbers;
    for (const int machine : {2, 5}) {
        ASSERT_TRUE(ClickCell(board, CellNumber(machine, ecUnmount), At(12, 0, 0)).completion);
        numbers.push_back(CompleteJob(board));
        for (const TEventColumn column : {ecMount, ecStart, ecUnmount})
            EXPECT_EQ(board.Cell(machine, column), "");
        EXPECT_EQ(board.Row(machine).JumpTotal(), "0:00:00");
        EXPECT_EQ(board.Row(machine).BreakTotal(), "0:00:00");
        EXPECT_EQ(board.Row(machine).WorkName(), "W");
        EXPECT_EQ(board.Row(machine).WorkAmount(), "10");
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2}));
    EXPECT_EQ(board.JobCount(), 2);
}

TEST(CompleteJob, ACounterLoadedAtItsLimitTurnsOverInsteadOfOverflowing) {
    // Only a hand-edited snapshot gets the counter there; the next job must still be written.
    TJobBoard board;
    board.SetJobCount(INT32_MAX);
    board.SetPendingEvent({.CompletionMachine = 1});
    EXPECT_EQ(CompleteJob(board), INT32_MIN);
    EXPECT_EQ(board.JobCount(), INT32_MIN);
}

TEST(CancelCompletion, KeepsTheJobRunning) {
    TJobBoard board;
    board.SetCell(1, ecMount, "8:00:00");
    board.SetCell(1, ecStart, "8:10:00");
    board.SetJumpTotal(1, "0:10:00");
    ClickCell(board, CellNumber(1, ecUnmount), At(12, 0, 0));
    CancelCompletion(board);
    EXPECT_EQ(board.Cell(1, ecUnmount), "");
    EXPECT_EQ(board.Cell(1, ecStart), "8:10:00");
    EXPECT_EQ(board.Row(1).JumpTotal(), "0:10:00");
    EXPECT_EQ(board.JobCount(), 0);
    const auto again = ClickCell(board, CellNumber(1, ecUnmount), At(12, 5, 0));
    EXPECT_EQ((*again.completion)[6], "12:05:00");
    EXPECT_EQ((*again.completion)[4], "0:10:00");
}

}  // namespace
}  // namespace kerfolio
