#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {

// One machine's jobs finished in one period. Times are seconds.
struct PeriodSums {
    std::string machine;
    Period period;
    int jobs = 0;
    std::int64_t amount = 0;
    std::int64_t machining = 0;
    std::int64_t jump = 0;
    std::int64_t wireBreak = 0;
    std::int64_t net = 0;
    std::optional<double> efficiency;  // mm² per net cutting minute; none without cutting time
    double share = 0;                  // net cutting time over the period's length within the range
};

// Sums per machine and period of the jobs finished from first to last (both included), machines in
// name order and periods in time order. A job counts wholly in the period of its finish. The first and
// last period count only their days inside the range, so a report starting mid-month shows a fair share.
std::vector<PeriodSums> SumPeriods(const std::vector<DatedJob>& jobs, Grouping grouping, Day first, Day last);

}  // namespace kerfolio
