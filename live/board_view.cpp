#include "live/board_view.h"

#include <cmath>

#include "board/conversion_error.h"
#include "board/estimate.h"
#include "board/integer_text.h"
#include "board/time_text.h"

namespace kerfolio::live {

std::optional<TDateTime> PlaceTimeOfDay(const std::string& cellText, TDateTime now) {
    const std::optional<TDateTime> timeOfDay = TryParseTimeText(cellText);
    if (!timeOfDay) return std::nullopt;
    // Compared in whole milliseconds, so a cell stamped this very second is today, not yesterday.
    const double nowMs = std::nearbyint(now * kMsPerDay);
    const double day = std::floor(nowMs / kMsPerDay);
    double placedMs = day * kMsPerDay + std::nearbyint(*timeOfDay * kMsPerDay);
    if (placedMs > nowMs) placedMs -= kMsPerDay;
    return placedMs / kMsPerDay;
}

MachineState StateOf(const TMachineRow& row) {
    // A wire break is the more pressing of the two when both are open.
    if (!row.IsEmpty(ecBreakStart)) return MachineState::WireBroken;
    if (!row.IsEmpty(ecJumpStart)) return MachineState::Jumping;
    if (!row.IsEmpty(ecStart)) return MachineState::Machining;
    if (!row.IsEmpty(ecMount)) return MachineState::Mounted;
    return MachineState::Idle;
}

namespace {

// The estimate's finish (mount + amount / efficiency + the jumps closed so far) placed on the calendar
// by the mount time, and how far now is past it.
std::optional<TDateTime> OverdueBy(const TMachineRow& row, const std::optional<TDateTime>& mountedAt,
                                   const std::string& efficiency, TDateTime now) {
    if (!mountedAt) return std::nullopt;
    try {
        const double perMinute = ParseIntegerText(efficiency);
        if (perMinute <= 0) return std::nullopt;
        const double amount = ParseIntegerText(row.WorkAmount());
        const TDateTime finish = *mountedAt + amount / perMinute / 60 / 24 + ParseTimeText(row.JumpTotal());
        // Whole seconds, from whole milliseconds: a job is not overdue by a rounding.
        const double seconds = std::floor(std::nearbyint((now - finish) * kMsPerDay) / 1000);
        if (seconds >= 1) return seconds / 86'400;
    } catch (const ConversionError&) {
    }
    return std::nullopt;
}

MachineView ViewOf(const TJobBoard& board, int machine, const std::string& efficiency, TDateTime now) {
    const TMachineRow& row = board.Row(machine);
    MachineView view;
    view.number = machine;
    view.name = row.Caption();
    view.state = StateOf(row);
    // The name and amount are the last job's until this machine starts the next one.
    if (!row.IsEmpty(ecStart)) {
        view.workpiece = row.WorkName();
        view.amount = row.WorkAmount();
    }
    view.mountText = row.Cell(ecMount);
    view.startText = row.Cell(ecStart);
    view.mountedAt = PlaceTimeOfDay(view.mountText, now);
    view.startedAt = PlaceTimeOfDay(view.startText, now);
    view.jumpTotal = row.JumpTotal();
    view.breakTotal = row.BreakTotal();
    if (!row.IsEmpty(ecJumpStart)) {
        view.open.push_back(
            {OpenInterruption::Jump, row.Cell(ecJumpStart), PlaceTimeOfDay(row.Cell(ecJumpStart), now)});
    }
    if (!row.IsEmpty(ecBreakStart)) {
        view.open.push_back({OpenInterruption::WireBreak, row.Cell(ecBreakStart),
                             PlaceTimeOfDay(row.Cell(ecBreakStart), now)});
    }
    EstimateOutcome estimate = EstimateFinishOf(board, machine, efficiency);
    if (!estimate.error.empty()) {
        // As the error box shows it: with its full stop.
        if (estimate.error.back() != '.') estimate.error += '.';
        view.estimate = std::move(estimate.error);
        view.estimateIsError = true;
    } else {
        view.estimate = std::move(estimate.message);
        if (view.state != MachineState::Mounted && view.state != MachineState::Idle)
            view.overdueBy = OverdueBy(row, view.mountedAt, efficiency, now);
    }
    return view;
}

}  // namespace

std::shared_ptr<const View> BuildView(const TJobBoard& board,
                                      const std::array<std::string, kMachineCount>& efficiencies,
                                      std::shared_ptr<const TodayJobs> today, TDateTime now,
                                      std::int32_t utcOffsetS, std::string shareLag) {
    auto view = std::make_shared<View>();
    view->now = now;
    view->shareLag = std::move(shareLag);
    view->utcOffsetS = utcOffsetS;
    for (int m = 1; m <= kMachineCount; ++m)
        view->machines[MachineIndex(m)] = ViewOf(board, m, efficiencies[MachineIndex(m)], now);
    view->today = today ? std::move(today) : std::make_shared<const TodayJobs>();
    return view;
}

}  // namespace kerfolio::live
