#include "reports/period_sums.h"

#include <algorithm>
#include <numeric>

namespace kerfolio {

int PeriodSummer::SlotOfNewDay(Day day) {
    // The label is made once per period, not once per day.
    const auto [found, added] = slotOfPeriod_.try_emplace(PeriodStart(day, grouping_), int(periods_.size()));
    if (added) periods_.push_back(PeriodOf(day, grouping_));
    const int slot = found->second;
    recentDays_[1] = recentDays_[0];
    recentSlots_[1] = recentSlots_[0];
    recentDays_[0] = day;
    recentSlots_[0] = slot;
    return slot;
}

void PeriodSummer::Add(int machine, const DatedJob& dated) {
    const int slot = SlotOf(dated.finishDay);
    if (std::size_t(machine) >= totals_.size()) totals_.resize(std::size_t(machine) + 1);
    std::vector<Totals>& row = totals_[std::size_t(machine)];
    if (std::size_t(slot) >= row.size()) row.resize(periods_.size());
    Totals& sum = row[std::size_t(slot)];
    ++sum.jobs;
    sum.amount += dated.job.amount;
    sum.machining += dated.machining;
    sum.jump += dated.job.jump;
    sum.wireBreak += dated.job.wireBreak;
    sum.net += dated.net;
}

std::vector<PeriodSums> PeriodSummer::Sums(const std::vector<std::string>& names, Day first, Day last) const {
    std::vector<int> machines(totals_.size());
    std::iota(machines.begin(), machines.end(), 0);
    std::sort(machines.begin(), machines.end(), [&](int a, int b) { return names[a] < names[b]; });
    std::vector<int> slots;
    for (const auto& [start, slot] : slotOfPeriod_)
        slots.push_back(slot);

    std::vector<PeriodSums> result;
    for (const int machine : machines) {
        const std::vector<Totals>& row = totals_[std::size_t(machine)];
        for (const int slot : slots) {
            if (std::size_t(slot) >= row.size() || row[std::size_t(slot)].jobs == 0) continue;
            const Totals& totals = row[std::size_t(slot)];
            const Period& period = periods_[std::size_t(slot)];
            PeriodSums sum;
            sum.machine = names[std::size_t(machine)];
            sum.period = period;
            sum.jobs = totals.jobs;
            sum.amount = totals.amount;
            sum.machining = totals.machining;
            sum.jump = totals.jump;
            sum.wireBreak = totals.wireBreak;
            sum.net = totals.net;
            if (sum.net > 0) sum.efficiency = double(sum.amount) / (double(sum.net) / 60.0);
            const Day from = std::max(sum.period.first, first);
            const Day to = std::min(sum.period.last, last);
            const double seconds = double((to - from).count() + 1) * kSecondsPerDay;
            sum.share = double(sum.net) / seconds;
            result.push_back(std::move(sum));
        }
    }
    return result;
}

}  // namespace kerfolio
