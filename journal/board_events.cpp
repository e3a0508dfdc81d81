#include "journal/board_events.h"

#include "board/integer_text.h"
#include "journal/journal_schema.h"
#include "journal/json_text.h"

namespace kerfolio::journal {
namespace {

const char* KindOf(TEventColumn column) {
    switch (column) {
        case ecMount:
            return kind::kMounted;
        case ecStart:
            return kind::kStarted;
        case ecJumpStart:
            return kind::kJumpStart;
        case ecJumpEnd:
            return kind::kJumpEnd;
        case ecBreakStart:
            return kind::kBreakStart;
        case ecBreakEnd:
            return kind::kBreakEnd;
        case ecUnmount:
            break;
    }
    return kind::kCompleted;
}

}  // namespace

Event ColumnEvent(const TJobBoard& board, int machine, TEventColumn column, Stamp stamp) {
    Event event = MachineEvent(KindOf(column), board, machine, stamp);
    std::vector<std::pair<std::string, std::string>> detail = {{"cell", FormatTimeText(board.EventTime())}};
    if (column == ecStart) {
        const TMachineRow& row = board.Row(machine);
        event.workpiece = row.WorkName();
        if (const auto amount = TryParseIntegerText(row.WorkAmount())) event.amount = *amount;
        detail.emplace_back("amount_text", row.WorkAmount());
    }
    event.detail = JsonObject(detail);
    return event;
}

Event MachineEvent(const char* kind, const TJobBoard& board, int machine, Stamp stamp) {
    Event event;
    event.kind = kind;
    event.stamp = stamp;
    event.machine = machine;
    event.machineName = board.Caption(machine);
    return event;
}

Event ProgramEvent(const char* kind, Stamp stamp) {
    Event event;
    event.kind = kind;
    event.stamp = stamp;
    return event;
}

}  // namespace kerfolio::journal
