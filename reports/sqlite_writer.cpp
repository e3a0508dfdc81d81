#include "reports/sqlite_writer.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

#include "reports/calendar.h"
#include "reports/dated_job.h"
#include "reports/overlapping_jobs.h"

namespace kerfolio {
namespace {

constexpr char kInsertJob[] =
    "INSERT INTO job_rows (folder, file, line, number, machine, workpiece, mount_second, start_second,"
    " finish_second, amount, finish_date, jump_seconds, break_seconds, machining_seconds)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)";
// A journal's job has its instants too.
constexpr char kInsertJournalJob[] =
    "INSERT INTO job_rows (folder, file, line, number, machine, workpiece, mount_second, start_second,"
    " finish_second, amount, finish_date, jump_seconds, break_seconds, machining_seconds, pc_id, journal_seq,"
    " machine_number, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, "
    "?21)";
constexpr char kAddDay[] =
    "INSERT INTO day_sums (day, folder, machine, jobs, amount, machining_seconds, jump_seconds,"
    " break_seconds, cutting_seconds) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"
    " ON CONFLICT (day, folder, machine) DO UPDATE SET jobs = jobs + excluded.jobs,"
    " amount = amount + excluded.amount, machining_seconds = machining_seconds + excluded.machining_seconds,"
    " jump_seconds = jump_seconds + excluded.jump_seconds,"
    " break_seconds = break_seconds + excluded.break_seconds,"
    " cutting_seconds = cutting_seconds + excluded.cutting_seconds";
constexpr char kInsertProblem[] = "INSERT OR IGNORE INTO problems (file, line, reason) VALUES (?1, ?2, ?3)";

constexpr int kBusyMilliseconds = 10'000;  // a query tool reading at the moment of a nightly run

// A day and a machine's number as one key of the day sums.
std::uint64_t DayKey(Day day, std::uint32_t machine) {
    return std::uint64_t(std::uint32_t(day.time_since_epoch().count())) << 32 | machine;
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
    FinishWriting();
    if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_finalize(insertJob_);
    sqlite3_finalize(insertJobs_);
    sqlite3_finalize(insertJournalJob_);
    sqlite3_finalize(insertProblem_);
    sqlite3_finalize(findJob_);
    sqlite3_close(db_);
}

bool JobDatabase::Fail() {
    failed_ = true;
    if (error_.empty()) error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
    return false;
}

bool JobDatabase::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail();
}

bool JobDatabase::Prepare(const char* sql, sqlite3_stmt** statement) {
    return sqlite3_prepare_v2(db_, sql, -1, statement, nullptr) == SQLITE_OK || Fail();
}

void JobDatabase::AddDays(const std::string& folder, const std::string& machine, Day finishDay,
                          long long amount, std::span<const DayPart> parts) {
    const auto [named, added] = machines_.try_emplace({folder, machine}, std::uint32_t(machines_.size()));
    if (added) machineNames_.push_back(&named->first);
    const std::uint32_t number = named->second;
    DaySums& finish = days_[DayKey(finishDay, number)];
    ++finish.jobs;
    finish.amount += amount;
    // A day before the finish only with time on it.
    for (const DayPart& part : parts) {
        if (part.machining == 0 && part.day != finishDay) continue;
        DaySums& day = days_[DayKey(part.day, number)];
        day.machining += part.machining;
        day.jump += part.jump;
        day.wireBreak += part.wireBreak;
        day.net += part.net;
    }
}

bool JobDatabase::WriteDays() {
    std::vector<std::uint64_t> keys;
    keys.reserve(days_.size());
    for (const auto& entry : days_)
        keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());  // by day, as the table keeps them
    sqlite3_stmt* s = nullptr;
    if (!Prepare(kAddDay, &s)) return false;
    for (const std::uint64_t key : keys) {
        const DaySums& sums = days_[key];
        const auto& [folder, machine] = *machineNames_[key & 0xffff'ffffU];
        const std::string day = FormatIsoDate(Day(std::chrono::days(std::int32_t(std::uint32_t(key >> 32)))));
        BindText(s, 1, day);
        BindText(s, 2, folder);
        BindText(s, 3, machine);
        sqlite3_bind_int64(s, 4, sums.jobs);
        sqlite3_bind_int64(s, 5, sums.amount);
        sqlite3_bind_int64(s, 6, sums.machining);
        sqlite3_bind_int64(s, 7, sums.jump);
        sqlite3_bind_int64(s, 8, sums.wireBreak);
        sqlite3_bind_int64(s, 9, sums.net);
        const bool done = sqlite3_step(s) == SQLITE_DONE;
        sqlite3_reset(s);
        if (!done && !Fail()) break;
    }
    sqlite3_finalize(s);
    return error_.empty();
}

bool JobDatabase::FillMissingDays() {
    sqlite3_stmt* jobs = nullptr;
    // Only a database an earlier version made has jobs without days, and then none has any.
    if (!Prepare("SELECT folder, machine, finish_date, finish_second, machining_seconds, jump_seconds,"
                 " break_seconds, amount FROM job_rows WHERE NOT EXISTS (SELECT 1 FROM day_sums)"
                 " ORDER BY folder, machine, id",
                 &jobs))
        return false;
    OverlappingJobs overlaps;
    std::map<std::pair<std::string, std::string>, int> machines;
    while (sqlite3_step(jobs) == SQLITE_ROW) {
        const auto text = [&](int column) {
            const unsigned char* value = sqlite3_column_text(jobs, column);
            return std::string(value ? reinterpret_cast<const char*>(value) : "");
        };
        const std::string folder = text(0), machine = text(1);
        const std::optional<Day> day = ParseIsoDate(text(2));
        if (!day) continue;
        DatedJob dated;
        dated.finishDay = *day;
        dated.job.finish = sqlite3_column_int(jobs, 3);
        dated.machining = sqlite3_column_int(jobs, 4);
        dated.job.jump = sqlite3_column_int(jobs, 5);
        dated.job.wireBreak = sqlite3_column_int(jobs, 6);
        dated.job.amount = sqlite3_column_int(jobs, 7);
        dated.net = std::max(0, dated.machining - dated.job.jump - dated.job.wireBreak);
        const int number = machines.try_emplace({folder, machine}, int(machines.size())).first->second;
        const DayParts parts = SplitAtMidnight(dated);
        const bool counted = !overlaps.Overlaps(number, dated, LinePlace{});
        AddDays(folder, machine, dated.finishDay, sqlite3_column_int64(jobs, 7),
                counted ? std::span<const DayPart>(parts.begin(), parts.end()) : std::span<const DayPart>());
    }
    sqlite3_finalize(jobs);
    return true;
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
        // Larger pages for a new file (an existing one keeps its own): a million rows in a quarter of the
        // pages, read and written in a quarter of the calls.
        sqlite3_exec(db_, "PRAGMA page_size = 16384", nullptr, nullptr, nullptr);
        // 16 MB of them in memory, for a large run and the sort of its key: fewer reads and writes. After
        // the page size, which the number of pages is worked out from.
        sqlite3_exec(db_, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
        // IMMEDIATE: a second run at the same time waits here, not halfway through.
        inTransaction_ = ready = Exec("BEGIN IMMEDIATE");
    }
    std::string rows = kInsertJob;
    for (std::size_t row = 1; row < kRowsPerInsert; ++row)
        rows += ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    ready = ready && MakeTables() && Prepare(kInsertJob, &insertJob_) &&
            Prepare(rows.c_str(), &insertJobs_) && Prepare(kInsertJournalJob, &insertJournalJob_) &&
            Prepare(kInsertProblem, &insertProblem_) && FillMissingDays();
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

bool JobDatabase::Known(const Batch& batch, const Pending& job, const std::string& finishDate) {
    sqlite3_stmt* const s = findJob_;
    BindText(s, 1, finishDate);
    sqlite3_bind_int(s, 2, job.finish);
    BindText(s, 3, job.machine);
    BindText(s, 4, batch.names[job.folder]);
    sqlite3_bind_int(s, 5, job.start);
    sqlite3_bind_int(s, 6, job.mount);
    sqlite3_bind_int64(s, 7, job.jump);
    sqlite3_bind_int64(s, 8, job.wireBreak);
    sqlite3_bind_int64(s, 9, job.amount);
    BindText(s, 10, job.workpiece);
    sqlite3_bind_int64(s, 11, lastBefore_);
    const int step = sqlite3_step(s);
    sqlite3_reset(s);
    if (step != SQLITE_ROW && step != SQLITE_DONE) Fail();
    return step != SQLITE_DONE;
}

void JobDatabase::Add(const ReadJob& read) {
    if (failed_ || !insertJob_ || Unchanged(read.file)) return;
    Batch& batch = filling_;
    const auto name = [&batch](const std::string& text) {
        // The folder's and the file's names change every few dozen jobs: each is held once a batch.
        for (std::size_t back = 1; back <= 2 && back <= batch.names.size(); ++back) {
            if (batch.names[batch.names.size() - back] == text) return batch.names.size() - back;
        }
        batch.names.push_back(text);
        return batch.names.size() - 1;
    };
    const ArchiveJob& job = read.job;
    Pending& pending = batch.jobs.emplace_back();
    pending.machine = job.machine;
    pending.workpiece = job.workpiece;
    pending.folder = name(read.folder);
    pending.file = name(read.file);
    pending.line = job.line;
    pending.number = LeadingNumber(read.gbkLine);
    pending.mount = job.mount;
    pending.start = job.start;
    pending.finish = job.finish;
    pending.machining = read.dated.machining;
    pending.amount = job.amount;
    pending.jump = job.jump;
    pending.wireBreak = job.wireBreak;
    pending.finishDay = read.dated.finishDay;
    pending.firstPart = batch.parts.size();
    pending.partCount = read.parts.size();
    batch.parts.insert(batch.parts.end(), read.parts.begin(), read.parts.end());
    if (read.journal) {
        JournalJob& instants = pending.journal.emplace();
        instants.seq = read.journal->seq;
        instants.machine = read.journal->machine;
        instants.mountMs = read.journal->mountMs;
        instants.startMs = read.journal->startMs;
        instants.finishMs = read.journal->finishMs;
        instants.offsetS = read.journal->offsetS;
        if (read.pcId) pending.pcId = *read.pcId;
    }
    if (batch.jobs.size() == kBatchJobs) Hand();
}

void JobDatabase::BindRow(sqlite3_stmt* s, int first, const Batch& batch, const Pending& job,
                          const std::string& finishDate) {
    BindText(s, first, batch.names[job.folder]);
    BindText(s, first + 1, batch.names[job.file]);
    sqlite3_bind_int64(s, first + 2, sqlite3_int64(job.line));
    if (job.number)
        sqlite3_bind_int64(s, first + 3, *job.number);
    else
        sqlite3_bind_null(s, first + 3);
    BindText(s, first + 4, job.machine);
    BindText(s, first + 5, job.workpiece);
    sqlite3_bind_int(s, first + 6, job.mount);
    sqlite3_bind_int(s, first + 7, job.start);
    sqlite3_bind_int(s, first + 8, job.finish);
    sqlite3_bind_int64(s, first + 9, job.amount);
    BindText(s, first + 10, finishDate);
    sqlite3_bind_int64(s, first + 11, job.jump);
    sqlite3_bind_int64(s, first + 12, job.wireBreak);
    sqlite3_bind_int64(s, first + 13, job.machining);
}

bool JobDatabase::Insert(const Batch& batch, std::span<const Pending* const> jobs,
                         std::span<const std::string> finishDates) {
    // A whole group in one statement, a journal's job or the last few of a batch one at a time.
    const bool group = jobs.size() == kRowsPerInsert;
    for (std::size_t k = 0; k < jobs.size(); k += group ? kRowsPerInsert : 1) {
        sqlite3_stmt* s = group ? insertJobs_ : jobs[k]->journal ? insertJournalJob_ : insertJob_;
        for (std::size_t row = 0; row < (group ? kRowsPerInsert : 1); ++row)
            BindRow(s, int(row * kRowColumns) + 1, batch, *jobs[k + row], finishDates[k + row]);
        if (!group && jobs[k]->journal)
            BindJournalFields(s, kRowColumns + 1, *jobs[k]->journal, jobs[k]->pcId);
        const bool done = sqlite3_step(s) == SQLITE_DONE;
        sqlite3_reset(s);
        if (!done) return Fail();
    }
    for (const Pending* job : jobs) {
        ++added_;
        AddDays(batch.names[job->folder], job->machine, job->finishDay, job->amount,
                std::span(batch.parts).subspan(job->firstPart, job->partCount));
    }
    return true;
}

void JobDatabase::Write(const Batch& batch) {
    std::array<const Pending*, kRowsPerInsert> group{};
    std::array<std::string, kRowsPerInsert> dates;
    std::size_t grouped = 0;
    for (const Pending& job : batch.jobs) {
        if (!error_.empty()) return;
        std::string finishDate = FormatIsoDate(job.finishDay);
        if (!bulk_ && Known(batch, job, finishDate)) continue;
        if (job.journal) {
            const Pending* const one[] = {&job};
            if (!Insert(batch, std::span(group).first(grouped), std::span(dates).first(grouped)) ||
                !Insert(batch, one, std::span(&finishDate, 1)))
                return;
            grouped = 0;
            continue;
        }
        group[grouped] = &job;
        dates[grouped] = std::move(finishDate);
        if (++grouped == kRowsPerInsert) {
            if (!Insert(batch, group, dates)) return;
            grouped = 0;
        }
    }
    Insert(batch, std::span(group).first(grouped), std::span(dates).first(grouped));
}

bool JobDatabase::Commit(const std::vector<InputProblem>& problems, std::string& why) {
    FinishWriting();
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
    if (error_.empty() && WriteDays() && (!bulk_ || MakeKey()) && Exec("COMMIT")) {
        inTransaction_ = false;
        return true;
    }
    why = error_.empty() ? std::string("not open") : error_;
    return false;
}

}  // namespace kerfolio
