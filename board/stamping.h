#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "board/job_board.h"

namespace kerfolio {

// The two lines of the confirmation dialog.
struct ConfirmationTexts {
    std::string question;
    std::string eventLine;
};

// The eight fields of the completion dialog, machine to amount.
using CompletionFields = std::array<std::string, 8>;

// What a cell click asks the screen to do: show the messages in order, then at most one dialog.
struct ClickOutcome {
    std::vector<std::string> messages;
    std::optional<ConfirmationTexts> confirmation;
    std::optional<CompletionFields> completion;
};

// A click on cell 1..42 at the moment now. Refused clicks change nothing; an accepted click of
// columns 1..6 records the pending event; an accepted unmount stamps cell 7 at once.
ClickOutcome ClickCell(TJobBoard& board, int cell, TDateTime now);

// What the confirmation's OK asks the screen to do next.
struct ConfirmOutcome {
    bool openEntry = false;  // the start column: show the workpiece entry dialog
    std::string error;       // a conversion that failed, for the error box; empty when none
};

// Applies the pending event of the confirmation dialog (EventCode).
ConfirmOutcome ConfirmPendingEvent(TJobBoard& board);

// The row label's context menu opens on machine m: it becomes the target of the menu's items until
// the item's dialog has answered.
void TargetMachine(TJobBoard& board, int machine);

// The texts of the cancel-machining confirmation for the menu's target machine; nothing when no
// machine is targeted.
std::optional<ConfirmationTexts> PrepareCancelMachining(const TJobBoard& board);

}  // namespace kerfolio
