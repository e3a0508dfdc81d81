#include "reports/overlapping_jobs.h"

#include <algorithm>

namespace kerfolio {

std::optional<LinePlace> OverlappingJobs::Overlaps(int machine, const DatedJob& dated, LinePlace place) {
    const std::int64_t finish =
        std::int64_t(dated.finishDay.time_since_epoch().count()) * kSecondsPerDay + dated.job.finish;
    const Interval job{finish - dated.machining, finish, place};
    if (std::size_t(machine) >= machines_.size()) machines_.resize(std::size_t(machine) + 1);
    Recent& recent = machines_[std::size_t(machine)];
    if (job.start < recent.latestFinish) {
        // Oldest first, so the earliest of several overlapped jobs is the one named.
        const std::size_t oldest = recent.count < kKept ? 0 : recent.next;
        for (std::size_t i = 0; i < recent.count; ++i) {
            const Interval& other = recent.jobs[(oldest + i) % kKept];
            if (job.start < other.finish && other.start < job.finish) return other.place;
        }
    }
    recent.latestFinish = std::max(recent.latestFinish, job.finish);
    recent.jobs[recent.next] = job;
    recent.next = (recent.next + 1) % kKept;
    if (recent.count < kKept) ++recent.count;
    return std::nullopt;
}

}  // namespace kerfolio
