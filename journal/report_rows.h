#pragma once

// What a report reads of a PC's journal, as rows of text: the same columns whether the PC's own journal
// file or the shared database (which holds each PC's events as they were journaled) gives them, so one
// reader turns either into the report's jobs. The queries of both are here, side by side, since the
// two must give the same values from the same rows.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kerfolio::journal {

using TextRow = std::vector<std::optional<std::string>>;  // column values as text, nullopt for NULL

struct ReportRows {
    std::string pcId;
    std::vector<TextRow> names;        // machine, machine_name: each machine's latest name
    std::vector<TextRow> jobs;         // seq, machine, workpiece, amount, mount_utc_ms, start_utc_ms,
                                       // finish_utc_ms, utc_offset_s, jump_ms, break_ms, report_line;
                                       // in seq order
    std::vector<TextRow> intervals;    // job_seq, kind, begin_utc_ms, end_utc_ms; by job, then begin
    std::vector<TextRow> corrections;  // job_seq, field key, stamped, final: what the operator changed
    std::vector<TextRow> archived;     // utc_ms, file, job_seq, file_line; from the first job on, in seq
                                       // order
    // Only a PC's own file knows these: the events the shared database has not yet committed, the first
    // one's instant and offset; and an archive begun and never recorded as done (its day file and the
    // NotePad text it was adding).
    std::int64_t unsent = 0;
    std::int64_t unsentSinceMs = 0;
    std::int32_t unsentSinceOffsetS = 0;
    std::optional<std::string> archiveIntentFile, archiveIntentText;
};

// The columns of ReportRows::jobs.
namespace job_column {
inline constexpr int kSeq = 0, kMachine = 1, kWorkpiece = 2, kAmount = 3, kMount = 4, kStart = 5, kFinish = 6,
                     kOffset = 7, kJump = 8, kBreak = 9, kReportLine = 10;
}

// One dialect's queries. jobs, intervals and corrections take the finish instants from and to (ms,
// to excluded); archived the first job's seq. Over the shared database each takes the PC's id first.
struct ReportQueries {
    const char* names;
    const char* jobs;
    const char* intervals;
    const char* corrections;
    const char* archived;
};

// A PC's own journal file (SQLite): ?1 from, ?2 to; archived ?1 the first seq.
inline constexpr ReportQueries kJournalFileQueries = {
    "SELECT machine, machine_name FROM events WHERE seq IN (SELECT max(seq) FROM events"
    " WHERE machine BETWEEN 1 AND 6 AND machine_name IS NOT NULL GROUP BY machine) ORDER BY machine",
    "SELECT seq, machine, workpiece, amount, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s,"
    " jump_ms, break_ms, report_line FROM jobs WHERE finish_utc_ms >= ?1 AND finish_utc_ms < ?2 ORDER BY seq",
    "SELECT i.job_seq, i.kind, i.begin_utc_ms, i.end_utc_ms FROM job_intervals i JOIN jobs j ON j.seq ="
    " i.job_seq WHERE j.finish_utc_ms >= ?1 AND j.finish_utc_ms < ?2 ORDER BY i.job_seq, i.begin_utc_ms",
    "SELECT j.seq, s.key, s.value, f.value FROM jobs j JOIN events e ON e.seq = j.seq,"
    " json_each(CASE WHEN json_valid(e.detail) THEN e.detail ELSE '{}' END, '$.stamped') s,"
    " json_each(CASE WHEN json_valid(e.detail) THEN e.detail ELSE '{}' END, '$.final') f"
    " WHERE j.finish_utc_ms >= ?1 AND j.finish_utc_ms < ?2 AND j.stamped_differs <> 0"
    " AND s.key = f.key AND s.value IS NOT f.value ORDER BY j.seq, s.id",
    "SELECT e.utc_ms, json_extract(e.detail, '$.file'),"
    " json_extract(CASE WHEN a.type = 'array' THEN a.value END, '$[0]'),"
    " json_extract(CASE WHEN a.type = 'array' THEN a.value END, '$[1]') FROM events e,"
    " json_each(CASE WHEN json_valid(e.detail) THEN e.detail ELSE '{}' END, '$.jobs') a"
    " WHERE e.seq >= ?1 AND e.kind = 'archived' ORDER BY e.seq, a.id",
};

// The shared database (PostgreSQL, schema kerfolio): $1 the PC's id, $2 from, $3 to; archived $2 the
// first seq. Its detail is JSON text as the PC wrote it; json (not jsonb) keeps the fields' order.
inline constexpr ReportQueries kServerQueries = {
    "SELECT machine, machine_name FROM kerfolio.events WHERE pc_id = $1 AND seq IN (SELECT max(seq)"
    " FROM kerfolio.events WHERE pc_id = $1 AND machine BETWEEN 1 AND 6 AND machine_name IS NOT NULL"
    " GROUP BY machine) ORDER BY machine",
    "SELECT seq, machine, workpiece, amount, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s,"
    " jump_ms, break_ms, report_line FROM kerfolio.jobs WHERE pc_id = $1 AND finish_utc_ms >= $2"
    " AND finish_utc_ms < $3 ORDER BY seq",
    "SELECT i.job_seq, i.kind, i.begin_utc_ms, i.end_utc_ms FROM kerfolio.job_intervals i"
    " JOIN kerfolio.jobs j ON j.pc_id = i.pc_id AND j.seq = i.job_seq WHERE i.pc_id = $1"
    " AND j.finish_utc_ms >= $2 AND j.finish_utc_ms < $3 ORDER BY i.job_seq, i.begin_utc_ms",
    "SELECT j.seq, s.key, s.value, f.value FROM kerfolio.jobs j"
    " JOIN kerfolio.events e ON e.pc_id = j.pc_id AND e.seq = j.seq,"
    " json_each_text(CASE WHEN json_typeof(e.detail::json -> 'stamped') = 'object'"
    " THEN e.detail::json -> 'stamped' ELSE '{}' END) WITH ORDINALITY s(key, value, n),"
    " json_each_text(CASE WHEN json_typeof(e.detail::json -> 'final') = 'object'"
    " THEN e.detail::json -> 'final' ELSE '{}' END) f"
    " WHERE j.pc_id = $1 AND j.finish_utc_ms >= $2 AND j.finish_utc_ms < $3 AND j.stamped_differs <> 0"
    " AND s.key = f.key AND s.value IS DISTINCT FROM f.value ORDER BY j.seq, s.n",
    "SELECT e.utc_ms, e.detail::json ->> 'file', a.value ->> 0, a.value ->> 1 FROM kerfolio.events e,"
    " json_array_elements(CASE WHEN json_typeof(e.detail::json -> 'jobs') = 'array'"
    " THEN e.detail::json -> 'jobs' ELSE '[]' END) WITH ORDINALITY a(value, n)"
    " WHERE e.pc_id = $1 AND e.seq >= $2 AND e.kind = 'archived' ORDER BY e.seq, a.n",
};

// Reads a PC's journal file's rows, only reading it, in one read transaction so the jobs and where they
// were archived agree. The reason in words when it cannot be read.
std::optional<std::string> ReadJournalFileRows(const std::filesystem::path& file, std::int64_t fromMs,
                                               std::int64_t toMs, ReportRows& rows);

}  // namespace kerfolio::journal
