#include "board/estimate.h"

#include "board/conversion_error.h"
#include "board/integer_text.h"
#include "board/messages.h"

namespace kerfolio {
namespace {

// Mount time + amount / efficiency + the jumps closed so far, in days. Throws ConversionError for the
// first text that does not read or a division that cannot be done, in the order the values are taken.
TDateTime FinishTime(const TMachineRow& row, std::string_view efficiency) {
    const TDateTime mounted = ParseTimeText(row.Cell(ecMount));
    const double amount = ParseIntegerText(row.WorkAmount());
    const double perMinute = ParseIntegerText(efficiency);
    if (perMinute == 0) {
        // 0/0 has no value at all; anything else over 0 is infinite. Both are refused rather than
        // shown as a clock time.
        throw ConversionError(amount == 0 ? msg::kInvalidOperation : msg::kDivisionByZero);
    }
    const TDateTime machining = amount / perMinute / 60 / 24;
    const TDateTime jumps = ParseTimeText(row.JumpTotal());
    return mounted + machining + jumps;
}

}  // namespace

std::optional<EstimateOutcome> EstimateFinish(const TJobBoard& board, std::string_view efficiency) {
    const int machine = board.EventCode() - 50;
    if (machine < 1 || machine > kMachineCount) return std::nullopt;
    return EstimateFinishOf(board, machine, efficiency);
}

EstimateOutcome EstimateFinishOf(const TJobBoard& board, int machine, std::string_view efficiency) {
    const TMachineRow& row = board.Row(machine);
    EstimateOutcome outcome;
    if (row.IsEmpty(ecStart)) {
        outcome.message = row.Caption() + " " + msg::kNothingToEstimate;
        return outcome;
    }
    try {
        // A negative amount or efficiency can put the finish before midnight or before 0; the clock
        // time of that value, wrapped into the day, is what gets shown.
        const TDateTime finish = FinishTime(row, efficiency);
        outcome.message = row.Caption() + msg::kEstimateByEfficiency + std::string(efficiency) +
                          msg::kEstimatePerMinute + msg::kEstimateFinishAt + FormatTimeText(finish) +
                          msg::kEstimateDone;
    } catch (const ConversionError& error) {
        outcome.error = error.what();
    }
    return outcome;
}

}  // namespace kerfolio
