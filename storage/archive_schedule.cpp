#include "storage/archive_schedule.h"

#include <algorithm>

namespace kerfolio {
namespace {

constexpr std::int64_t kDay = 86'400;

std::int64_t DayStart(std::int64_t second) {
    return (second >= 0 ? second / kDay : (second - kDay + 1) / kDay) * kDay;
}

}  // namespace

ArchiveSchedule::ArchiveSchedule(std::optional<std::int64_t> recorded)
    : handled_(recorded), recorded_(recorded) {}

std::int64_t ArchiveSchedule::LatestMoment(std::int64_t second, std::int64_t timeOfDay) {
    const std::int64_t moment = DayStart(second) + timeOfDay;
    return moment <= second ? moment : moment - kDay;
}

std::int64_t ArchiveSchedule::NextMoment(std::int64_t second, std::int64_t timeOfDay) {
    const std::int64_t moment = DayStart(second) + timeOfDay;
    return moment > second ? moment : moment + kDay;
}

ArchiveSchedule::Step ArchiveSchedule::Tick(std::int64_t now, bool on, std::int64_t timeOfDay) {
    Step step;
    if (!on) {
        // Moments passed while the archive was off are not owed once it is on again.
        wasOff_ = true;
        failed_.reset();
        timeOfDay_ = timeOfDay;
        return step;
    }
    // Nothing owed before this second: the current second's moment still archives at this tick.
    const std::int64_t passed = LatestMoment(now - 1, timeOfDay);
    if (!handled_) {
        handled_ = passed;  // a first run has no past worth filing
    } else if (wasOff_ || (timeOfDay_ && *timeOfDay_ != timeOfDay)) {
        // Switched on, or the archive time moved: a moment that lies behind only because of that was
        // never missed (the picker acts while the operator is still typing).
        handled_ = std::max(*handled_, passed);
    }
    // A record in the future means the clock went back; waiting for that moment would skip days.
    if (*handled_ > now) handled_ = passed;
    wasOff_ = false;
    timeOfDay_ = timeOfDay;
    if (running_) return step;

    const std::int64_t latest = LatestMoment(now, timeOfDay);
    if (latest > *handled_) {
        // The lines cannot be told apart by day: all of them go under the first moment missed.
        const std::int64_t first = NextMoment(*handled_, timeOfDay);
        step.archive = Archive{first, now - first > kLateSeconds, false, failed_.has_value()};
        failed_.reset();
        handled_ = latest;
    } else if (failed_ && (now - failed_->at >= kRetrySeconds || now < failed_->at)) {
        step.archive = failed_->archive;
        step.archive->retry = true;
        step.archive->afterFailure = true;
    } else if (!failed_ && recorded_ != handled_) {
        step.record = recorded_ = handled_;
    }
    running_ = step.archive;
    return step;
}

ArchiveSchedule::Step ArchiveSchedule::Finished(bool written, std::int64_t now) {
    Step step;
    if (!running_) return step;
    const Archive ended = *running_;
    running_.reset();
    if (written) {
        failed_.reset();
        // A record stored only once the day file is safe: closed while failing, the next start makes the
        // failed moment up.
        if (recorded_ != handled_) step.record = recorded_ = handled_;
    } else {
        failed_ = Failure{ended, now};
    }
    return step;
}

}  // namespace kerfolio
