#include "tests/share/test_journal.h"

#include <stdexcept>

namespace kerfolio::test {

TestJournal::TestJournal(const std::filesystem::path& file, std::string pcId) : pcId_(std::move(pcId)) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open journal");
    sqlite3_busy_timeout(db_, 5000);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=OFF");  // a test's journal need not survive a power cut
    Exec(R"(CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS events(seq INTEGER PRIMARY KEY AUTOINCREMENT, pc_id TEXT NOT NULL,
  utc_ms INTEGER NOT NULL, utc_offset_s INTEGER NOT NULL, kind TEXT NOT NULL, machine INTEGER,
  machine_name TEXT, workpiece TEXT, amount INTEGER, detail TEXT NOT NULL DEFAULT '{}');
CREATE TABLE IF NOT EXISTS jobs(seq INTEGER PRIMARY KEY, pc_id TEXT NOT NULL, machine INTEGER NOT NULL,
  machine_name TEXT NOT NULL, workpiece TEXT NOT NULL, amount INTEGER NOT NULL, mount_utc_ms INTEGER,
  start_utc_ms INTEGER NOT NULL, finish_utc_ms INTEGER NOT NULL, utc_offset_s INTEGER NOT NULL,
  jump_ms INTEGER NOT NULL, break_ms INTEGER NOT NULL, report_line TEXT NOT NULL,
  stamped_differs INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS job_intervals(job_seq INTEGER NOT NULL, kind TEXT NOT NULL,
  begin_utc_ms INTEGER NOT NULL, end_utc_ms INTEGER NOT NULL);
INSERT OR IGNORE INTO meta VALUES ('schema', '1');)");
    Exec("INSERT OR IGNORE INTO meta VALUES ('pc_id', '" + pcId_ + "')");
}

TestJournal::~TestJournal() {
    sqlite3_close(db_);
}

void TestJournal::Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

std::int64_t TestJournal::Click(const std::string& kind, int machine, std::int64_t utcMs,
                                const std::string& workpiece, const std::string& detail) {
    const std::string m = machine > 0 ? std::to_string(machine) : "NULL";
    const std::string name = machine > 0 ? "'机床" + m + "'" : "NULL";
    const std::string piece = workpiece.empty() ? "NULL" : "'" + workpiece + "'";
    Exec(
        "INSERT INTO events(pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, workpiece, detail) "
        "VALUES ('" +
        pcId_ + "', " + std::to_string(utcMs) + ", 28800, '" + kind + "', " + m + ", " + name + ", " + piece +
        ", '" + detail + "')");
    return sqlite3_last_insert_rowid(db_);
}

std::int64_t TestJournal::Complete(int machine, std::int64_t startMs, std::int64_t finishMs, int amount) {
    Job job;
    job.machine = machine;
    job.amount = amount;
    job.startMs = startMs;
    job.finishMs = finishMs;
    job.intervals = {{"jump", startMs + 1000, startMs + 61000}};
    return Complete(job);
}

std::int64_t TestJournal::Complete(const Job& job) {
    std::int64_t jump = 0, wireBreak = 0;
    for (const Interval& interval : job.intervals)
        (std::string(interval.kind) == "jump" ? jump : wireBreak) += interval.endMs - interval.beginMs;
    Exec("BEGIN");
    const std::string m = std::to_string(job.machine), a = std::to_string(job.amount),
                      offset = std::to_string(job.offsetS), finish = std::to_string(job.finishMs);
    Exec(
        "INSERT INTO events(pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, workpiece, amount,"
        " detail) VALUES ('" +
        pcId_ + "', " + finish + ", " + offset + ", 'completed', " + m + ", '机床" + m + "', '" +
        job.workpiece + "', " + a + ", '" + job.detail + "')");
    const std::int64_t seq = sqlite3_last_insert_rowid(db_);
    const std::string s = std::to_string(seq);
    Exec("INSERT INTO jobs VALUES (" + s + ", '" + pcId_ + "', " + m + ", '机床" + m + "', '" +
         job.workpiece + "', " + a + ", " + (job.mountMs ? std::to_string(*job.mountMs) : "NULL") + ", " +
         std::to_string(job.startMs) + ", " + finish + ", " + offset + ", " +
         std::to_string(job.jumpMs.value_or(jump)) + ", " + std::to_string(job.breakMs.value_or(wireBreak)) +
         ", '报告行" + s + "', " + (job.stampedDiffers ? "1" : "0") + ")");
    for (const Interval& interval : job.intervals)
        Exec("INSERT INTO job_intervals VALUES (" + s + ", '" + interval.kind + "', " +
             std::to_string(interval.beginMs) + ", " + std::to_string(interval.endMs) + ")");
    Exec("COMMIT");
    return seq;
}

std::int64_t TestJournal::Archive(std::int64_t utcMs, const std::string& file,
                                  const std::vector<std::pair<std::int64_t, int>>& jobs) {
    std::string list;
    for (const auto& [seq, line] : jobs)
        list += (list.empty() ? "[" : ",[") + std::to_string(seq) + "," + std::to_string(line) + "]";
    return Click("archived", 0, utcMs, {},
                 R"({"file":")" + file + R"(","first_line":1,"lines":)" + std::to_string(jobs.size()) +
                     R"(,"jobs":[)" + list + "]}");
}

}  // namespace kerfolio::test
