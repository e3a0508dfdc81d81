#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/archive_text.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"
#include "reports/learned_efficiency.h"
#include "reports/period_sums.h"

namespace kerfolio {

// A job the report counts, with where it was read.
struct ReadJob {
    const std::string& folder;  // the archive folder's label
    const std::string& file;
    std::string_view gbkLine;  // the line as the file holds it
    const ArchiveJob& job;     // its names decoded, line filled in
    const DatedJob& dated;
};

struct ReportRequest {
    Grouping grouping = Grouping::Day;
    std::optional<Day> from;  // jobs finished on or after
    std::optional<Day> to;    // jobs finished on or before
    int archiveSecond = 0;    // the archive time of day the files were written at
    std::vector<std::filesystem::path> folders;
    std::vector<MachineRecord> records;
    std::function<void(std::size_t done, std::size_t total)> progress;  // after each file, when set
    std::function<void(const ReadJob&)> eachJob;  // every job counted, in the order read, when set
};

struct Report {
    Grouping grouping = Grouping::Day;
    Day first{};  // the days reported; without from and to, those of the first and last job
    Day last{};
    std::vector<PeriodSums> periods;
    std::vector<EfficiencyAdvice> advice;
    std::vector<InputProblem> problems;
    std::size_t filesRead = 0;
    std::size_t foldersUnread = 0;  // archive folders that could not be read (or not wholly)
    std::size_t jobs = 0;
};

// Reads the archive folders and sums them. With several folders (several PCs) each machine is named
// "<folder name>/<machine>". Only files that can hold jobs of the range are read: a file holds jobs of
// its own date and the day before.
Report BuildReport(const ReportRequest& request);

}  // namespace kerfolio
