#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "board/job_board.h"

namespace kerfolio {

// What the estimate asks the screen to show: a message box, or an error box when a text did not
// convert or the division could not be done (error holds the message without its full stop).
struct EstimateOutcome {
    std::string message;
    std::string error;
};

// The finishing-time estimate for the menu's target machine (EventCode 51..56), with efficiency as
// read from the machine's parameter record. Nothing when no machine is targeted. Changes nothing.
std::optional<EstimateOutcome> EstimateFinish(const TJobBoard& board, std::string_view efficiency);

// The same estimate for machine 1..6 named directly, for readers that must not touch the menu's target.
EstimateOutcome EstimateFinishOf(const TJobBoard& board, int machine, std::string_view efficiency);

}  // namespace kerfolio
