#include "board/completion.h"

#include <cstdint>

namespace kerfolio {

int CompleteJob(TJobBoard& board) {
    // A counter at its limit (only a hand-edited snapshot puts it there) turns over as a 32-bit one does.
    board.SetJobCount(static_cast<int>(static_cast<std::uint32_t>(board.JobCount()) + 1u));
    const int machine = board.CompletionMachine();
    board.SetCell(machine, ecUnmount, "");
    board.SetCell(machine, ecStart, "");
    board.SetCell(machine, ecMount, "");
    board.SetJumpTotal(machine, kZeroDuration);
    board.SetBreakTotal(machine, kZeroDuration);
    return board.JobCount();
}

void CancelCompletion(TJobBoard& board) {
    board.SetCell(board.CompletionMachine(), ecUnmount, "");
}

}  // namespace kerfolio
