#include "journal/report_rows.h"

#include <sqlite3.h>

#include <memory>

#include "journal/journal_schema.h"

namespace kerfolio::journal {
namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

// A statement's every row, each column as text; false, the reason in why, when it fails.
class Query {
  public:
    Query(sqlite3* db, const char* sql) : db_(db) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Query() { sqlite3_finalize(statement_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Bind(int index, std::int64_t value) {
        if (statement_) sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    Query& Bind(int index, const char* text) {
        if (statement_) sqlite3_bind_text(statement_, index, text, -1, SQLITE_STATIC);
        return *this;
    }
    std::optional<std::string> Rows(std::vector<TextRow>& out) {
        if (!statement_) return sqlite3_errmsg(db_);
        int step;
        while ((step = sqlite3_step(statement_)) == SQLITE_ROW) {
            TextRow row;
            const int columns = sqlite3_column_count(statement_);
            for (int c = 0; c < columns; ++c) {
                const auto* text = sqlite3_column_text(statement_, c);
                if (text)
                    row.emplace_back(
                        std::string(reinterpret_cast<const char*>(text),
                                    static_cast<std::size_t>(sqlite3_column_bytes(statement_, c))));
                else
                    row.emplace_back(std::nullopt);
            }
            out.push_back(std::move(row));
        }
        if (step == SQLITE_DONE) return std::nullopt;
        return sqlite3_errmsg(db_);
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

std::optional<std::string> Read(sqlite3* db, std::int64_t fromMs, std::int64_t toMs, ReportRows& rows) {
    std::vector<TextRow> found;
    if (auto problem = Query(db, "SELECT value FROM meta WHERE key = ?1").Bind(1, meta::kPcId).Rows(found))
        return problem;
    if (!found.empty() && found[0][0]) rows.pcId = *found[0][0];
    found.clear();
    if (auto problem =
            Query(db,
                  "SELECT e.utc_ms, e.utc_offset_s, (SELECT count(*) FROM events WHERE seq > m.sent)"
                  " FROM (SELECT CAST(value AS INTEGER) AS sent FROM meta WHERE key = ?1) m"
                  " JOIN events e ON e.seq = (SELECT min(seq) FROM events WHERE seq > m.sent)")
                .Bind(1, meta::kPostgresSentSeq)
                .Rows(found))
        return problem;
    if (!found.empty()) {
        const auto number = [&](std::size_t column) {
            return found[0][column] ? std::strtoll(found[0][column]->c_str(), nullptr, 10) : 0;
        };
        rows.unsentSinceMs = number(0);
        rows.unsentSinceOffsetS = static_cast<std::int32_t>(number(1));
        rows.unsent = number(2);
    }
    found.clear();
    if (auto problem = Query(db,
                             "SELECT json_extract(value, '$.file'), json_extract(value, '$.text') FROM meta"
                             " WHERE key = ?1 AND json_valid(value)")
                           .Bind(1, meta::kArchiveIntent)
                           .Rows(found))
        return problem;
    if (!found.empty()) {
        rows.archiveIntentFile = found[0][0];
        rows.archiveIntentText = found[0][1];
    }
    const ReportQueries& q = kJournalFileQueries;
    if (auto problem = Query(db, q.names).Rows(rows.names)) return problem;
    if (auto problem = Query(db, q.jobs).Bind(1, fromMs).Bind(2, toMs).Rows(rows.jobs)) return problem;
    if (rows.jobs.empty()) return std::nullopt;
    if (auto problem = Query(db, q.intervals).Bind(1, fromMs).Bind(2, toMs).Rows(rows.intervals))
        return problem;
    if (auto problem = Query(db, q.corrections).Bind(1, fromMs).Bind(2, toMs).Rows(rows.corrections))
        return problem;
    const std::int64_t firstSeq =
        std::strtoll(rows.jobs.front()[job_column::kSeq].value_or("0").c_str(), nullptr, 10);
    return Query(db, q.archived).Bind(1, firstSeq).Rows(rows.archived);
}

}  // namespace

std::optional<std::string> ReadJournalFileRows(const std::filesystem::path& file, std::int64_t fromMs,
                                               std::int64_t toMs, ReportRows& rows) {
    rows = {};
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, CloseDb> db(raw);
    if (opened != SQLITE_OK) return std::string(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(opened));
    sqlite3_busy_timeout(raw, 10'000);  // the program commits an event at that moment
    if (sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return std::string(sqlite3_errmsg(raw));
    auto problem = Read(raw, fromMs, toMs, rows);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    return problem;
}

}  // namespace kerfolio::journal
