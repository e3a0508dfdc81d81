#include "journal/job_times.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "journal/journal_schema.h"

namespace kerfolio::journal {
namespace {

constexpr std::int64_t kDayMs = 86'400'000;

// Completion field positions.
enum Field : std::size_t { kMachine, kWorkpiece, kMount, kStart, kJump, kBreak, kFinish, kAmount };

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::optional<std::int64_t> TimeOfDayMs(const std::string& text) {
    const auto value = TryParseTimeText(text);
    if (!value) return std::nullopt;
    return static_cast<std::int64_t>(std::llround(*value * kMsPerDay));
}

std::optional<Stamp> LastOf(const std::vector<MachineEvent>& events, const char* kind) {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
        if (it->kind == kind) return it->stamp;
    return std::nullopt;
}

// A time field of the job: its stamp where the operator kept what was shown; otherwise the typed time
// placed near its stamp, or before the next step of the job when there is no stamp.
std::optional<std::int64_t> PlaceField(const Completion& c, Field field, std::optional<Stamp> stamp,
                                       Stamp nextStep) {
    if (stamp && c.stamped[field] == c.confirmed[field]) return stamp->utcMs;
    const auto timeOfDay = TimeOfDayMs(c.confirmed[field]);
    if (!timeOfDay) return stamp ? std::optional(stamp->utcMs) : std::nullopt;
    return stamp ? NearestInstant(*timeOfDay, *stamp) : LatestInstantBefore(*timeOfDay, nextStep);
}

void CollectIntervals(const std::vector<MachineEvent>& events, const char* beginKind, const char* endKind,
                      const char* name, JobTimes& times) {
    const MachineEvent* open = nullptr;
    for (const MachineEvent& event : events) {
        if (event.kind == beginKind) open = &event;
        if (event.kind == endKind && open) {
            times.intervals.push_back({name, open->stamp.utcMs, event.stamp.utcMs});
            open = nullptr;
        }
    }
}

std::int64_t SumOf(const std::vector<Interval>& intervals, const char* name) {
    std::int64_t sum = 0;
    for (const Interval& interval : intervals)
        // A clock set back inside the interval leaves its end before its begin: it stopped nothing.
        if (interval.kind == name) sum += std::max<std::int64_t>(0, interval.endUtcMs - interval.beginUtcMs);
    return sum;
}

}  // namespace

std::int64_t NearestInstant(std::int64_t timeOfDayMs, Stamp reference) {
    const std::int64_t offsetMs = std::int64_t{reference.offsetS} * 1000;
    const std::int64_t day = FloorDiv(reference.utcMs + offsetMs, kDayMs);
    std::int64_t best = 0;
    for (std::int64_t d = day - 1; d <= day + 1; ++d) {
        const std::int64_t candidate = d * kDayMs + timeOfDayMs - offsetMs;
        if (d == day - 1 || std::llabs(candidate - reference.utcMs) < std::llabs(best - reference.utcMs))
            best = candidate;
    }
    return best;
}

std::int64_t LatestInstantBefore(std::int64_t timeOfDayMs, Stamp bound) {
    const std::int64_t offsetMs = std::int64_t{bound.offsetS} * 1000;
    const std::int64_t day = FloorDiv(bound.utcMs + offsetMs, kDayMs);
    const std::int64_t sameDay = day * kDayMs + timeOfDayMs - offsetMs;
    return sameDay <= bound.utcMs ? sameDay : sameDay - kDayMs;
}

JobTimes ComputeJobTimes(const std::vector<MachineEvent>& jobEvents, Stamp unmount, const Completion& c) {
    JobTimes times;
    times.utcOffsetS = unmount.offsetS;
    times.stampedDiffers = c.stamped != c.confirmed;

    times.finishUtcMs = *PlaceField(c, kFinish, unmount, unmount);
    const Stamp finish{times.finishUtcMs, unmount.offsetS};
    const std::optional<Stamp> started = LastOf(jobEvents, kind::kStarted);
    times.startUtcMs = PlaceField(c, kStart, started, finish).value_or(times.finishUtcMs);
    const Stamp start{times.startUtcMs, started ? started->offsetS : unmount.offsetS};
    const std::optional<Stamp> mounted = LastOf(jobEvents, kind::kMounted);
    times.mountUtcMs = PlaceField(c, kMount, mounted, start);

    CollectIntervals(jobEvents, kind::kJumpStart, kind::kJumpEnd, "jump", times);
    CollectIntervals(jobEvents, kind::kBreakStart, kind::kBreakEnd, "break", times);
    // Only a journal that saw the job begin knows every interval of it.
    const bool seenWhole = mounted || started;
    const auto total = [&](Field field, const char* name) -> std::int64_t {
        if (seenWhole && c.stamped[field] == c.confirmed[field]) return SumOf(times.intervals, name);
        return TimeOfDayMs(c.confirmed[field]).value_or(SumOf(times.intervals, name));
    };
    times.jumpMs = total(kJump, "jump");
    times.breakMs = total(kBreak, "break");
    return times;
}

TDateTime LocalDateTime(Stamp stamp) {
    // 25569 days from 1899-12-30 to 1970-01-01.
    const std::int64_t localMs = stamp.utcMs + std::int64_t{stamp.offsetS} * 1000;
    return 25'569.0 + static_cast<double>(localMs) / kMsPerDay;
}

}  // namespace kerfolio::journal
