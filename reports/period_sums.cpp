#include "reports/period_sums.h"

#include <algorithm>

namespace kerfolio {

int PeriodSummer::SlotOfNewDay(Day day) {
    const auto [found, added] = slotOfDay_.try_emplace(day, int(slotOfDay_.size()));
    const int slot = found->second;
    recentDays_[1] = recentDays_[0];
    recentSlots_[1] = recentSlots_[0];
    recentDays_[0] = day;
    recentSlots_[0] = slot;
    return slot;
}

PeriodSummer::Totals& PeriodSummer::At(int machine, Day day) {
    const int slot = SlotOf(day);
    if (std::size_t(machine) >= totals_.size()) totals_.resize(std::size_t(machine) + 1);
    std::vector<Totals>& row = totals_[std::size_t(machine)];
    if (std::size_t(slot) >= row.size()) row.resize(slotOfDay_.size());
    return row[std::size_t(slot)];
}

void PeriodSummer::AddJob(int machine, const DatedJob& dated) {
    Totals& sum = At(machine, dated.finishDay);
    ++sum.jobs;
    sum.amount += dated.job.amount;
}

void PeriodSummer::AddTime(int machine, const DatedJob& dated) {
    for (const DayPart& part : SplitAtMidnight(dated)) {
        Totals& sum = At(machine, part.day);
        sum.machining += part.machining;
        sum.jump += part.jump;
        sum.wireBreak += part.wireBreak;
        sum.net += part.net;
    }
}

std::map<Day, PeriodSummer::Totals> PeriodSummer::ByPeriod(int machine, Day first, Day last) const {
    std::map<Day, Totals> periods;
    if (std::size_t(machine) >= totals_.size()) return periods;
    const std::vector<Totals>& row = totals_[std::size_t(machine)];
    for (auto it = slotOfDay_.lower_bound(first); it != slotOfDay_.end() && it->first <= last; ++it) {
        if (std::size_t(it->second) >= row.size() || row[std::size_t(it->second)].Empty()) continue;
        const Totals& day = row[std::size_t(it->second)];
        Totals& sum = periods[PeriodStart(it->first, grouping_)];
        sum.jobs += day.jobs;
        sum.amount += day.amount;
        sum.machining += day.machining;
        sum.jump += day.jump;
        sum.wireBreak += day.wireBreak;
        sum.net += day.net;
    }
    return periods;
}

PeriodSums PeriodSummer::Finish(const std::string& name, const Period& period, const Totals& totals,
                                Day first, Day last) {
    PeriodSums sum;
    sum.machine = name;
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
    return sum;
}

std::vector<PeriodSums> PeriodSummer::Sums(const std::vector<int>& order,
                                           const std::vector<std::string>& names, Day first, Day last) const {
    const bool years = std::chrono::year_month_day(first).year() != std::chrono::year_month_day(last).year();
    std::vector<PeriodSums> result;
    for (const int machine : order) {
        for (const auto& [start, totals] : ByPeriod(machine, first, last))
            result.push_back(
                Finish(names[std::size_t(machine)], PeriodOf(start, grouping_, years), totals, first, last));
    }
    return result;
}

std::vector<PeriodSums> PeriodSummer::Whole(const std::vector<int>& order,
                                            const std::vector<std::string>& names, Day first, Day last,
                                            const std::string& label) const {
    std::vector<PeriodSums> result;
    for (const int machine : order) {
        PeriodSummer::Totals whole;
        for (const auto& [start, totals] : ByPeriod(machine, first, last)) {
            whole.jobs += totals.jobs;
            whole.amount += totals.amount;
            whole.machining += totals.machining;
            whole.jump += totals.jump;
            whole.wireBreak += totals.wireBreak;
            whole.net += totals.net;
        }
        if (whole.Empty()) continue;
        result.push_back(Finish(names[std::size_t(machine)], Period{first, last, label}, whole, first, last));
    }
    return result;
}

}  // namespace kerfolio
