#include "reports/overlapping_jobs.h"

namespace kerfolio {

std::optional<LinePlace> OverlappingJobs::Overlaps(int machine, const DatedJob& dated, LinePlace place) {
    const std::int64_t finish =
        std::int64_t(dated.finishDay.time_since_epoch().count()) * kSecondsPerDay + dated.job.finish;
    const Interval job{finish - dated.machining, finish, place};
    if (std::size_t(machine) >= machines_.size()) machines_.resize(std::size_t(machine) + 1);
    std::deque<Interval>& recent = machines_[std::size_t(machine)];
    for (const Interval& other : recent) {
        if (job.start < other.finish && other.start < job.finish) return other.place;
    }
    recent.push_back(job);
    if (recent.size() > kKept) recent.pop_front();
    return std::nullopt;
}

}  // namespace kerfolio
