#include "reports/learned_efficiency.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "board/integer_text.h"
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

}  // namespace

std::vector<MachineRecord> ReadMachineRecords(const std::filesystem::path& settingsFile) {
    const SettingsFile settings(settingsFile);
    std::vector<MachineRecord> records;
    for (int machine = 1; machine <= 6; ++machine) {
        const std::string prefix = std::string("a") + char('a' + machine - 1);
        records.push_back({settings.Read("save", prefix + "1", "机床" + std::to_string(machine)),
                           settings.Read("save", prefix + "6", "30")});
    }
    return records;
}

std::vector<EfficiencyAdvice> LearnEfficiency(const std::vector<DatedJob>& jobs,
                                              const std::vector<MachineRecord>& records) {
    std::map<std::string, std::vector<const DatedJob*>> byMachine;
    for (const DatedJob& dated : jobs)
        byMachine[dated.machine].push_back(&dated);

    std::vector<EfficiencyAdvice> result;
    for (auto& [machine, list] : byMachine) {
        EfficiencyAdvice advice;
        advice.machine = machine;
        std::stable_sort(list.begin(), list.end(), [](const DatedJob* a, const DatedJob* b) {
            return a->finishDay != b->finishDay ? a->finishDay < b->finishDay : a->job.finish < b->job.finish;
        });
        std::vector<const DatedJob*> recent;
        for (auto it = list.rbegin(); it != list.rend() && int(recent.size()) < kLearningJobs; ++it) {
            if ((*it)->job.amount > 0 && (*it)->net > 0) recent.push_back(*it);
        }
        const MachineRecord* record = FindRecord(records, list.front()->job.machine);
        if (record) advice.stored = record->efficiency;
        advice.jobs = int(recent.size());
        if (recent.empty()) {
            result.push_back(std::move(advice));
            continue;
        }

        std::vector<double> achieved;
        for (const DatedJob* dated : recent)
            achieved.push_back(dated->job.amount / (dated->net / 60.0));
        advice.learned = Median(achieved);
        advice.suggested = std::clamp(int(std::lround(*advice.learned)), 1, 999);

        if (!record) {
            advice.verdict = Verdict::NoRecord;
        } else if (!IsIntegerText(record->efficiency) || ParseIntegerText(record->efficiency) <= 0) {
            advice.verdict = Verdict::StoredUnusable;
        } else {
            const double efficiency = ParseIntegerText(record->efficiency);
            std::vector<double> misses;
            std::vector<double> actuals;
            for (const DatedJob* dated : recent) {
                const double actual = MachiningSeconds(dated->job.mount, dated->job.finish) / 60.0;
                const double estimated = dated->job.amount / efficiency + dated->job.jump / 60.0;
                misses.push_back(estimated - actual);
                actuals.push_back(actual);
            }
            advice.offMinutes = Median(misses);
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
    return text + rmsg::kSuggestPrefix + std::to_string(*advice.suggested);
}

}  // namespace kerfolio
