#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/report_line.h"

namespace kerfolio::live {

// The jobs finished since the last daily archive, as the NotePad lists them.
struct TodayJobs {
    std::vector<ArchiveJob> jobs;
    std::int64_t amount = 0;
    int unreadLines = 0;  // lines that are not a report line (a hand edit, a damaged snapshot)
};

// Adds a journal's job: its report line (UTF-8) read as the day file will hold it, with the amount the
// journal took (the line's own field may be cut). A line that does not read counts as unread.
void AddJournalJob(TodayJobs& jobs, const std::string& reportLine, std::int64_t amount);

// Collects NotePad lines one at a time, so a line appended costs that line only.
class TodayJobsReader {
  public:
    // Takes the first `keep` lines as read and forgets the rest, then reads `lines` after them.
    void Replace(std::size_t keep, const std::vector<std::string>& lines);
    const TodayJobs& Jobs() const { return jobs_; }

  private:
    struct LineResult {
        bool job = false;
        bool unread = false;
    };
    std::vector<LineResult> lines_;
    TodayJobs jobs_;
};

}  // namespace kerfolio::live
