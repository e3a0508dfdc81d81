// The tables and views of the report's database, and its indexes: made before a run that adds to jobs
// already there, and after the inserts of a run into an empty database, where sorting a million keys
// once is far cheaper than placing each in turn.
#include <sqlite3.h>

#include <string>

#include "reports/sqlite_writer.h"

namespace kerfolio {
namespace {

// Column names in English, as query tools and their users expect; the texts are the line's own.
constexpr char kJobsColumns[] = R"sql(
    id INTEGER PRIMARY KEY,
    folder TEXT NOT NULL,              -- the archive folder's label: one PC
    file TEXT NOT NULL,                -- the archive file the job was first read from
    line INTEGER NOT NULL,             -- its line in that file, counting from 1
    number INTEGER,                    -- the number in front of the line
    machine TEXT NOT NULL,
    workpiece TEXT NOT NULL,
    mount_text TEXT NOT NULL,
    start_text TEXT NOT NULL,
    jump_text TEXT NOT NULL,
    break_text TEXT NOT NULL,
    finish_text TEXT NOT NULL,
    amount INTEGER NOT NULL,           -- mm²
    finish_date TEXT NOT NULL,         -- YYYY-MM-DD, the day the job finished
    mount_at TEXT NOT NULL,            -- YYYY-MM-DDTHH:MM:SS, local time
    start_at TEXT NOT NULL,
    finish_at TEXT NOT NULL,
    jump_seconds INTEGER NOT NULL,
    break_seconds INTEGER NOT NULL,
    machining_seconds INTEGER NOT NULL -- start to finish
)sql";

// Every column of jobs an earlier version made, in their order.
constexpr char kJobsColumnNames[] =
    "id, folder, file, line, number, machine, workpiece, mount_text, start_text, jump_text, break_text,"
    " finish_text, amount, finish_date, mount_at, start_at, finish_at, jump_seconds, break_seconds,"
    " machining_seconds, pc_id, journal_seq, machine_number, mount_utc_ms, start_utc_ms, finish_utc_ms,"
    " utc_offset_s";

constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS problems (
    file TEXT NOT NULL,
    line INTEGER NOT NULL,             -- 0: the whole file or folder
    reason TEXT NOT NULL,
    UNIQUE (file, line, reason)
);
-- Each job's part of each day it ran, as the report splits it: it counts (jobs, amount) on the day it
-- finished, its start-to-finish time on the days it ran, split at midnight, with its jumps and wire
-- breaks shared out in proportion; a job overlapping another of its machine counts, its time does not.
-- Kept by day first, so a day or a week is one stretch of the file.
CREATE TABLE IF NOT EXISTS job_days (
    day TEXT NOT NULL,                 -- YYYY-MM-DD
    folder TEXT NOT NULL,
    machine TEXT NOT NULL,
    job INTEGER NOT NULL REFERENCES jobs (id),
    jobs INTEGER NOT NULL,             -- 1 on the day the job finished, else 0
    amount INTEGER NOT NULL,
    machining_seconds INTEGER NOT NULL,
    jump_seconds INTEGER NOT NULL,
    break_seconds INTEGER NOT NULL,
    cutting_seconds INTEGER NOT NULL,
    PRIMARY KEY (day, folder, machine, job)
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
FROM job_days GROUP BY day, folder, machine;
)sql";

// A job is its folder's label, the fields of its line and the day it finished: a line archived twice
// is one row, and the same figures a month later, which the report counts again, another. The day and
// machine lead, so the key also finds a day's jobs.
constexpr char kJobKey[] =
    "finish_date, machine, folder, finish_text, start_text, mount_text, jump_text, break_text, amount,"
    " workpiece";

std::string KeyIndex() {
    return std::string("CREATE UNIQUE INDEX IF NOT EXISTS jobs_key ON jobs (") + kJobKey + ")";
}

}  // namespace

bool JobDatabase::MakeTables() {
    if (!Exec((std::string("CREATE TABLE IF NOT EXISTS jobs (") + kJobsColumns + ")").c_str()) ||
        !AddJournalColumns("jobs") || !Exec(kSchema))
        return false;
    // A database made before the finish day was part of a job's key holds the key in the table itself:
    // the table is made again, with every row and its id, so the same line a month later is a row too;
    // and every file is read again once, for the jobs the old key passed over.
    sqlite3_stmt* old = nullptr;
    if (!Prepare("SELECT 1 FROM sqlite_master WHERE name = 'sqlite_autoindex_jobs_1'", &old)) return false;
    const bool oldKey = sqlite3_step(old) == SQLITE_ROW;
    sqlite3_finalize(old);
    if (oldKey && !(Exec((std::string("CREATE TABLE jobs_new (") + kJobsColumns + ")").c_str()) &&
                    AddJournalColumns("jobs_new") &&
                    Exec((std::string("INSERT INTO jobs_new (") + kJobsColumnNames + ") SELECT " +
                          kJobsColumnNames + " FROM jobs")
                             .c_str()) &&
                    Exec("DROP TABLE jobs") && Exec("ALTER TABLE jobs_new RENAME TO jobs") &&
                    Exec("DELETE FROM files")))
        return false;

    sqlite3_stmt* any = nullptr;
    if (!Prepare("SELECT EXISTS (SELECT 1 FROM jobs)", &any)) return false;
    bulk_ = sqlite3_step(any) == SQLITE_ROW && sqlite3_column_int(any, 0) == 0;
    sqlite3_finalize(any);
    // An empty table has its key made at the commit (and an empty one's is dropped for that).
    if (bulk_) return Exec("DROP INDEX IF EXISTS jobs_key");
    return Exec(KeyIndex().c_str());
}

bool JobDatabase::MakeIndexes() {
    if (!bulk_) return true;
    const std::string key = KeyIndex();
    if (sqlite3_exec(db_, key.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (sqlite3_extended_errcode(db_) != SQLITE_CONSTRAINT_UNIQUE) return Fail();
        // Two jobs of one key (two spellings of a name that read the same, a journal's job and a line it
        // did not claim): the first stays, as if the later had been passed over when it came.
        const std::string later =
            std::string("SELECT id FROM jobs WHERE id NOT IN (SELECT min(id) FROM jobs GROUP BY ") + kJobKey +
            ")";
        if (!Exec(("CREATE TEMP TABLE later_jobs AS " + later).c_str()) ||
            !Exec("DELETE FROM job_days WHERE job IN (SELECT id FROM later_jobs)") ||
            !Exec("DELETE FROM jobs WHERE id IN (SELECT id FROM later_jobs)"))
            return false;
        added_ -= std::size_t(sqlite3_changes(db_));
        if (!Exec("DROP TABLE later_jobs") || !Exec(key.c_str())) return false;
    }
    return true;
}

}  // namespace kerfolio
