#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/archive_files.h"
#include "reports/archive_text.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"
#include "reports/journal_jobs.h"
#include "reports/learned_efficiency.h"
#include "reports/period_sums.h"
#include "share/server_journals.h"

namespace kerfolio {

// A job the report counts, with where it was read.
struct ReadJob {
    const std::string& folder;  // the archive folder's label
    const std::string& file;
    std::string_view gbkLine;  // the line as the file holds it
    const ArchiveJob& job;     // its names decoded, line filled in
    const DatedJob& dated;
    // Its time on the days it ran, as the report counted it: none for a job overlapping another of its
    // machine, whose hours count once.
    std::span<const DayPart> parts;
    const JournalJob* journal = nullptr;  // for a job read from a journal, with its instants
    const std::string* pcId = nullptr;    // the journal's PC
};

// One job of the job list, as a foreman looks one up.
struct ListedJob {
    std::string machine;  // the report's name, with its folder's label when there are several
    std::string workpiece;
    DatedJob dated;
    int mountToStart = 0;  // seconds from mounting to the start
    // As stamped, for a job read from a journal; otherwise worked back from the finish.
    std::optional<LocalMoment> mounted, started;
    std::string file;
    std::size_t line = 0;
};

struct ReportRequest {
    Grouping grouping = Grouping::Day;
    std::optional<Day> from;  // jobs finished on or after
    std::optional<Day> to;    // jobs finished on or before
    int archiveSecond = 0;    // the archive time of day the files were written at
    NameDating dating;        // how the file names give their dates
    std::vector<std::filesystem::path> folders;
    // PCs' journals: every job they hold is read from them, and the archive lines they say their jobs
    // went to are not read again.
    std::vector<std::filesystem::path> journals;
    // The shared database's PCs, read as their journals are (each a PC of its own unless it archived
    // into one of the folders); a PC whose journal is given too is read from that. The error in words
    // when the server cannot be read. Not set: no server.
    std::function<std::optional<std::string>(std::int64_t fromMs, std::int64_t toMs, share::ServerJournals&)>
        readServer;
    std::vector<MachineRecord> records;
    std::function<void(std::size_t done, std::size_t total)> progress;  // after each file, when set
    std::function<void(const ReadJob&)> eachJob;  // every job counted, in the order read, when set
    bool listJobs = false;                        // fill Report::jobList
    std::string workpiece;  // with listJobs, only the jobs whose workpiece contains this text
};

struct Report {
    Grouping grouping = Grouping::Day;
    Day first{};  // the days reported; without from, the first day a job ran; without to, the last finish
    Day last{};
    // The first day the archives read cover: shares count no days before it, when no one logged.
    Day covered{};
    std::vector<PeriodSums> overview;  // per machine, the whole of first to last
    std::optional<PeriodSums> shop;    // the whole shop, the whole of first to last
    PeriodRows periods;                // machines in their number order, then periods in time order
    std::vector<EfficiencyAdvice> advice;
    std::vector<InputProblem> problems;
    std::vector<InputProblem> notices;  // read, but to be checked: repeated lines, overlaps, file dates
    std::size_t filesRead = 0;
    std::size_t foldersUnread = 0;  // archive folders or journals that could not be read (or not wholly)
    std::string serverError;        // why the shared database could not be read; empty when it was
    std::size_t jobs = 0;
    bool jobsListed = false;         // whether jobList was asked for
    std::string workpiece;           // the text the list's workpieces contain
    std::vector<ListedJob> jobList;  // machines in the report's order, then by finish
};

// Reads the archive folders and sums them. With several folders (several PCs) each machine is named
// "<folder name>/<machine>". Machines come folder by folder in the order of the parameter records
// (the board's rows), then the others by name.
//
// A line that repeats an earlier line of its folder in every field but its number (a snapshot loaded
// after its lines were archived brings them back into the next archive) is the same job: it counts
// once, on the earlier file's date, and the repeat is listed. So the files of a month before the range
// are read too, for the lines they hold. A job of a machine that overlaps another of its jobs in time
// is listed, and its time is not summed (the job and its amount are).
//
// Otherwise only files that can hold jobs of the range are read: a file holds jobs of its own date and
// the day before, and a job finished the day after the range may have run on its last day.
Report BuildReport(const ReportRequest& request);

}  // namespace kerfolio
