#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {

// One machine's work in one period. Times are seconds.
struct PeriodSums {
    std::string machine;
    Period period;
    int jobs = 0;  // jobs finished in the period
    std::int64_t amount = 0;
    std::int64_t machining = 0;  // the part of every job's start-to-finish interval within the period
    std::int64_t jump = 0;       // the period's share of the jumps and wire breaks
    std::int64_t wireBreak = 0;
    std::int64_t net = 0;
    // mm² per net cutting minute of the jobs finished in the period, each with the whole of its time (a
    // day's split time against the amounts finished on it would rate a day that ends a long job at
    // hundreds); none without such cutting time.
    std::optional<double> efficiency;
    double share = 0;  // net cutting time over the period's length within the range
};

// One machine's figures in one period, as summed; PeriodSums is made from them when a row is asked for.
struct PeriodTotals {
    int jobs = 0;
    std::int64_t amount = 0, machining = 0, jump = 0, wireBreak = 0, net = 0;
    std::int64_t finishedNet = 0;  // the whole net time of the jobs finished, for their efficiency
    bool Empty() const { return jobs == 0 && machining == 0; }
    void Add(const PeriodTotals& other);
};

// The report's rows of every machine and period: machines in the order given, then periods in time
// order, none for a period a machine has nothing in. A row is made, with its machine's name and its
// period's label, only when asked for, from the one copy of the totals: a decade by the day is a
// hundred thousand rows, which held made would take twice the totals' room and then some.
class PeriodRows {
  public:
    // Yields each row by value, so a loop over the rows holds one at a time.
    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = PeriodSums;
        using difference_type = std::ptrdiff_t;
        using reference = PeriodSums;
        using pointer = void;
        Iterator(const PeriodRows* rows, std::size_t row) : rows_(rows), row_(row) {}
        PeriodSums operator*() const { return (*rows_)[row_]; }
        Iterator& operator++() {
            ++row_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return row_ == other.row_; }

      private:
        const PeriodRows* rows_;
        std::size_t row_;
    };

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    PeriodSums operator[](std::size_t row) const;
    // The row's machine, without making the row.
    const std::string& MachineOf(std::size_t row) const;
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, rows_.size()}; }

  private:
    friend class PeriodSummer;
    struct Row {
        int machine;
        int slot;
    };
    struct Slot {
        Day start;       // the period's first day
        double seconds;  // the time its share is of
    };
    Grouping grouping_ = Grouping::Day;
    bool withYear_ = false;
    std::vector<std::string> names_;  // by machine number
    std::vector<Slot> slots_;
    std::vector<std::vector<PeriodTotals>> totals_;  // [machine][slot]
    std::vector<Row> rows_;
};

// Sums per machine and period. A job counts (jobs, amount) in the period of its finish; its time counts
// on the calendar days it ran, split at midnight. Only the days of the report count: from and to when
// given, else every day a job ran. Machines are numbers from 0, named only when the sums are taken.
class PeriodSummer {
  public:
    PeriodSummer(Grouping grouping, std::optional<Day> from, std::optional<Day> to)
        : grouping_(grouping), from_(from), to_(to) {}

    // The job's count and amount on its finish day; only for a job finished within the range.
    void AddJob(int machine, const DatedJob& dated);
    // The job's time on each day it ran that is one of the report's.
    void AddTime(int machine, const DatedJob& dated);
    // Time already split into days, as a journal's exact instants split it.
    void AddParts(int machine, const DayPart* begin, const DayPart* end);

    // The sums of the days from first to last, machines in the order given (names[machine]) and
    // periods in time order. The first and last period count only their days from first to last, so a
    // report starting mid-month shows a fair share; and shares only the days from covered on, the
    // first the archives cover. The totals move into the rows: the summer is spent, asked for nothing
    // after it.
    PeriodRows TakeRows(const std::vector<int>& order, const std::vector<std::string>& names, Day first,
                        Day last, Day covered);

    // One row per machine for the whole of first to last, labelled with label.
    std::vector<PeriodSums> Whole(const std::vector<int>& order, const std::vector<std::string>& names,
                                  Day first, Day last, Day covered, const std::string& label) const;

    // The machines of order together: their share is of all their time.
    PeriodSums Shop(const std::vector<int>& order, Day first, Day last, Day covered, const std::string& name,
                    const std::string& label) const;

  private:
    using Totals = PeriodTotals;
    Totals& At(int machine, Day day);
    int SlotOf(Day day);
    Totals WholeOf(int machine) const;

    Grouping grouping_;
    std::optional<Day> from_, to_;
    std::map<Day, int> slotOfPeriod_;          // by the period's first day
    std::vector<std::vector<Totals>> totals_;  // [machine][slot of the period]
};

}  // namespace kerfolio
