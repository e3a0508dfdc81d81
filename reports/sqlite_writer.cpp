#include "reports/sqlite_writer.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "board/time_text.h"
#include "reports/calendar.h"
#include "reports/dated_job.h"
#include "reports/overlapping_jobs.h"

namespace kerfolio {
namespace {

constexpr char kInsertJob[] =
    "INSERT OR IGNORE INTO jobs (folder, file, line, number, machine, workpiece, mount_text, start_text,"
    " jump_text, break_text, finish_text, amount, finish_date, mount_at, start_at, finish_at, jump_seconds,"
    " break_seconds, machining_seconds) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14,"
    " ?15, ?16, ?17, ?18, ?19)";
constexpr char kInsertDay[] =
    "INSERT INTO job_days (day, folder, machine, job, jobs, amount, machining_seconds, jump_seconds,"
    " break_seconds, cutting_seconds) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
constexpr char kInsertProblem[] = "INSERT OR IGNORE INTO problems (file, line, reason) VALUES (?1, ?2, ?3)";

constexpr int kBusyMilliseconds = 10'000;  // a query tool reading at the moment of a nightly run

std::string TimeText(int seconds) {
    return FormatTimeText(seconds / double(kSecondsPerDay));
}

std::string IsoDateTime(std::chrono::sys_seconds at) {
    const Day day = std::chrono::floor<std::chrono::days>(at);
    const auto second = int((at - day).count());
    const auto two = [](int value) { return std::string{char('0' + value / 10), char('0' + value % 10)}; };
    return FormatIsoDate(day) + 'T' + two(second / 3600) + ':' + two(second / 60 % 60) + ':' +
           two(second % 60);
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

// text must stay as it is until the statement is stepped: every caller binds all of a statement's
// texts right before its step, from strings that outlive it.
void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_STATIC);
}

}  // namespace

JobDatabase::~JobDatabase() {
    if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_finalize(insertJob_);
    sqlite3_finalize(insertProblem_);
    sqlite3_finalize(insertDay_);
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

bool JobDatabase::Prepare(const char* sql, sqlite3_stmt** statement) {
    return sqlite3_prepare_v2(db_, sql, -1, statement, nullptr) == SQLITE_OK || Fail();
}

void JobDatabase::AddDays(long long id, const std::string& folder, const std::string& machine,
                          const DatedJob& dated, bool timeCounted) {
    // The finish day's row always, for the job's count; the day before only with time on it.
    DayPart rows[2] = {{dated.finishDay - std::chrono::days(1), 0, 0, 0, 0}, {dated.finishDay, 0, 0, 0, 0}};
    if (timeCounted) {
        for (const DayPart& part : SplitAtMidnight(dated))
            rows[part.day == dated.finishDay ? 1 : 0] = part;
    }
    sqlite3_stmt* const s = insertDay_;
    for (int k = 0; k < 2; ++k) {
        const DayPart& row = rows[k];
        const bool finish = k == 1;
        if (!finish && row.machining == 0) continue;
        const std::string day = FormatIsoDate(row.day);
        BindText(s, 1, day);
        BindText(s, 2, folder);
        BindText(s, 3, machine);
        sqlite3_bind_int64(s, 4, id);
        sqlite3_bind_int(s, 5, finish ? 1 : 0);
        sqlite3_bind_int64(s, 6, finish ? dated.job.amount : 0);
        sqlite3_bind_int(s, 7, row.machining);
        sqlite3_bind_int(s, 8, row.jump);
        sqlite3_bind_int(s, 9, row.wireBreak);
        sqlite3_bind_int(s, 10, row.net);
        if (sqlite3_step(s) != SQLITE_DONE) Fail();
        sqlite3_reset(s);
    }
}

bool JobDatabase::FillMissingDays() {
    sqlite3_stmt* jobs = nullptr;
    // Only a database an earlier version made has jobs without days, and then none has any.
    if (!Prepare("SELECT id, folder, machine, finish_date, finish_at, machining_seconds, jump_seconds,"
                 " break_seconds, amount FROM jobs WHERE NOT EXISTS (SELECT 1 FROM job_days)"
                 " ORDER BY folder, machine, id",
                 &jobs))
        return false;
    OverlappingJobs overlaps;
    std::map<std::pair<std::string, std::string>, int> machines;
    while (error_.empty() && sqlite3_step(jobs) == SQLITE_ROW) {
        const auto text = [&](int column) {
            const unsigned char* value = sqlite3_column_text(jobs, column);
            return std::string(value ? reinterpret_cast<const char*>(value) : "");
        };
        const std::string folder = text(1), machine = text(2), finishAt = text(4);
        const std::optional<Day> day = ParseIsoDate(text(3));
        if (!day || finishAt.size() < 19) continue;
        DatedJob dated;
        dated.finishDay = *day;
        dated.job.finish = std::stoi(finishAt.substr(11, 2)) * 3600 + std::stoi(finishAt.substr(14, 2)) * 60 +
                           std::stoi(finishAt.substr(17, 2));
        dated.machining = sqlite3_column_int(jobs, 5);
        dated.job.jump = sqlite3_column_int(jobs, 6);
        dated.job.wireBreak = sqlite3_column_int(jobs, 7);
        dated.job.amount = sqlite3_column_int(jobs, 8);
        dated.net = std::max(0, dated.machining - dated.job.jump - dated.job.wireBreak);
        const int number = machines.try_emplace({folder, machine}, int(machines.size())).first->second;
        const bool counted = !overlaps.Overlaps(number, dated, LinePlace{});
        AddDays(sqlite3_column_int64(jobs, 0), folder, machine, dated, counted);
    }
    sqlite3_finalize(jobs);
    return error_.empty();
}

bool JobDatabase::Unchanged(const std::string& file) {
    if (file != lastFile_) {
        lastFile_ = file;
        struct stat status {};
        FileStamp now;
        if (::stat(file.c_str(), &status) == 0)
            now = {static_cast<long long>(status.st_size),
                   static_cast<long long>(status.st_mtim.tv_sec) * 1'000'000'000LL + status.st_mtim.tv_nsec};
        const auto known = recorded_.find(file);
        skipFile_ = now.size >= 0 && known != recorded_.end() && known->second == now;
        if (wholeRun_ && !skipFile_ && now.size >= 0) seen_.emplace_back(file, now);
    }
    return skipFile_;
}

bool JobDatabase::Open(const std::filesystem::path& file, std::string& why) {
    // One thread uses the connection: no lock around every call.
    bool ready =
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK;
    if (ready) {
        sqlite3_busy_timeout(db_, kBusyMilliseconds);
        // A decade's jobs go into the day rows in no order of theirs: more of them in memory saves reads.
        sqlite3_exec(db_, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
        // IMMEDIATE: a second run at the same time waits here, not halfway through.
        inTransaction_ = ready = Exec("BEGIN IMMEDIATE");
    }
    ready = ready && MakeTables() && PrepareJournalFields() && Prepare(kInsertJob, &insertJob_) &&
            Prepare(kInsertProblem, &insertProblem_) && Prepare(kInsertDay, &insertDay_) && FillMissingDays();
    if (ready) {
        sqlite3_stmt* files = nullptr;
        if (!Prepare("SELECT path, size, modified_ns FROM files", &files)) return false;
        while (sqlite3_step(files) == SQLITE_ROW) {
            recorded_[reinterpret_cast<const char*>(sqlite3_column_text(files, 0))] =
                FileStamp{sqlite3_column_int64(files, 1), sqlite3_column_int64(files, 2)};
        }
        sqlite3_finalize(files);
        return true;
    }
    Fail();
    why = file.string() + ": " + error_;
    return false;
}

void JobDatabase::Add(const ReadJob& read) {
    if (!error_.empty() || !insertJob_ || Unchanged(read.file)) return;
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
    const std::string texts[] = {TimeText(job.mount),
                                 TimeText(job.start),
                                 TimeText(job.jump),
                                 TimeText(job.wireBreak),
                                 TimeText(job.finish),
                                 "",
                                 FormatIsoDate(dated.finishDay),
                                 IsoDateTime(mount),
                                 IsoDateTime(start),
                                 IsoDateTime(finish)};
    for (int column = 7; column <= 16; ++column) {
        if (column != 12) BindText(s, column, texts[column - 7]);
    }
    sqlite3_bind_int64(s, 12, job.amount);
    sqlite3_bind_int64(s, 17, job.jump);
    sqlite3_bind_int64(s, 18, job.wireBreak);
    sqlite3_bind_int64(s, 19, dated.machining);
    const bool done = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    if (!done) {
        Fail();
    } else if (sqlite3_changes(db_) > 0) {
        ++added_;
        const long long id = sqlite3_last_insert_rowid(db_);
        if (read.journal) AddJournalFields(read);
        AddDays(id, read.folder, job.machine, dated, read.timeCounted);
    }
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
    sqlite3_stmt* file = nullptr;
    if (error_.empty() && !seen_.empty() &&
        Prepare("INSERT OR REPLACE INTO files (path, size, modified_ns) VALUES (?1, ?2, ?3)", &file)) {
        for (const auto& [path, stamp] : seen_) {
            BindText(file, 1, path);
            sqlite3_bind_int64(file, 2, stamp.size);
            sqlite3_bind_int64(file, 3, stamp.modifiedNs);
            if (sqlite3_step(file) != SQLITE_DONE) Fail();
            sqlite3_reset(file);
        }
    }
    sqlite3_finalize(file);
    if (error_.empty() && MakeIndexes() && Exec("COMMIT")) {
        inTransaction_ = false;
        return true;
    }
    why = error_.empty() ? std::string("not open") : error_;
    return false;
}

}  // namespace kerfolio
