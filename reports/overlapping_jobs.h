#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "reports/dated_job.h"
#include "reports/repeated_lines.h"

namespace kerfolio {

// One machine cuts one job at a time; two of its jobs that overlap in time come from hand-edited lines,
// and summing both would count the same hours twice. Jobs come mostly in the order they finished, so
// each is checked against the latest few of its machine.
class OverlappingJobs {
  public:
    // The place of a job of the machine that this one overlaps, or nothing after remembering it.
    std::optional<LinePlace> Overlaps(int machine, const DatedJob& dated, LinePlace place);

  private:
    static constexpr std::size_t kKept = 16;
    struct Interval {
        std::int64_t start, finish;  // seconds since the epoch's midnight, local time
        LinePlace place;
    };
    std::vector<std::deque<Interval>> machines_;
};

}  // namespace kerfolio
