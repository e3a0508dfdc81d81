#include "live/journal_today.h"

#include <sqlite3.h>

#include <cstdlib>

namespace kerfolio::live {

JournalTodayJobs::JournalTodayJobs(std::filesystem::path file) : file_(std::move(file)) {}

JournalTodayJobs::~JournalTodayJobs() {
    Close();
}

void JournalTodayJobs::Close() {
    sqlite3_finalize(readArchived_);
    sqlite3_finalize(newJobs_);
    sqlite3_close_v2(db_);
    readArchived_ = newJobs_ = nullptr;
    db_ = nullptr;
    jobs_.reset();
    archivedSeq_ = -1;
    lastSeq_ = 0;
}

bool JournalTodayJobs::Open() {
    if (db_) return true;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_, error)) return false;
    const bool opened =
        sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db_, "SELECT value FROM meta WHERE key = 'archived_seq'", -1, &readArchived_,
                           nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db_, "SELECT seq, report_line, amount FROM jobs WHERE seq > ?1 ORDER BY seq", -1,
                           &newJobs_, nullptr) == SQLITE_OK;
    if (!opened) Close();
    return opened;
}

bool JournalTodayJobs::Refresh() {
    std::int64_t archived = 0;
    const int step = sqlite3_step(readArchived_);
    if (step == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(readArchived_, 0));
        archived = text ? std::strtoll(text, nullptr, 10) : 0;
    }
    sqlite3_reset(readArchived_);
    if (step != SQLITE_ROW && step != SQLITE_DONE) return false;
    if (archived != archivedSeq_ || !jobs_) {
        // An archive emptied the NotePad: today begins after it.
        jobs_ = std::make_shared<TodayJobs>();
        archivedSeq_ = archived;
        lastSeq_ = archived;
    }
    sqlite3_bind_int64(newJobs_, 1, lastSeq_);
    std::shared_ptr<TodayJobs> grown;
    int row = SQLITE_ROW;
    while ((row = sqlite3_step(newJobs_)) == SQLITE_ROW) {
        if (!grown) grown = std::make_shared<TodayJobs>(*jobs_);  // a view already handed out stays as it is
        lastSeq_ = sqlite3_column_int64(newJobs_, 0);
        const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(newJobs_, 1));
        AddJournalJob(*grown, line ? line : "", sqlite3_column_int64(newJobs_, 2));
    }
    sqlite3_reset(newJobs_);
    if (grown) jobs_ = std::move(grown);
    return row == SQLITE_DONE;
}

std::shared_ptr<const TodayJobs> JournalTodayJobs::Jobs(std::size_t notePadJobs) {
    if (!Open()) return nullptr;
    if (!Refresh()) {
        Close();  // opened afresh next time: the file may have been set aside and begun anew
        return nullptr;
    }
    if (jobs_->jobs.size() != notePadJobs) return nullptr;
    return jobs_;
}

}  // namespace kerfolio::live
