#include "reports/period_sums.h"

#include <algorithm>
#include <map>
#include <utility>

namespace kerfolio {

std::vector<PeriodSums> SumPeriods(const std::vector<DatedJob>& jobs, Grouping grouping, Day first,
                                   Day last) {
    std::map<std::pair<std::string, Day>, PeriodSums> sums;
    // Jobs come file by file, so neighbours mostly share a day; its period is worked out once.
    std::optional<Day> periodDay;
    Period period;
    for (const DatedJob& dated : jobs) {
        if (dated.finishDay < first || dated.finishDay > last) continue;
        if (periodDay != dated.finishDay) {
            period = PeriodOf(dated.finishDay, grouping);
            periodDay = dated.finishDay;
        }
        PeriodSums& sum = sums[{dated.machine, period.first}];
        if (sum.jobs == 0) {
            sum.machine = dated.machine;
            sum.period = period;
        }
        ++sum.jobs;
        sum.amount += dated.job.amount;
        sum.machining += dated.machining;
        sum.jump += dated.job.jump;
        sum.wireBreak += dated.job.wireBreak;
        sum.net += dated.net;
    }
    std::vector<PeriodSums> result;
    result.reserve(sums.size());
    for (auto& [key, sum] : sums) {
        if (sum.net > 0) sum.efficiency = double(sum.amount) / (double(sum.net) / 60.0);
        const Day from = std::max(sum.period.first, first);
        const Day to = std::min(sum.period.last, last);
        const double seconds = double((to - from).count() + 1) * kSecondsPerDay;
        sum.share = double(sum.net) / seconds;
        result.push_back(std::move(sum));
    }
    return result;
}

}  // namespace kerfolio
