// The tables and views of the report's database, and its key: made before a run that adds to jobs
// already there, and after the inserts of a run into an empty database, where sorting a million keys
// once is far cheaper than placing each in turn. A database an earlier version made is converted here.
#include <sqlite3.h>

#include <string>

#include "reports/sqlite_writer.h"

namespace kerfolio {
namespace {

// Column names in English, as query tools and their users expect; the texts are the line's own. A job
// is held as numbers; the view jobs gives its times as texts too, which would make each row half as
// long again to write.
constexpr char kJobRows[] = R"sql(
CREATE TABLE IF NOT EXISTS job_rows (
    id INTEGER PRIMARY KEY,
    folder TEXT NOT NULL,              -- the archive folder's label: one PC
    file TEXT NOT NULL,                -- the archive file the job was first read from
    line INTEGER NOT NULL,             -- its line in that file, counting from 1
    number INTEGER,                    -- the number in front of the line
    machine TEXT NOT NULL,
    workpiece TEXT NOT NULL,
    mount_second INTEGER NOT NULL,     -- the line's clock times, seconds after midnight
    start_second INTEGER NOT NULL,
    finish_second INTEGER NOT NULL,
    amount INTEGER NOT NULL,           -- mm²
    finish_date TEXT NOT NULL,         -- YYYY-MM-DD, the day the job finished
    jump_seconds INTEGER NOT NULL,
    break_seconds INTEGER NOT NULL,
    machining_seconds INTEGER NOT NULL, -- start to finish
    pc_id TEXT,                        -- for a job read from a PC's journal: the journal's PC,
    journal_seq INTEGER,               -- the completed event's number in that journal,
    machine_number INTEGER,            -- 1..6, whatever the machine was named,
    mount_utc_ms INTEGER,              -- ms since 1970 UTC
    start_utc_ms INTEGER,
    finish_utc_ms INTEGER,
    utc_offset_s INTEGER               -- the PC's offset from UTC at the finish
)
)sql";

// "H:MM:SS" of seconds, as the report writes a time (a day and more wraps, as there).
std::string ClockText(const char* column) {
    const std::string s = std::string("(") + column + " % 86400)";
    return "printf('%d:%02d:%02d', " + s + " / 3600, " + s + " / 60 % 60, " + s + " % 60)";
}

// "YYYY-MM-DDTHH:MM:SS" of the finish day's midnight moved by seconds.
std::string LocalTime(const std::string& seconds) {
    return "strftime('%Y-%m-%dT%H:%M:%S', finish_date, printf('%+d seconds', " + seconds + "))";
}

// The columns and their order of the table jobs of earlier versions.
std::string JobsView() {
    const std::string start = "finish_second - machining_seconds";
    return "DROP VIEW IF EXISTS jobs; CREATE VIEW jobs AS SELECT id, folder, file, line, number, machine,"
           " workpiece, " +
           ClockText("mount_second") + " AS mount_text, " + ClockText("start_second") + " AS start_text, " +
           ClockText("jump_seconds") + " AS jump_text, " + ClockText("break_seconds") + " AS break_text, " +
           ClockText("finish_second") + " AS finish_text, amount, finish_date, " +
           LocalTime(start + " - (start_second - mount_second + 86400) % 86400") + " AS mount_at, " +
           LocalTime(start) + " AS start_at, " + LocalTime("finish_second") +
           " AS finish_at, jump_seconds, break_seconds, machining_seconds, pc_id, journal_seq,"
           " machine_number, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s FROM job_rows";
}

constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS problems (
    file TEXT NOT NULL,
    line INTEGER NOT NULL,             -- 0: the whole file or folder
    reason TEXT NOT NULL,
    UNIQUE (file, line, reason)
);
-- Each machine's jobs of each day, summed from their parts as the report splits them: a job counts
-- (jobs, amount) on the day it finished, its start-to-finish time on the days it ran, split at
-- midnight, with its jumps and wire breaks shared out in proportion; a job overlapping another of its
-- machine counts, its time does not. Kept by day first, so a day or a week is one stretch of the file.
CREATE TABLE IF NOT EXISTS day_sums (
    day TEXT NOT NULL,                 -- YYYY-MM-DD
    folder TEXT NOT NULL,
    machine TEXT NOT NULL,
    jobs INTEGER NOT NULL,
    amount INTEGER NOT NULL,
    machining_seconds INTEGER NOT NULL,
    jump_seconds INTEGER NOT NULL,
    break_seconds INTEGER NOT NULL,
    cutting_seconds INTEGER NOT NULL,
    PRIMARY KEY (day, folder, machine)
) WITHOUT ROWID;
-- The archive files whose jobs are all in, as they were then: a later run passes over them unchanged.
CREATE TABLE IF NOT EXISTS files (
    path TEXT PRIMARY KEY,
    size INTEGER NOT NULL,
    modified_ns INTEGER NOT NULL
);
DROP VIEW IF EXISTS machine_days;
CREATE VIEW machine_days AS
SELECT folder, machine, day, SUM(jobs) AS jobs, SUM(amount) AS amount,
       SUM(machining_seconds) / 3600.0 AS machining_hours,
       SUM(jump_seconds) / 3600.0 AS jump_hours,
       SUM(break_seconds) / 3600.0 AS break_hours,
       SUM(cutting_seconds) / 3600.0 AS cutting_hours
FROM day_sums GROUP BY day, folder, machine;
)sql";

// A job is its folder's label, the fields of its line and the day it finished: a run passes over a job
// an earlier run added, so a line archived twice is one row, and the same figures a month later, which
// the report counts again, another. Within a run every job the report counts is a row, so the days
// agree with the report's. The index narrows a job to the jobs of its day (it finds a day's jobs for a
// query tool too); the rows come in by day, so it is quick to sort.
constexpr char kKeyIndex[] = "CREATE INDEX IF NOT EXISTS job_finish ON job_rows (finish_date)";
constexpr char kFindJob[] =
    "SELECT 1 FROM job_rows WHERE finish_date = ?1 AND finish_second = ?2 AND machine = ?3 AND folder = ?4"
    " AND start_second = ?5 AND mount_second = ?6 AND jump_seconds = ?7 AND break_seconds = ?8"
    " AND amount = ?9 AND workpiece = ?10 AND id <= ?11 LIMIT 1";

// Seconds of an "H:MM:SS" column.
std::string Seconds(const char* column) {
    const std::string c = column;
    return "(CAST(substr(" + c + ", 1, instr(" + c + ", ':') - 1) AS INTEGER) * 3600 + CAST(substr(" + c +
           ", -5, 2) AS INTEGER) * 60 + CAST(substr(" + c + ", -2) AS INTEGER))";
}

}  // namespace

bool JobDatabase::HasTable(const char* name, const char* type) {
    sqlite3_stmt* probe = nullptr;
    if (!Prepare("SELECT 1 FROM sqlite_master WHERE name = ?1 AND type = ?2", &probe)) return false;
    sqlite3_bind_text(probe, 1, name, -1, SQLITE_STATIC);
    sqlite3_bind_text(probe, 2, type, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    return found;
}

bool JobDatabase::MakeTables() {
    if (!Exec(kJobRows) || !Exec(kSchema)) return false;
    // An earlier version held the jobs with their times as texts in table jobs, and each job's days in
    // job_days. One made before the finish day was part of a job's key held the key in the table
    // itself: every file is then read again once, for the jobs the old key passed over.
    if (HasTable("jobs", "table")) {
        const bool oldKey = HasTable("sqlite_autoindex_jobs_1", "index");
        if (!AddJournalColumns("jobs") ||
            !Exec(
                ("INSERT INTO job_rows SELECT id, folder, file, line, number, machine, workpiece, " +
                 Seconds("mount_text") + ", " + Seconds("start_text") + ", " + Seconds("finish_text") +
                 ", amount, finish_date, jump_seconds, break_seconds, machining_seconds, pc_id, journal_seq,"
                 " machine_number, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s FROM jobs")
                    .c_str()) ||
            !Exec("DROP TABLE jobs") || (oldKey && !Exec("DELETE FROM files")))
            return false;
    }
    if (HasTable("job_days", "table") &&
        !(Exec("INSERT INTO day_sums SELECT day, folder, machine, SUM(jobs), SUM(amount),"
               " SUM(machining_seconds), SUM(jump_seconds), SUM(break_seconds), SUM(cutting_seconds)"
               " FROM job_days GROUP BY day, folder, machine") &&
          Exec("DROP TABLE job_days")))
        return false;
    if (!Exec(JobsView().c_str())) return false;

    // Into an empty table the key is made at the commit: sorting a million keys once is far cheaper than
    // placing each in turn, and there is nothing from before to look for.
    sqlite3_stmt* last = nullptr;
    if (!Prepare("SELECT max(id) FROM job_rows", &last)) return false;
    bulk_ = sqlite3_step(last) == SQLITE_ROW && sqlite3_column_type(last, 0) == SQLITE_NULL;
    lastBefore_ = sqlite3_column_int64(last, 0);
    sqlite3_finalize(last);
    if (bulk_) return Exec("DROP INDEX IF EXISTS job_finish");
    return MakeKey() && Prepare(kFindJob, &findJob_);
}

bool JobDatabase::MakeKey() {
    return Exec(kKeyIndex);
}

}  // namespace kerfolio
