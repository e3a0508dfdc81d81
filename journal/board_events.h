#pragma once

#include "board/job_board.h"
#include "journal/event.h"

namespace kerfolio::journal {

// The event of a confirmed click on a column (mount to wire break end) of machine, read from the board
// right after the rule applied it, at the click's stamp.
Event ColumnEvent(const TJobBoard& board, int machine, TEventColumn column, Stamp stamp);

// An event of one machine that carries no more than its name: cancelled, params_changed (with detail).
Event MachineEvent(const char* kind, const TJobBoard& board, int machine, Stamp stamp);

// An event of the whole program: program_started, program_closed, archived.
Event ProgramEvent(const char* kind, Stamp stamp);

}  // namespace kerfolio::journal
