#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal_schema.h"

struct sqlite3;

namespace kerfolio::share {

using Row = std::vector<std::optional<std::string>>;  // column values as text, nullopt for NULL

// The events of one PC's journal not yet on the server, in the server's column order.
struct Batch {
    std::vector<Row> events;     // pc_id, seq, utc_ms, utc_offset_s, kind, machine, machine_name,
                                 // workpiece, amount, detail
    std::vector<Row> jobs;       // pc_id, seq, machine ... stamped_differs, as kerfolio.jobs
    std::vector<Row> intervals;  // pc_id, job_seq, ord, kind, begin_utc_ms, end_utc_ms
    std::int64_t lastSeq = 0;
};

struct Backlog {
    std::int64_t count = 0;                // events after the sent mark
    std::optional<std::int64_t> oldestMs;  // the first of them's instant
};

// The PC's journal (SQLite) as the sender sees it: what is after the sent mark, and the mark itself,
// a row of the journal's meta table moved on only after the server committed.
class JournalOutbox {
  public:
    JournalOutbox() = default;
    ~JournalOutbox();
    JournalOutbox(const JournalOutbox&) = delete;
    JournalOutbox& operator=(const JournalOutbox&) = delete;

    // Opens an existing journal, never makes one; the reason in words when it cannot.
    std::optional<std::string> Open(const std::filesystem::path& file);
    bool IsOpen() const { return db_ != nullptr; }
    void Close();

    std::optional<std::string> SentSeq(std::int64_t& seq);
    // The journal's PC id; empty in a journal that has none yet.
    std::optional<std::string> PcId(std::string& id);
    std::optional<std::string> Read(std::int64_t afterSeq, int limit, Batch& batch);
    std::optional<std::string> Pending(std::int64_t afterSeq, Backlog& backlog);
    std::optional<std::string> MarkSent(std::int64_t seq);

  private:
    sqlite3* db_ = nullptr;
};

// The meta key holding the highest seq the server has committed.
inline constexpr const char* kSentSeqKey = journal::meta::kPostgresSentSeq;

}  // namespace kerfolio::share
