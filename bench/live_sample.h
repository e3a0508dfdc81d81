#pragma once

#include <memory>
#include <string>
#include <vector>

#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "live/board_view.h"
#include "storage/report_line.h"

namespace kerfolio {

// A working day's board, driven through the rules: every state on one machine or another, a full
// NotePad of forty finished jobs.
inline TJobBoard SampleBoard(TDateTime day) {
    TJobBoard board;
    const auto click = [&](int machine, TEventColumn column, const char* time, const char* name = "",
                           const char* amount = "") {
        const ClickOutcome outcome = ClickCell(board, CellNumber(machine, column), day + ParseTimeText(time));
        if (outcome.confirmation && ConfirmPendingEvent(board).openEntry)
            ApplyWorkpieceEntry(board, name, amount);
    };
    board.SetCaption(1, "快走丝1号");
    board.SetCaption(4, "中走丝 DK7740");
    click(1, ecMount, "7:40:00");
    click(1, ecStart, "7:52:10", "凸模 A-17", "5400");
    click(1, ecJumpStart, "8:30:00");
    click(1, ecJumpEnd, "8:41:20");
    click(2, ecMount, "8:05:00");
    click(3, ecMount, "6:10:00");
    click(3, ecStart, "6:20:00", "齿轮坯", "12000");
    click(3, ecJumpStart, "9:02:00");
    click(4, ecMount, "7:00:00");
    click(4, ecStart, "7:15:00", "冲头镶块", "3000");
    click(4, ecBreakStart, "9:10:00");
    click(5, ecMount, "8:00:00");
    click(5, ecStart, "8:10:00", "垫板", "800");
    return board;
}

inline std::shared_ptr<const live::TodayJobs> SampleNotePad(int jobs) {
    live::TodayJobsReader reader;
    std::vector<std::string> lines;
    for (int i = 1; i <= jobs; ++i) {
        lines.push_back(BuildReportLine(
            i, {"机床" + std::to_string(i % 6 + 1), "模具镶块 " + std::to_string(i), "6:02:11", "6:15:40",
                "0:12:05", "0:00:40", "8:40:00", std::to_string(100 + i)}));
    }
    reader.Replace(0, lines);
    return std::make_shared<const live::TodayJobs>(reader.Jobs());
}

}  // namespace kerfolio
