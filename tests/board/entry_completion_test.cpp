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
        board.Row(4).WorkName = "old";
        board.Row(4).WorkAmount = "9";
        board.EntryMachine = 4;
        board.EventTime = At(8, 0, 0);
        EXPECT_EQ(ApplyWorkpieceEntry(board, c.name, c.amount), c.message) << c.name << "/" << c.amount;
        EXPECT_EQ(board.Cell(4, ecStart), "");
        EXPECT_EQ(board.Row(4).WorkName, "old");
        EXPECT_EQ(board.Row(4).WorkAmount, "9");
    }
}

TEST(WorkpieceEntry, StoresTextsAsTypedAndTheClickTime) {
    for (const char* amount : {"0", "-0", "+7", "  12", "$1F", "0x1f", "x10", "2147483647", "$7FFFFFFF"}) {
        TJobBoard board;
        board.EntryMachine = 2;
        board.EventTime = At(8, 20, 40);
        EXPECT_FALSE(ApplyWorkpieceEntry(board, "  ", amount)) << amount;
        EXPECT_EQ(board.Row(2).WorkName, "  ");
        EXPECT_EQ(board.Row(2).WorkAmount, amount);
        EXPECT_EQ(board.Cell(2, ecStart), "8:20:40");
        EXPECT_EQ(board.Cell(1, ecStart), "") << "only the entry machine";
    }
}

TEST(ReportLine, MatchesTheWorkshopFormat) {
    const CompletionFields fields{"机床3",   "凹模12",  "8:05:12",  "8:20:40",
                                  "0:12:30", "0:00:00", "11:47:05", "1500"};
    EXPECT_EQ(
        BuildReportLine(5, fields),
        "5    机床:机床3   工件名称:凹模12    上机时间:8:05:12    开始加工:8:20:40    跳步时间:0:12:30    "
        "断丝时间:0:00:00    完成时间:11:47:05    加工量:1500");
    EXPECT_EQ(BuildReportLine(12, CompletionFields{}),
              "12    机床:   工件名称:    上机时间:    开始加工:    跳步时间:    断丝时间:    完成时间:    "
              "加工量:");
}

TEST(CompleteJob, CountsAcrossMachinesAndFreesTheRow) {
    TJobBoard board;
    for (const int machine : {2, 5}) {
        board.SetCell(machine, ecMount, "8:00:00");
        board.SetCell(machine, ecStart, "8:10:00");
        board.Row(machine).WorkName = "W";
        board.Row(machine).WorkAmount = "10";
        board.Row(machine).JumpTotal = "0:10:00";
        board.Row(machine).BreakTotal = "0:02:00";
    }
    std::vector<std::string> lines;
    for (const int machine : {2, 5}) {
        auto outcome = ClickCell(board, CellNumber(machine, ecUnmount), At(12, 0, 0));
        auto fields = *outcome.completion;
        fields[1] = "edited";  // a correction goes into the line only
        lines.push_back(CompleteJob(board, fields));
        for (const TEventColumn column : {ecMount, ecStart, ecUnmount})
            EXPECT_EQ(board.Cell(machine, column), "");
        EXPECT_EQ(board.Row(machine).JumpTotal, "0:00:00");
        EXPECT_EQ(board.Row(machine).BreakTotal, "0:00:00");
        EXPECT_EQ(board.Row(machine).WorkName, "W");
        EXPECT_EQ(board.Row(machine).WorkAmount, "10");
    }
    EXPECT_EQ(lines[0].substr(0, 5), "1    ");
    EXPECT_EQ(lines[1].substr(0, 5), "2    ");
    EXPECT_NE(lines[1].find("工件名称:edited    "), std::string::npos);
    EXPECT_EQ(board.JobCount, 2);
}

TEST(CompleteJob, ACounterLoadedAtItsLimitTurnsOverInsteadOfOverflowing) {
    // Only a hand-edited snapshot gets the counter there; the next job must still be written.
    TJobBoard board;
    board.JobCount = INT32_MAX;
    board.CompletionMachine = 1;
    const std::string line = CompleteJob(board, CompletionFields{});
    EXPECT_EQ(board.JobCount, INT32_MIN);
    EXPECT_EQ(line.substr(0, 15), "-2147483648    ");
}

TEST(CancelCompletion, KeepsTheJobRunning) {
    TJobBoard board;
    board.SetCell(1, ecMount, "8:00:00");
    board.SetCell(1, ecStart, "8:10:00");
    board.Row(1).JumpTotal = "0:10:00";
    ClickCell(board, CellNumber(1, ecUnmount), At(12, 0, 0));
    CancelCompletion(board);
    EXPECT_EQ(board.Cell(1, ecUnmount), "");
    EXPECT_EQ(board.Cell(1, ecStart), "8:10:00");
    EXPECT_EQ(board.Row(1).JumpTotal, "0:10:00");
    EXPECT_EQ(board.JobCount, 0);
    const auto again = ClickCell(board, CellNumber(1, ecUnmount), At(12, 5, 0));
    EXPECT_EQ((*again.completion)[6], "12:05:00");
    EXPECT_EQ((*again.completion)[4], "0:10:00");
}

}  // namespace
}  // namespace kerfolio
