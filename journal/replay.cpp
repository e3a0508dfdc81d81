#include "journal/replay.h"

#include <optional>

#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "journal/journal_schema.h"
#include "storage/report_line.h"

namespace kerfolio::journal {
namespace {

std::optional<TEventColumn> ColumnOf(const std::string& kindText) {
    if (kindText == kind::kMounted) return ecMount;
    if (kindText == kind::kStarted) return ecStart;
    if (kindText == kind::kJumpStart) return ecJumpStart;
    if (kindText == kind::kJumpEnd) return ecJumpEnd;
    if (kindText == kind::kBreakStart) return ecBreakStart;
    if (kindText == kind::kBreakEnd) return ecBreakEnd;
    if (kindText == kind::kCompleted) return ecUnmount;
    return std::nullopt;
}

void AppendLine(std::string& notePad, const std::string& line) {
    if (!notePad.empty() && notePad.back() != '\n') notePad += '\n';
    notePad += line;
}

// One click of a board cell and the OK of its dialogs, as the operator gave them. A finished job's line
// goes to the NotePad only where it lacks it (notePad null).
bool ReplayClick(const StoredEvent& event, TEventColumn column, TJobBoard& board, std::string* notePad) {
    const ClickOutcome outcome =
        ClickCell(board, CellNumber(event.machine, column), LocalDateTime(event.stamp));
    if (column == ecUnmount) {
        if (!outcome.completion) return false;
        const std::string line = BuildReportLine(CompleteJob(board), event.confirmed);
        if (notePad) AppendLine(*notePad, line);
        return true;
    }
    if (!outcome.confirmation) return false;
    if (!ConfirmPendingEvent(board).openEntry) return true;
    return !ApplyWorkpieceEntry(board, event.workpiece, event.amountText);
}

}  // namespace

int Replay(const std::vector<StoredEvent>& events, RunState::ReplayFrom from, TJobBoard& board,
           std::string& notePad, int* passedOver) {
    int applied = 0;
    for (const StoredEvent& event : events) {
        const bool toBoard = event.seq > from.boardAfter;
        const bool toNotePad = event.seq > from.notePadAfter;
        const bool ofMachine = event.machine >= 1 && event.machine <= kMachineCount;
        if (!toBoard && !toNotePad) continue;
        if (const auto column = ColumnOf(event.kind); column && ofMachine) {
            if (toBoard) {
                if (ReplayClick(event, *column, board, toNotePad ? &notePad : nullptr)) {
                    ++applied;
                } else if (passedOver) {
                    ++*passedOver;
                }
            } else if (column == ecUnmount) {
                AppendLine(notePad, event.line);  // the board already counts this job
                ++applied;
            }
        } else if (event.kind == kind::kCancelled && ofMachine && toBoard) {
            TargetMachine(board, event.machine);
            ConfirmPendingEvent(board);
            ++applied;
        } else if (event.kind == kind::kArchived) {
            // The lines are in the day's file already.
            if (toNotePad) notePad.clear();
            if (toBoard) board.SetJobCount(0);
            board.MarkChanged();
            ++applied;
        }
        board.ClearPendingEvent();  // each event's dialogs have answered
    }
    return applied;
}

}  // namespace kerfolio::journal
