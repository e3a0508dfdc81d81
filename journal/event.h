#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "board/stamping.h"
#include "board/time_text.h"

namespace kerfolio::journal {

// An instant as the PC's clock gave it: UTC and the offset of local time at that instant.
struct Stamp {
    std::int64_t utcMs = 0;
    std::int32_t offsetS = 0;  // east positive
    friend bool operator==(const Stamp&, const Stamp&) = default;
};

// The board's local time value of a stamp.
TDateTime LocalDateTime(Stamp stamp);

// One confirmed event before it is written. machine 0: not an event of one machine.
struct Event {
    std::string kind;
    Stamp stamp;
    int machine = 0;
    std::string machineName;
    std::optional<std::string> workpiece;
    std::optional<std::int64_t> amount;
    std::string detail = "{}";
};

// What a completed event adds: the report line and the dialog's fields as opened and as confirmed.
struct Completion {
    std::int64_t reportNo = 0;
    std::string line;
    CompletionFields stamped;
    CompletionFields confirmed;
};

}  // namespace kerfolio::journal
