#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "board/job_board.h"

namespace kerfolio {

// OK of the workpiece entry dialog for EntryMachine. Returns the refusal to show, if any. Whatever the
// outcome the dialog's two fields are emptied afterwards; only an accepted entry changes the board.
std::optional<std::string> ApplyWorkpieceEntry(TJobBoard& board, std::string_view name,
                                               std::string_view amount);

}  // namespace kerfolio
