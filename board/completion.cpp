#include "board/completion.h"

#include <cstdint>

#include "board/messages.h"

namespace kerfolio {

std::string BuildReportLine(int number, const CompletionFields& fields) {
    std::string line = std::to_string(number);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // Three blanks between the machine and the workpiece name, four everywhere else.
        line += i == 1 ? "   " : "    ";
        line += msg::kCompletionLabels[i];
        line += fields[i];
    }
    return line;
}

std::string CompleteJob(TJobBoard& board, const CompletionFields& fields) {
    // A counter at its limit (only a hand-edited snapshot puts it there) turns over as a 32-bit one does.
    board.JobCount = static_cast<int>(static_cast<std::uint32_t>(board.JobCount) + 1u);
    std::string line = BuildReportLine(board.JobCount, fields);
    const int machine = board.CompletionMachine;
    board.SetCell(machine, ecUnmount, "");
    board.SetCell(machine, ecStart, "");
    board.SetCell(machine, ecMount, "");
    board.Row(machine).JumpTotal = kZeroDuration;
    board.Row(machine).BreakTotal = kZeroDuration;
    return line;
}

void CancelCompletion(TJobBoard& board) {
    board.SetCell(board.CompletionMachine, ecUnmount, "");
}

}  // namespace kerfolio
