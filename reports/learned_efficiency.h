#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {

// A machine's name and stored cutting efficiency as the program's parameter records hold them.
struct MachineRecord {
    std::string name;
    std::string efficiency;
};

// The six records of a settings file, with the program's defaults for missing keys (and for a missing
// file): names "机床1".."机床6", efficiency "30". Only reads.
std::vector<MachineRecord> ReadMachineRecords(const std::filesystem::path& settingsFile);

enum class Verdict { NoHistory, NoRecord, StoredUnusable, Long, Short, Right };

// What a machine's recent history says about the efficiency its finishing-time estimates use.
struct EfficiencyAdvice {
    std::string machine;
    int jobs = 0;                       // recent jobs with an amount and cutting time
    std::optional<double> learned;      // their median net cutting efficiency: what the wire achieved
    std::optional<std::string> stored;  // the stored efficiency text; none when no record has the name
    std::optional<double> offMinutes;   // median of estimated minus actual finishing time
    Verdict verdict = Verdict::NoHistory;
    // The efficiency with which the estimate would have been right: the median miss is nought. It
    // counts the time between mounting and starting and the wire breaks the net efficiency leaves out,
    // so it always points the way the verdict does.
    std::optional<double> fitting;
    std::optional<int> suggested;  // fitting as the whole number a record can hold
};

// The efficiency at which the median of estimated minus actual finishing time over the jobs is nought,
// the estimate being amount over efficiency plus the jump time after mounting.
double FittingEfficiency(const std::vector<JobFigures>& jobs);

constexpr int kLearningJobs = 20;

// Per machine, from its last 20 jobs with an amount and cutting time, taken job by job. The
// estimate is the program's own: mount time plus amount over efficiency plus the jump time. It runs
// long or short when the median miss exceeds 5 minutes or a tenth of the median job, whichever is more.
class EfficiencyLearner {
  public:
    // Jobs may come in any order: the latest finishes count, and of those finishing at the same
    // second the one added last. recordName is the name a parameter record would carry for the
    // machine (without the folder's name); that of its earliest job is looked up.
    void Add(int machine, const DatedJob& dated, int recordName);

    // The advice per machine that had jobs, in the order given (names[machine]);
    // recordNames[recordName].
    std::vector<EfficiencyAdvice> Advice(const std::vector<int>& order, const std::vector<std::string>& names,
                                         const std::vector<std::string>& recordNames,
                                         const std::vector<MachineRecord>& records) const;

  private:
    struct Recent {
        Day finishDay;
        int finish;
        JobFigures job;
        int net;
    };
    struct History {
        bool seen = false;
        Day firstDay{};
        int firstFinish = 0;
        int recordName = 0;
        // Oldest first: the latest kLearningJobs and up to as many older ones, dropped in one go.
        std::vector<Recent> recent;
    };
    static bool Earlier(const Recent& a, const Recent& b);

    std::vector<History> machines_;
};

// The advice in words: the verdict and, with a history, the efficiency it suggests.
std::string AdviceText(const EfficiencyAdvice& advice);

}  // namespace kerfolio
