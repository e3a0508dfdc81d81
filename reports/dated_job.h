#pragma once

#include <array>
#include <cstddef>

#include "reports/calendar.h"
#include "storage/report_line.h"

namespace kerfolio {

// A job's figures placed in time: the day it finished and how long it ran. The machine is kept by
// whoever holds the job, as a number: a year holds tens of thousands of jobs and a handful of names.
// A moment on the local calendar: its day and the second of that day.
struct LocalMoment {
    Day day;
    int second = 0;
};

struct DatedJob {
    JobFigures job;
    Day finishDay;
    int machining = 0;  // seconds from start to finish
    int net = 0;        // machining minus jumps and wire breaks, never below 0
};

constexpr int kSecondsPerDay = 86'400;

// The archive of a file dated fileDate ran at archiveSecond of that day and took the jobs finished since
// the archive before. So a finish later in the day than the archive time was on the day before; one at
// or before it was on the file's date.
Day FinishDay(Day fileDate, int archiveSecond, int finishSecond);

// Seconds from start to finish; a finish earlier than the start crossed midnight (once: a job is taken
// to run less than a day).
int MachiningSeconds(int startSecond, int finishSecond);

DatedJob PlaceJob(const JobFigures& job, Day fileDate, int archiveSecond);

// The part of a job's start-to-finish interval that fell on one calendar day. The line holds only the
// totals of jumps and wire breaks, so each day takes its share of them in proportion to its part of
// the interval.
struct DayPart {
    Day day;
    int machining = 0;
    int jump = 0;
    int wireBreak = 0;
    int net = 0;
};

// One or two parts, without a heap allocation per job: a decade of archives is a million jobs.
struct DayParts {
    std::array<DayPart, 2> parts;
    std::size_t count = 0;
    const DayPart* begin() const { return parts.data(); }
    const DayPart* end() const { return parts.data() + count; }
};

// The job's interval split at midnight: one part, or two for a job that ran across it. Each part's
// seconds add up to the job's own.
DayParts SplitAtMidnight(const DatedJob& dated);

}  // namespace kerfolio
