#include "share/journal_outbox.h"

#include <sqlite3.h>

#include <string_view>

#include "share/messages.h"

namespace kerfolio::share {

namespace {

class Statement {
  public:
    Statement(sqlite3* db, std::string_view sql) {
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

std::string Failure(sqlite3* db) {
    return std::string(kJournalError) + sqlite3_errmsg(db);
}

// Every row of a query with two integer parameters, each column as text.
std::optional<std::string> Rows(sqlite3* db, std::string_view sql, std::int64_t a, std::int64_t b,
                                std::vector<Row>& out) {
    Statement stmt(db, sql);
    if (!stmt) return Failure(db);
    sqlite3_bind_int64(stmt.get(), 1, a);
    sqlite3_bind_int64(stmt.get(), 2, b);
    int step;
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        Row row;
        const int columns = sqlite3_column_count(stmt.get());
        for (int c = 0; c < columns; ++c) {
            const auto* text = sqlite3_column_text(stmt.get(), c);
            if (text)
                row.emplace_back(std::string(reinterpret_cast<const char*>(text),
                                             static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), c))));
            else
                row.emplace_back(std::nullopt);
        }
        out.push_back(std::move(row));
    }
    return step == SQLITE_DONE ? std::nullopt : std::optional<std::string>(Failure(db));
}

}  // namespace

JournalOutbox::~JournalOutbox() {
    Close();
}

void JournalOutbox::Close() {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

std::optional<std::string> JournalOutbox::Open(const std::filesystem::path& file) {
    Close();
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string reason = std::string(kJournalError) + file.string() + ": " + sqlite3_errmsg(db_);
        Close();
        return reason;
    }
    // The window writes the same file; wait for its transactions rather than fail.
    sqlite3_busy_timeout(db_, 5000);
    return std::nullopt;
}

std::optional<std::string> JournalOutbox::SentSeq(std::int64_t& seq) {
    Statement stmt(db_, "SELECT CAST(value AS INTEGER) FROM meta WHERE key = ?1");
    if (!stmt) return Failure(db_);
    sqlite3_bind_text(stmt.get(), 1, kSentSeqKey, -1, SQLITE_STATIC);
    const int step = sqlite3_step(stmt.get());
    if (step == SQLITE_ROW) {
        seq = sqlite3_column_int64(stmt.get(), 0);
        return std::nullopt;
    }
    if (step != SQLITE_DONE) return Failure(db_);
    seq = 0;
    return std::nullopt;
}

std::optional<std::string> JournalOutbox::PcId(std::string& id) {
    Statement stmt(db_, "SELECT value FROM meta WHERE key = ?1");
    if (!stmt) return Failure(db_);
    sqlite3_bind_text(stmt.get(), 1, journal::meta::kPcId, -1, SQLITE_STATIC);
    const int step = sqlite3_step(stmt.get());
    if (step != SQLITE_ROW && step != SQLITE_DONE) return Failure(db_);
    const auto* text = step == SQLITE_ROW ? sqlite3_column_text(stmt.get(), 0) : nullptr;
    id = text ? reinterpret_cast<const char*>(text) : "";
    return std::nullopt;
}

std::optional<std::string> JournalOutbox::Read(std::int64_t afterSeq, int limit, Batch& batch) {
    batch = {};
    // One read transaction: a completed event and its job row are written together, read together.
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return Failure(db_);
    auto problem =
        Rows(db_,
             "SELECT pc_id, seq, utc_ms, utc_offset_s, kind, machine, machine_name, workpiece, amount,"
             " detail FROM events WHERE seq > ?1 ORDER BY seq LIMIT ?2",
             afterSeq, limit, batch.events);
    if (!problem && !batch.events.empty()) {
        batch.lastSeq = std::stoll(*batch.events.back()[1]);
        problem =
            Rows(db_,
                 "SELECT pc_id, seq, machine, machine_name, workpiece, amount, mount_utc_ms, start_utc_ms,"
                 " finish_utc_ms, utc_offset_s, jump_ms, break_ms, report_line, stamped_differs"
                 " FROM jobs WHERE seq > ?1 AND seq <= ?2 ORDER BY seq",
                 afterSeq, batch.lastSeq, batch.jobs);
        if (!problem)
            problem = Rows(
                db_,
                "SELECT j.pc_id, i.job_seq, row_number() OVER (PARTITION BY i.job_seq ORDER BY i.rowid),"
                " i.kind, i.begin_utc_ms, i.end_utc_ms FROM job_intervals i JOIN jobs j ON j.seq = i.job_seq"
                " WHERE i.job_seq > ?1 AND i.job_seq <= ?2 ORDER BY i.job_seq, i.rowid",
                afterSeq, batch.lastSeq, batch.intervals);
    }
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return problem;
}

std::optional<std::string> JournalOutbox::Pending(std::int64_t afterSeq, Backlog& backlog) {
    Statement stmt(db_, "SELECT count(*), min(utc_ms) FROM events WHERE seq > ?1");
    if (!stmt) return Failure(db_);
    sqlite3_bind_int64(stmt.get(), 1, afterSeq);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) return Failure(db_);
    backlog.count = sqlite3_column_int64(stmt.get(), 0);
    backlog.oldestMs.reset();
    if (sqlite3_column_type(stmt.get(), 1) != SQLITE_NULL)
        backlog.oldestMs = sqlite3_column_int64(stmt.get(), 1);
    return std::nullopt;
}

std::optional<std::string> JournalOutbox::MarkSent(std::int64_t seq) {
    Statement stmt(db_,
                   "INSERT INTO meta(key, value) VALUES (?1, ?2)"
                   " ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    if (!stmt) return Failure(db_);
    const std::string value = std::to_string(seq);
    sqlite3_bind_text(stmt.get(), 1, kSentSeqKey, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt.get(), 2, value.c_str(), -1, SQLITE_TRANSIENT);
    return sqlite3_step(stmt.get()) == SQLITE_DONE ? std::nullopt : std::optional<std::string>(Failure(db_));
}

}  // namespace kerfolio::share
