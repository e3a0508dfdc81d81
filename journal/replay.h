#pragma once

#include <string>
#include <vector>

#include "board/job_board.h"
#include "journal/journal.h"

namespace kerfolio::journal {

// Applies events the snapshot does not hold to the board and the NotePad text (UTF-8, '\n' between
// lines) through the same rules that took them at the click, each at its own stamp: to the board those
// after from.boardAfter, to the NotePad those after from.notePadAfter. An event the board refuses now
// (the journal missed what came before it) is passed over and counted in *passedOver. Returns how many
// were applied.
int Replay(const std::vector<StoredEvent>& events, RunState::ReplayFrom from, TJobBoard& board,
           std::string& notePad, int* passedOver = nullptr);

}  // namespace kerfolio::journal
