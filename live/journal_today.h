#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "live/today_jobs.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kerfolio::live {

// Today's jobs as this PC's journal holds them: the jobs since its last archived event. Asked on the
// window's thread at every view, so each ask is two lookups by key, and only jobs not seen before are
// read.
class JournalTodayJobs {
  public:
    explicit JournalTodayJobs(std::filesystem::path file);
    ~JournalTodayJobs();
    JournalTodayJobs(const JournalTodayJobs&) = delete;
    JournalTodayJobs& operator=(const JournalTodayJobs&) = delete;

    // The journal's jobs when it holds as many as the NotePad lists (notePadJobs); nothing when there is
    // no journal, it cannot be read, or it missed a job the NotePad holds (it could not be written then,
    // or the NotePad was edited by hand): the NotePad's own lines tell the jobs then.
    std::shared_ptr<const TodayJobs> Jobs(std::size_t notePadJobs);

  private:
    bool Open();
    void Close();
    bool Refresh();

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* readArchived_ = nullptr;
    sqlite3_stmt* newJobs_ = nullptr;
    std::int64_t archivedSeq_ = -1;
    std::int64_t lastSeq_ = 0;
    std::shared_ptr<TodayJobs> jobs_;
};

}  // namespace kerfolio::live
