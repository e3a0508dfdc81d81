#include "live/today_jobs.h"

#include <variant>

namespace kerfolio::live {

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
        LineReading reading = ReadReportLine(line);
        LineResult result;
        if (auto* job = std::get_if<ArchiveJob>(&reading)) {
            jobs_.amount += job->amount;
            jobs_.jobs.push_back(std::move(*job));
            result.job = true;
        } else if (std::holds_alternative<LineProblem>(reading)) {
            ++jobs_.unreadLines;
            result.unread = true;
        }
        lines_.push_back(result);
    }
}

}  // namespace kerfolio::live
