#include "reports/learned_efficiency.h"

#include <algorithm>
#include <cmath>

#include "board/integer_text.h"
#include "board/job_board.h"
#include "machines/machine_params.h"
#include "reports/messages.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

const MachineRecord* FindRecord(const std::vector<MachineRecord>& records, const std::string& name) {
    for (const MachineRecord& record : records) {
        if (record.name == name) return &record;
    }
    return nullptr;
}

// Estimated minus actual minutes from mounting to finishing, for an efficiency.
double Miss(const JobFigures& job, double efficiency) {
    const int actual = job.mountToFinish >= 0 ? job.mountToFinish : MachiningSeconds(job.mount, job.finish);
    return job.amount / efficiency + job.jump / 60.0 - actual / 60.0;
}

double MedianMiss(const std::vector<JobFigures>& jobs, double efficiency) {
    std::vector<double> misses;
    misses.reserve(jobs.size());
    for (const JobFigures& job : jobs)
        misses.push_back(Miss(job, efficiency));
    return Median(std::move(misses));
}

}  // namespace

double FittingEfficiency(const std::vector<JobFigures>& jobs) {
    // Each miss falls as the efficiency rises, so their median does too: halve the range until it is
    // nought, on a log scale from far below to far above what any machine cuts.
    double low = 0.01, high = 100'000.0;
    if (MedianMiss(jobs, low) <= 0) return low;
    if (MedianMiss(jobs, high) >= 0) return high;
    for (int step = 0; step < 100; ++step) {
        const double middle = std::sqrt(low * high);
        (MedianMiss(jobs, middle) > 0 ? low : high) = middle;
    }
    return std::sqrt(low * high);
}

std::vector<MachineRecord> ReadMachineRecords(const std::filesystem::path& settingsFile) {
    const SettingsFile settings(settingsFile);
    std::vector<MachineRecord> records;
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        TMachineParams params = ReadMachineParams(settings, machine, "机床" + std::to_string(machine));
        records.push_back({std::move(params.Caption), std::move(params.Efficiency)});
    }
    return records;
}

bool EfficiencyLearner::Earlier(const Recent& a, const Recent& b) {
    return a.finishDay != b.finishDay ? a.finishDay < b.finishDay : a.finish < b.finish;
}

void EfficiencyLearner::Add(int machine, const DatedJob& dated, int recordName) {
    if (std::size_t(machine) >= machines_.size()) machines_.resize(std::size_t(machine) + 1);
    History& history = machines_[std::size_t(machine)];
    if (!history.seen || dated.finishDay < history.firstDay ||
        (dated.finishDay == history.firstDay && dated.job.finish < history.firstFinish)) {
        history.seen = true;
        history.firstDay = dated.finishDay;
        history.firstFinish = dated.job.finish;
        history.recordName = recordName;
    }
    if (dated.job.amount <= 0 || dated.net <= 0) return;
    const Recent job{dated.finishDay, dated.job.finish, dated.job, dated.net};
    std::vector<Recent>& recent = history.recent;
    const std::size_t latest = kLearningJobs;
    // Earlier than the latest kLearningJobs already held: never among them.
    if (recent.size() >= latest && Earlier(job, recent[recent.size() - latest])) return;
    // Jobs mostly come in the order they finished, so this mostly appends. A job goes after those
    // finishing the same second, so of those the one added last counts.
    auto at = recent.end();
    while (at != recent.begin() && Earlier(job, *(at - 1)))
        --at;
    recent.insert(at, job);
    if (recent.size() == 2 * latest) recent.erase(recent.begin(), recent.begin() + latest);
}

std::vector<EfficiencyAdvice> EfficiencyLearner::Advice(const std::vector<int>& order,
                                                        const std::vector<std::string>& names,
                                                        const std::vector<std::string>& recordNames,
                                                        const std::vector<MachineRecord>& records) const {
    std::vector<EfficiencyAdvice> result;
    for (const int machine : order) {
        if (std::size_t(machine) >= machines_.size() || !machines_[std::size_t(machine)].seen) continue;
        const History& history = machines_[std::size_t(machine)];
        EfficiencyAdvice advice;
        advice.machine = names[std::size_t(machine)];
        const std::size_t held = history.recent.size();
        const std::vector<Recent> recent(
            history.recent.begin() +
                static_cast<std::ptrdiff_t>(held - std::min<std::size_t>(held, kLearningJobs)),
            history.recent.end());
        const MachineRecord* record = FindRecord(records, recordNames[std::size_t(history.recordName)]);
        if (record) advice.stored = record->efficiency;
        advice.jobs = int(recent.size());
        if (recent.empty()) {
            result.push_back(std::move(advice));
            continue;
        }

        std::vector<double> achieved;
        std::vector<JobFigures> jobs;
        for (const Recent& r : recent) {
            achieved.push_back(r.job.amount / (r.net / 60.0));
            jobs.push_back(r.job);
        }
        advice.learned = Median(achieved);
        advice.fitting = FittingEfficiency(jobs);
        advice.suggested = std::clamp(int(std::lround(*advice.fitting)), 1, 999);

        if (!record) {
            advice.verdict = Verdict::NoRecord;
        } else if (!IsIntegerText(record->efficiency) || ParseIntegerText(record->efficiency) <= 0) {
            advice.verdict = Verdict::StoredUnusable;
        } else {
            const double efficiency = ParseIntegerText(record->efficiency);
            std::vector<double> actuals;
            actuals.reserve(recent.size());
            for (const Recent& r : recent)
                actuals.push_back(MachiningSeconds(r.job.mount, r.job.finish) / 60.0);
            advice.offMinutes = MedianMiss(jobs, efficiency);
            const double tolerance = std::max(5.0, Median(actuals) / 10.0);
            advice.verdict = *advice.offMinutes > tolerance    ? Verdict::Long
                             : *advice.offMinutes < -tolerance ? Verdict::Short
                                                               : Verdict::Right;
        }
        result.push_back(std::move(advice));
    }
    return result;
}

std::string AdviceText(const EfficiencyAdvice& advice) {
    std::string text;
    switch (advice.verdict) {
        case Verdict::NoHistory:
            return rmsg::kNoHistory;
        case Verdict::NoRecord:
            text = rmsg::kNoRecord;
            break;
        case Verdict::StoredUnusable:
            text = rmsg::kStoredUnreadable;
            break;
        case Verdict::Long:
            text = rmsg::kEstimatesLong;
            break;
        case Verdict::Short:
            text = rmsg::kEstimatesShort;
            break;
        case Verdict::Right:
            text = rmsg::kEstimatesRight;
            break;
    }
    return text + rmsg::kSuggestPrefix + std::to_string(*advice.suggested) + rmsg::kSuggestSuffix;
}

}  // namespace kerfolio
