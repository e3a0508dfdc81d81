#include "journal/replay.h"

#include <optional>

#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "journal/journal_schema.h"

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

// One click of a board cell and the OK of its dialogs, as the operator gave them.
bool ReplayClick(const StoredEvent& event, TEventColumn column, TJobBoard& board, std::string& notePad) {
    const ClickOutcome outcome =
        ClickCell(board, CellNumber(event.machine, column), LocalDateTime(event.stamp));
    if (column == ecUnmount) {
        if (!outcome.completion) return false;
        AppendLine(notePad, CompleteJob(board, event.confirmed));
        return true;
    }
    if (!outcome.confirmation) return false;
    if (!ConfirmPendingEvent(board).openEntry) return true;
    return !ApplyWorkpieceEntry(board, event.workpiece, event.amountText);
}

}  // namespace

int Replay(const std::vector<StoredEvent>& events, TJobBoard& board, std::string& notePad) {
    int applied = 0;
    for (const StoredEvent& event : events) {
        const bool ofMachine = event.machine >= 1 && event.machine <= kMachineCount;
        if (const auto column = ColumnOf(event.kind)) {
            if (ofMachine && ReplayClick(event, *column, board, notePad)) ++applied;
        } else if (event.kind == kind::kCancelled && ofMachine) {
            TargetMachine(board, event.machine);
            ConfirmPendingEvent(board);
            ++applied;
        } else if (event.kind == kind::kArchived) {
            // The lines are in the day's file already.
            notePad.clear();
            board.JobCount = 0;
            board.MarkChanged();
            ++applied;
        }
    }
    return applied;
}

}  // namespace kerfolio::journal
