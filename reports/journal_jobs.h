#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "journal/report_rows.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {

// A finished job as a PC's journal holds it: absolute instants (ms since 1970 UTC), the machine by its
// number, the exact jump and wire-break intervals.
struct JournalJob {
    struct Interval {
        bool jump = true;  // else a wire break
        std::int64_t beginMs = 0, endMs = 0;
    };
    std::int64_t seq = 0;
    int machine = 0;  // 1..6
    std::string workpiece;
    std::int32_t amount = 0;
    std::optional<std::int64_t> mountMs;
    std::int64_t startMs = 0, finishMs = 0;
    std::int32_t offsetS = 0;  // the PC's offset from UTC at the finish
    std::int64_t jumpMs = 0, breakMs = 0;
    std::vector<Interval> intervals;
    std::string reportLine;  // UTF-8
    // "field: stamped → confirmed", one per field the operator changed at completion.
    std::vector<std::string> corrections;
    // Where the job's line was archived: the day file's name and its line there; none before an archive.
    std::string archivedFile;
    std::size_t archivedLine = 0;
};

struct JournalJobs {
    std::string pcId;
    std::map<int, std::string> currentNames;  // machine number: its latest name
    std::filesystem::path archiveFolder;      // where the PC archived its lines, as it recorded it
    std::vector<JournalJob> jobs;             // in the order they finished
    // The archive lines the journal's jobs went to, by file name: those lines are read from the journal.
    std::map<std::string, std::set<std::size_t>> coveredLines;
    // Where the PC sends its journal to a shared database: the events not yet there, and the first of
    // them's instant and offset. 0 when all is sent or the PC does not send.
    std::int64_t unsent = 0;
    std::int64_t unsentSinceMs = 0;
    std::int32_t unsentSinceOffsetS = 0;
};

// The finish instants whose jobs can fall on the local days from fromMs to toMs (to excluded), in any
// zone: the rows to read of a journal, wherever it is held.
struct JobRange {
    std::int64_t fromMs = 0, toMs = 0;
};
JobRange JobRangeOf(std::int64_t fromMs, std::int64_t toMs);

// The jobs of a journal file finished from fromMs to toMs (give or take a day, for the zone), and where
// they were archived. The file is only read. False, and why, when it cannot be read.
bool ReadJournalJobs(const std::filesystem::path& file, std::int64_t fromMs, std::int64_t toMs,
                     JournalJobs& out, std::string& why);

// The jobs of a journal's rows, from the PC's own file or from the shared database alike.
void JournalJobsFromRows(const journal::ReportRows& rows, JournalJobs& out);

// The job's figures and day as the report counts them: its exact times, its finish on the local day
// it fell on (this PC's zone, or the offset it was stamped with where the zone disagrees).
DatedJob DateJournalJob(const JournalJob& job);

// Whether the PC's clock ran backwards within the job (set back, or a zone moved west, between two of
// its clicks): a finish before the start, a mount after it, an interval ending before it began.
bool TimeRanBackwards(const JournalJob& job);

// Where an instant of the job falls on the local calendar, as the job's own clock reads it.
LocalMoment JournalLocalMoment(const JournalJob& job, std::int64_t ms);

// The job's start-to-finish time split at the local midnights it crossed, any number of them, each day
// its own jumps and wire breaks (shared out in proportion where the totals were corrected).
std::vector<DayPart> JournalDayParts(const JournalJob& job);

}  // namespace kerfolio
