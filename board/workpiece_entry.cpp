#include "board/workpiece_entry.h"

#include "board/integer_text.h"
#include "board/messages.h"

namespace kerfolio {

std::optional<std::string> ApplyWorkpieceEntry(TJobBoard& board, std::string_view name,
                                               std::string_view amount) {
    if (name.empty() || amount.empty()) return msg::kEntryEmpty;
    // A negative amount would pass as a job and later put the estimated finish before the mount.
    const std::optional<std::int32_t> value = TryParseIntegerText(amount);
    if (!value || *value < 0) return msg::kEntryNotInteger;
    const int machine = board.EntryMachine();
    board.SetWork(machine, std::string(name), std::string(amount));
    // The start is the moment of the click, not of this OK.
    board.SetCell(machine, ecStart, FormatTimeText(board.EventTime()));
    return std::nullopt;
}

}  // namespace kerfolio
