#pragma once

#include <string>

#include "board/job_board.h"
#include "board/stamping.h"
#include "board/time_text.h"
#include "board/workpiece_entry.h"

namespace kerfolio::live::testing {

// 2026-12-08 00:00 local time.
inline constexpr TDateTime kDay = 46364;

inline TDateTime At(const char* time, TDateTime day = kDay) {
    return day + ParseTimeText(time);
}

// A click on machine's column at the moment when, answered with OK as the operator would.
inline void Click(TJobBoard& board, int machine, TEventColumn column, TDateTime when,
                  const char* name = "凸模", const char* amount = "1200") {
    const ClickOutcome outcome = ClickCell(board, CellNumber(machine, column), when);
    if (!outcome.confirmation) return;
    if (ConfirmPendingEvent(board).openEntry) ApplyWorkpieceEntry(board, name, amount);
}

}  // namespace kerfolio::live::testing
