#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/event.h"

namespace kerfolio::journal {

// An event of the job's machine as the journal holds it.
struct MachineEvent {
    std::string kind;
    Stamp stamp;
};

struct Interval {
    std::string kind;  // "jump" or "break"
    std::int64_t beginUtcMs = 0;
    std::int64_t endUtcMs = 0;
    friend bool operator==(const Interval&, const Interval&) = default;
};

struct JobTimes {
    std::optional<std::int64_t> mountUtcMs;
    std::int64_t startUtcMs = 0;
    std::int64_t finishUtcMs = 0;
    std::int32_t utcOffsetS = 0;  // at finish
    std::int64_t jumpMs = 0;
    std::int64_t breakMs = 0;
    std::vector<Interval> intervals;
    bool stampedDiffers = false;
};

// The absolute times of a finished job. jobEvents: the machine's events since the job's mount (or since
// its previous job, when the journal missed the mount), oldest first; unmount: the unmount click's stamp.
JobTimes ComputeJobTimes(const std::vector<MachineEvent>& jobEvents, Stamp unmount,
                         const Completion& completion);

// The instant nearest reference whose local time of day (at reference's offset) is timeOfDayMs.
std::int64_t NearestInstant(std::int64_t timeOfDayMs, Stamp reference);

// The latest instant not after bound whose local time of day (at bound's offset) is timeOfDayMs.
std::int64_t LatestInstantBefore(std::int64_t timeOfDayMs, Stamp bound);

}  // namespace kerfolio::journal
