#include "live/today_jobs.h"

#include <variant>

#include "storage/gbk.h"

namespace kerfolio::live {

void AddJournalJob(TodayJobs& jobs, const std::string& reportLine, std::int64_t amount) {
    const std::string gbk = ToGbk(reportLine);
    const LineReading reading = ReadReportLine(gbk);
    if (const auto* job = std::get_if<GbkJob>(&reading)) {
        jobs.jobs.push_back(DecodedJob(*job));
        jobs.jobs.back().amount = static_cast<std::int32_t>(amount);
        jobs.amount += jobs.jobs.back().amount;
    } else {
        ++jobs.unreadLines;
    }
}

void TodayJobsReader::Replace(std::size_t keep, const std::vector<std::string>& lines) {
    while (lines_.size() > keep) {
        const LineResult last = lines_.back();
        lines_.pop_back();
        if (last.job) {
            jobs_.amount -= jobs_.jobs.back().amount;
            jobs_.jobs.pop_back();
        }
        if (last.unread) --jobs_.unreadLines;
    }
    for (const std::string& line : lines) {
        // The NotePad shows what the archive file will hold, so it reads as that file's bytes do.
        const std::string gbk = ToGbk(line);
        const LineReading reading = ReadReportLine(gbk);
        LineResult result;
        if (const auto* job = std::get_if<GbkJob>(&reading)) {
            jobs_.jobs.push_back(DecodedJob(*job));
            jobs_.amount += jobs_.jobs.back().amount;
            result.job = true;
        } else if (std::holds_alternative<LineProblem>(reading)) {
            ++jobs_.unreadLines;
            result.unread = true;
        }
        lines_.push_back(result);
    }
}

}  // namespace kerfolio::live
