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
    Exec("BEGIN");
    const std::string m = std::to_string(machine), a = std::to_string(amount);
    Exec(
        "INSERT INTO events(pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, workpiece, amount) "
        "VALUES ('" +
        pcId_ + "', " + std::to_string(finishMs) + ", 28800, 'completed', " + m + ", '机床" + m +
        "', 'A-1', " + a + ")");
    const std::int64_t seq = sqlite3_last_insert_rowid(db_);
    const std::string s = std::to_string(seq);
    Exec("INSERT INTO jobs VALUES (" + s + ", '" + pcId_ + "', " + m + ", '机床" + m + "', 'A-1', " + a +
         ", NULL, " + std::to_string(startMs) + ", " + std::to_string(finishMs) +
         ", 28800, 60000, 0, '报告行', 0)");
    Exec("INSERT INTO job_intervals VALUES (" + s + ", 'jump', " + std::to_string(startMs + 1000) + ", " +
         std::to_string(startMs + 61000) + ")");
    Exec("COMMIT");
    return seq;
}

}  // namespace kerfolio::test
