#pragma once

#include <array>
#include <cstdint>
#include <map>
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

// Sums per machine and period, job by job. A job counts wholly in the period of its finish. Machines
// are numbers from 0, named only when the sums are taken.
class PeriodSummer {
  public:
    explicit PeriodSummer(Grouping grouping) : grouping_(grouping) {}

    // A job finished within the range the sums are taken for.
    void Add(int machine, const DatedJob& dated);

    // The sums, machines in name order (names[machine]) and periods in time order. The first and last
    // period count only their days from first to last, so a report starting mid-month shows a fair
    // share.
    std::vector<PeriodSums> Sums(const std::vector<std::string>& names, Day first, Day last) const;

  private:
    struct Totals {
        int jobs = 0;
        std::int64_t amount = 0, machining = 0, jump = 0, wireBreak = 0, net = 0;
    };
    int SlotOf(Day day) {
        // Jobs come file by file and a file holds two days: both are remembered before asking the map.
        if (recentDays_[0] == day) return recentSlots_[0];
        if (recentDays_[1] == day) return recentSlots_[1];
        return SlotOfNewDay(day);
    }
    int SlotOfNewDay(Day day);

    Grouping grouping_;
    std::vector<Period> periods_;                            // by slot, in the order first met
    std::map<Day, int> slotOfPeriod_;                        // by the period's first day
    std::array<Day, 2> recentDays_{Day::min(), Day::min()};  // none yet
    std::array<int, 2> recentSlots_{};
    std::vector<std::vector<Totals>> totals_;  // [machine][slot]
};

}  // namespace kerfolio
