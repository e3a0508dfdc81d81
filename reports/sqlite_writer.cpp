#include "reports/sqlite_writer.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "board/time_text.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"

namespace kerfolio {
namespace {

// Column names in English, as query tools and their users expect; the texts are the line's own.
constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS jobs (
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
    machining_seconds INTEGER NOT NULL, -- start to finish
    UNIQUE (folder, machine, workpiece, mount_text, start_text, jump_text, break_text, finish_text, amount)
);
CREATE TABLE IF NOT EXISTS problems (
    file TEXT NOT NULL,
    line INTEGER NOT NULL,             -- 0: the whole file or folder
    reason TEXT NOT NULL,
    UNIQUE (file, line, reason)
);
CREATE INDEX IF NOT EXISTS jobs_by_day ON jobs (finish_date, machine);
-- Made anew by every run, so a database an earlier version made gets the day split too.
DROP VIEW IF EXISTS machine_days;
-- Per machine and calendar day, as the report counts: a job counts (jobs, amount) on the day it
-- finished, its start-to-finish time on the days it ran, split at midnight (a job runs less than a
-- day), with its jumps and wire breaks shared out in proportion; so no day holds more than 24 hours.
CREATE VIEW machine_days AS
WITH split AS (
    SELECT folder, machine, finish_date, amount, jump_seconds AS jump, break_seconds AS broken,
           machining_seconds AS machining,
           MIN(machining_seconds, strftime('%s', finish_at) - strftime('%s', finish_date)) AS today
    FROM jobs),
shared AS (
    SELECT *, machining - today AS before,
           CASE WHEN machining = today THEN 0 WHEN today = 0 THEN jump
                ELSE CAST(round(jump * (machining - today) * 1.0 / machining) AS INTEGER) END AS jump_before,
           CASE WHEN machining = today THEN 0 WHEN today = 0 THEN broken
                ELSE CAST(round(broken * (machining - today) * 1.0 / machining) AS INTEGER) END AS broken_before
    FROM split),
parts AS (
    SELECT folder, machine, finish_date AS day, 1 AS jobs, amount, today AS machining,
           jump - jump_before AS jump, broken - broken_before AS broken
    FROM shared
    UNION ALL
    SELECT folder, machine, date(finish_date, '-1 day'), 0, 0, before, jump_before, broken_before
    FROM shared WHERE before > 0)
SELECT folder, machine, day, SUM(jobs) AS jobs, SUM(amount) AS amount,
       SUM(machining) / 3600.0 AS machining_hours,
       SUM(jump) / 3600.0 AS jump_hours,
       SUM(broken) / 3600.0 AS break_hours,
       SUM(MAX(machining - jump - broken, 0)) / 3600.0 AS cutting_hours
FROM parts GROUP BY folder, machine, day;
)sql";

constexpr char kInsertJob[] =
    "INSERT OR IGNORE INTO jobs (folder, file, line, number, machine, workpiece, mount_text, start_text,"
    " jump_text, break_text, finish_text, amount, finish_date, mount_at, start_at, finish_at, jump_seconds,"
    " break_seconds, machining_seconds) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14,"
    " ?15, ?16, ?17, ?18, ?19)";
constexpr char kInsertProblem[] = "INSERT OR IGNORE INTO problems (file, line, reason) VALUES (?1, ?2, ?3)";

constexpr int kBusyMilliseconds = 10'000;  // a query tool reading at the moment of a nightly run

std::string TimeText(int seconds) {
    return FormatTimeText(seconds / double(kSecondsPerDay));
}

std::string IsoDateTime(std::chrono::sys_seconds at) {
    const Day day = std::chrono::floor<std::chrono::days>(at);
    const long long second = (at - day).count();
    char time[64];
    std::snprintf(time, sizeof time, "T%02lld:%02lld:%02lld", second / 3600, second / 60 % 60, second % 60);
    return FormatIsoDate(day) + time;
}

// The number in front of a line, when it has one that fits a database integer.
std::optional<long long> LeadingNumber(std::string_view line) {
    line = Trim(line);
    long long number = 0;
    std::size_t digits = 0;
    for (; digits < line.size() && line[digits] >= '0' && line[digits] <= '9'; ++digits) {
        if (digits < 18) number = number * 10 + (line[digits] - '0');
    }
    if (digits == 0 || digits > 18) return std::nullopt;
    return number;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

JobDatabase::~JobDatabase() {
    if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_finalize(insertJob_);
    sqlite3_finalize(insertProblem_);
    sqlite3_finalize(journalFields_);
    sqlite3_close(db_);
}

bool JobDatabase::Fail() {
    if (error_.empty()) error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
    return false;
}

bool JobDatabase::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail();
}

bool JobDatabase::Open(const std::filesystem::path& file, std::string& why) {
    bool ready =
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (ready) {
        sqlite3_busy_timeout(db_, kBusyMilliseconds);
        // IMMEDIATE: a second run at the same time waits here, not halfway through.
        inTransaction_ = ready = Exec("BEGIN IMMEDIATE");
    }
    ready = ready && Exec(kSchema) && AddJournalColumns() &&
            sqlite3_prepare_v2(db_, kInsertJob, -1, &insertJob_, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db_, kInsertProblem, -1, &insertProblem_, nullptr) == SQLITE_OK;
    if (ready) return true;
    Fail();
    why = file.string() + ": " + error_;
    return false;
}

void JobDatabase::Add(const ReadJob& read) {
    if (!error_.empty() || !insertJob_) return;
    const ArchiveJob& job = read.job;
    const DatedJob& dated = read.dated;
    const std::chrono::sys_seconds finish = read.dated.finishDay + std::chrono::seconds(job.finish);
    const std::chrono::sys_seconds start = finish - std::chrono::seconds(dated.machining);
    const std::chrono::sys_seconds mount =
        start - std::chrono::seconds(MachiningSeconds(job.mount, job.start));

    sqlite3_stmt* const s = insertJob_;
    BindText(s, 1, read.folder);
    BindText(s, 2, read.file);
    sqlite3_bind_int64(s, 3, sqlite3_int64(job.line));
    if (const auto number = LeadingNumber(read.gbkLine))
        sqlite3_bind_int64(s, 4, *number);
    else
        sqlite3_bind_null(s, 4);
    BindText(s, 5, job.machine);
    BindText(s, 6, job.workpiece);
    BindText(s, 7, TimeText(job.mount));
    BindText(s, 8, TimeText(job.start));
    BindText(s, 9, TimeText(job.jump));
    BindText(s, 10, TimeText(job.wireBreak));
    BindText(s, 11, TimeText(job.finish));
    sqlite3_bind_int64(s, 12, job.amount);
    BindText(s, 13, FormatIsoDate(dated.finishDay));
    BindText(s, 14, IsoDateTime(mount));
    BindText(s, 15, IsoDateTime(start));
    BindText(s, 16, IsoDateTime(finish));
    sqlite3_bind_int64(s, 17, job.jump);
    sqlite3_bind_int64(s, 18, job.wireBreak);
    sqlite3_bind_int64(s, 19, dated.machining);
    if (sqlite3_step(s) == SQLITE_DONE) {
        const int changes = sqlite3_changes(db_);
        added_ += std::size_t(changes);
        if (changes > 0 && read.journal) AddJournalFields(read);
    } else {
        Fail();
    }
    sqlite3_reset(s);
}

bool JobDatabase::Commit(const std::vector<InputProblem>& problems, std::string& why) {
    if (error_.empty() && insertProblem_) {
        for (const InputProblem& problem : problems) {
            BindText(insertProblem_, 1, problem.file);
            sqlite3_bind_int64(insertProblem_, 2, sqlite3_int64(problem.line));
            BindText(insertProblem_, 3, problem.reason);
            const bool inserted = sqlite3_step(insertProblem_) == SQLITE_DONE;
            sqlite3_reset(insertProblem_);
            if (!inserted && !Fail()) break;
        }
    }
    if (error_.empty() && Exec("COMMIT")) {
        inTransaction_ = false;
        return true;
    }
    why = error_.empty() ? std::string("not open") : error_;
    return false;
}

}  // namespace kerfolio
