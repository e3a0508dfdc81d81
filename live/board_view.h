#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/job_board.h"
#include "live/today_jobs.h"

namespace kerfolio::live {

enum class MachineState { Idle, Mounted, Machining, Jumping, WireBroken };

// A jump or wire break that has started and not yet ended.
struct OpenInterruption {
    enum Kind { Jump, WireBreak } kind = Jump;
    std::string startText;           // the cell as the board shows it
    std::optional<TDateTime> since;  // empty when the cell does not read as a time
};

struct MachineView {
    int number = 0;
    std::string name;
    MachineState state = MachineState::Idle;
    std::string workpiece;
    std::string amount;  // as entered
    std::string mountText, startText;
    std::optional<TDateTime> mountedAt, startedAt;
    std::string jumpTotal, breakTotal;
    std::vector<OpenInterruption> open;
    // What the estimate of the caption's menu shows: its message, or its error box's text.
    std::string estimate;
    bool estimateIsError = false;
    // How long a running job is past its estimated finish; empty before it or when nothing is estimated.
    std::optional<TDateTime> overdueBy;
};

// Everything the page and the JSON show, taken at one moment. Never changed once built, so the server's
// threads read it while the window builds the next one.
struct View {
    TDateTime now = 0;
    std::int32_t utcOffsetS = 0;  // the PC's offset at now
    std::array<MachineView, kMachineCount> machines;
    std::shared_ptr<const TodayJobs> today;  // shared between views until the NotePad changes
    // "N events not yet sent since 14:05" when a shared database is set and behind; else empty.
    std::string shareLag;
};

// The cells hold only a time of day: the moment meant is the last one at or before now with that time,
// so a jump started at 23:50 and still open at 00:10 began yesterday.
std::optional<TDateTime> PlaceTimeOfDay(const std::string& cellText, TDateTime now);

MachineState StateOf(const TMachineRow& row);

// efficiencies: each machine's efficiency as the settings file holds it, read as the estimate reads it.
std::shared_ptr<const View> BuildView(const TJobBoard& board,
                                      const std::array<std::string, kMachineCount>& efficiencies,
                                      std::shared_ptr<const TodayJobs> today, TDateTime now,
                                      std::int32_t utcOffsetS, std::string shareLag = {});

}  // namespace kerfolio::live
