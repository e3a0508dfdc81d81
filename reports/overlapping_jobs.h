#pragma once

#include <array>
#include <cstdint>
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
    // The latest jobs of one machine in a ring, oldest at next once it is full: checked every line, so
    // kept in one piece.
    struct Recent {
        std::array<Interval, kKept> jobs;
        std::size_t count = 0, next = 0;
        // The latest finish of the machine so far: a job starting at or after it overlaps none of the
        // kept, which is the usual case of jobs met in the order they finished.
        std::int64_t latestFinish = INT64_MIN;
    };
    std::vector<Recent> machines_;
};

}  // namespace kerfolio
