#include "reports/period_sums.h"

#include <algorithm>
#include <span>

#include "reports/local_days.h"

namespace kerfolio {

namespace {

// The seconds of the period's days from first (or covered) to last, over the days' real length (23 or
// 25 hours on the days the clocks change); none for a period wholly before the archives begin.
double ShareSeconds(const Period& period, Day first, Day last, Day covered) {
    const Day from = std::max({period.first, first, covered});
    const Day to = std::min(period.last, last);
    return to < from ? 0.0 : double(LocalSeconds(from, to));
}

// seconds: the time the period's share is of, that of as many machines as the totals hold.
PeriodSums Finish(const std::string& name, const Period& period, const PeriodTotals& totals, double seconds) {
    PeriodSums sum;
    sum.machine = name;
    sum.period = period;
    sum.jobs = totals.jobs;
    sum.amount = totals.amount;
    sum.machining = totals.machining;
    sum.jump = totals.jump;
    sum.wireBreak = totals.wireBreak;
    sum.net = totals.net;
    if (totals.finishedNet > 0) sum.efficiency = double(sum.amount) / (double(totals.finishedNet) / 60.0);
    sum.share = seconds > 0 ? double(sum.net) / seconds : 0;
    return sum;
}

}  // namespace

void PeriodTotals::Add(const PeriodTotals& other) {
    jobs += other.jobs;
    amount += other.amount;
    machining += other.machining;
    jump += other.jump;
    wireBreak += other.wireBreak;
    net += other.net;
    finishedNet += other.finishedNet;
}

int PeriodSummer::SlotOf(Day day) {
    return slotOfPeriod_.try_emplace(PeriodStart(day, grouping_), int(slotOfPeriod_.size())).first->second;
}

PeriodSummer::Totals& PeriodSummer::At(int machine, Day day) {
    const int slot = SlotOf(day);
    if (std::size_t(machine) >= totals_.size()) totals_.resize(std::size_t(machine) + 1);
    std::vector<Totals>& row = totals_[std::size_t(machine)];
    if (std::size_t(slot) >= row.size()) row.resize(slotOfPeriod_.size());
    return row[std::size_t(slot)];
}

void PeriodSummer::AddJob(int machine, const DatedJob& dated) {
    Totals& sum = At(machine, dated.finishDay);
    ++sum.jobs;
    sum.amount += dated.job.amount;
    sum.finishedNet += dated.net;
}

void PeriodSummer::AddTime(int machine, const DatedJob& dated) {
    const DayParts parts = SplitAtMidnight(dated);
    AddParts(machine, parts.begin(), parts.end());
}

void PeriodSummer::AddParts(int machine, const DayPart* begin, const DayPart* end) {
    for (const DayPart& part : std::span(begin, end)) {
        if ((from_ && part.day < *from_) || (to_ && part.day > *to_)) continue;
        At(machine, part.day).Add(Totals{0, 0, part.machining, part.jump, part.wireBreak, part.net, 0});
    }
}

PeriodSummer::Totals PeriodSummer::WholeOf(int machine) const {
    Totals whole;
    if (std::size_t(machine) < totals_.size()) {
        for (const Totals& totals : totals_[std::size_t(machine)])
            whole.Add(totals);
    }
    return whole;
}

PeriodSums PeriodRows::operator[](std::size_t row) const {
    const Row& at = rows_[row];
    const std::size_t machine = std::size_t(at.machine), slot = std::size_t(at.slot);
    return Finish(names_[machine], PeriodOf(slots_[slot].start, grouping_, withYear_), totals_[machine][slot],
                  slots_[slot].seconds);
}

const std::string& PeriodRows::MachineOf(std::size_t row) const {
    return names_[std::size_t(rows_[row].machine)];
}

PeriodRows PeriodSummer::TakeRows(const std::vector<int>& order, const std::vector<std::string>& names,
                                  Day first, Day last, Day covered) {
    PeriodRows rows;
    rows.grouping_ = grouping_;
    rows.withYear_ = std::chrono::year_month_day(first).year() != std::chrono::year_month_day(last).year();
    rows.names_ = names;
    // Once a period, not once a row made: a day's length asks the time zone.
    rows.slots_.resize(slotOfPeriod_.size());
    for (const auto& [start, slot] : slotOfPeriod_) {
        rows.slots_[std::size_t(slot)] = {start,
                                          ShareSeconds(PeriodOf(start, grouping_), first, last, covered)};
    }
    std::size_t count = 0;
    for (const int machine : order) {
        if (std::size_t(machine) < totals_.size()) count += totals_[std::size_t(machine)].size();
    }
    rows.rows_.reserve(count);
    for (const int machine : order) {
        if (std::size_t(machine) >= totals_.size()) continue;
        const std::vector<Totals>& row = totals_[std::size_t(machine)];
        for (const auto& [start, slot] : slotOfPeriod_) {
            if (std::size_t(slot) < row.size() && !row[std::size_t(slot)].Empty())
                rows.rows_.push_back({machine, slot});
        }
    }
    rows.totals_ = std::move(totals_);
    totals_.clear();
    slotOfPeriod_.clear();
    return rows;
}

std::vector<PeriodSums> PeriodSummer::Whole(const std::vector<int>& order,
                                            const std::vector<std::string>& names, Day first, Day last,
                                            Day covered, const std::string& label) const {
    std::vector<PeriodSums> result;
    const Period period{first, last, label};
    const double seconds = ShareSeconds(period, first, last, covered);
    for (const int machine : order) {
        const Totals whole = WholeOf(machine);
        if (whole.Empty()) continue;
        result.push_back(Finish(names[std::size_t(machine)], period, whole, seconds));
    }
    return result;
}

PeriodSums PeriodSummer::Shop(const std::vector<int>& order, Day first, Day last, Day covered,
                              const std::string& name, const std::string& label) const {
    Totals shop;
    std::size_t machines = 0;
    for (const int machine : order) {
        const Totals whole = WholeOf(machine);
        if (whole.Empty()) continue;
        shop.Add(whole);
        ++machines;
    }
    const Period whole{first, last, label};
    return Finish(name, whole, shop,
                  ShareSeconds(whole, first, last, covered) * double(std::max<std::size_t>(machines, 1)));
}

}  // namespace kerfolio
