#include "reports/journal_jobs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "journal/journal_schema.h"
#include "reports/local_days.h"
#include "storage/atomic_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

constexpr std::int64_t kDayMs = 86'400'000;

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return Statement(statement);
}

std::string Text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// A local clock: the zone's, or a fixed offset where the zone does not give the one the job was
// stamped with (the journal came from a PC in another zone).
class Clock {
  public:
    explicit Clock(const JournalJob& job)
        : fixed_(ToLocal(FloorSeconds(job.finishMs)).offset != job.offsetS), offset_(job.offsetS) {}
    Day DayOf(std::int64_t ms) const {
        const std::int64_t s = FloorSeconds(ms);
        if (!fixed_) return ToLocal(s).day;
        return Day(std::chrono::days(FloorDiv(s + offset_, 86'400)));
    }
    int SecondOfDay(std::int64_t ms) const {
        const std::int64_t s = FloorSeconds(ms);
        if (!fixed_) return ToLocal(s).secondOfDay;
        return int((s + offset_) - FloorDiv(s + offset_, 86'400) * 86'400);
    }
    std::int64_t MidnightMs(Day day) const {
        if (!fixed_) return LocalMidnight(day) * 1000;
        return (std::int64_t(day.time_since_epoch().count()) * 86'400 - offset_) * 1000;
    }

  private:
    static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }
    static std::int64_t FloorSeconds(std::int64_t ms) { return FloorDiv(ms, 1000); }
    bool fixed_;
    std::int32_t offset_;
};

int Seconds(std::int64_t ms) {
    return int(std::llround(double(ms) / 1000.0));
}

bool Fail(sqlite3* db, std::string& why) {
    why = sqlite3_errmsg(db);
    return false;
}

const char* FieldName(const std::string& key) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"machine", "机床"}, {"workpiece", "工件"}, {"mount", "装夹"},  {"start", "开始"},
        {"jump", "跳步"},    {"break", "断丝"},     {"finish", "完成"}, {"amount", "加工量"}};
    for (const auto& [name, text] : kNames) {
        if (key == name) return text;
    }
    return nullptr;
}

}  // namespace

namespace {

// An archive the PC began and never recorded as done (killed between the day file and its archived
// event): where the day file holds its lines, the journal's jobs are those lines, as after the archive.
void CoverOpenArchive(sqlite3* db, JournalJobs& out) {
    Statement intent = Prepare(db,
                               "SELECT json_extract(value, '$.file'), json_extract(value, '$.text') FROM meta"
                               " WHERE key = ?1 AND json_valid(value)");
    if (!intent) return;
    sqlite3_bind_text(intent.get(), 1, journal::meta::kArchiveIntent, -1, SQLITE_STATIC);
    if (sqlite3_step(intent.get()) != SQLITE_ROW) return;
    const std::filesystem::path file(Text(intent.get(), 0));
    const std::string text = Text(intent.get(), 1);
    const std::string added = NotePadFileBytes(text);
    std::string bytes;
    if (added.empty() || !ReadWholeFile(file, bytes, nullptr, kMaxArchiveFileBytes)) return;
    const std::size_t at = bytes.rfind(added);
    if (at == std::string::npos || (at > 0 && bytes[at - 1] != '\n')) return;
    std::size_t line = 1 + std::size_t(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(at), '\n'));
    const std::string fileName = file.filename().string();
    std::size_t next = 0;  // the NotePad's lines are the unarchived jobs' lines, in order
    for (std::size_t from = 0; from <= text.size(); ++line) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        const std::string_view lineText = std::string_view(text).substr(from, end - from);
        from = end + 1;
        for (std::size_t j = next; j < out.jobs.size(); ++j) {
            JournalJob& job = out.jobs[j];
            if (!job.archivedFile.empty() || job.reportLine != lineText) continue;
            job.archivedFile = fileName;
            job.archivedLine = line;
            out.coveredLines[fileName].insert(line);
            if (out.archiveFolder.empty()) out.archiveFolder = file.parent_path();
            next = j + 1;
            break;
        }
    }
}

}  // namespace

bool ReadJournalJobs(const std::filesystem::path& file, std::int64_t fromMs, std::int64_t toMs,
                     JournalJobs& out, std::string& why) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, CloseDb> db(raw);
    if (opened != SQLITE_OK) return Fail(raw, why);
    sqlite3_busy_timeout(raw, 10'000);  // the program commits an event at that moment
    // One read transaction, so the jobs and where they were archived agree.
    if (sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return Fail(raw, why);

    if (Statement s = Prepare(raw, "SELECT value FROM meta WHERE key = 'pc_id'")) {
        if (sqlite3_step(s.get()) == SQLITE_ROW) out.pcId = Text(s.get(), 0);
    } else {
        return Fail(raw, why);
    }
    if (Statement s =
            Prepare(raw,
                    "SELECT e.utc_ms, e.utc_offset_s, (SELECT count(*) FROM events WHERE seq > m.sent)"
                    " FROM (SELECT CAST(value AS INTEGER) AS sent FROM meta WHERE key = ?1) m"
                    " JOIN events e ON e.seq = (SELECT min(seq) FROM events WHERE seq > m.sent)")) {
        sqlite3_bind_text(s.get(), 1, journal::meta::kPostgresSentSeq, -1, SQLITE_STATIC);
        if (sqlite3_step(s.get()) == SQLITE_ROW) {
            out.unsentSinceMs = sqlite3_column_int64(s.get(), 0);
            out.unsentSinceOffsetS = sqlite3_column_int(s.get(), 1);
            out.unsent = sqlite3_column_int64(s.get(), 2);
        }
    } else {
        return Fail(raw, why);
    }
    Statement name = Prepare(raw,
                             "SELECT machine_name FROM events WHERE machine = ?1 AND machine_name IS NOT NULL"
                             " ORDER BY seq DESC LIMIT 1");
    if (!name) return Fail(raw, why);
    for (int machine = 1; machine <= 6; ++machine) {
        sqlite3_bind_int(name.get(), 1, machine);
        if (sqlite3_step(name.get()) == SQLITE_ROW) out.currentNames[machine] = Text(name.get(), 0);
        sqlite3_reset(name.get());
    }

    Statement jobs =
        Prepare(raw,
                "SELECT seq, machine, workpiece, amount, mount_utc_ms, start_utc_ms, finish_utc_ms,"
                " utc_offset_s, jump_ms, break_ms, report_line, stamped_differs FROM jobs"
                " WHERE finish_utc_ms >= ?1 AND finish_utc_ms < ?2 ORDER BY seq");
    Statement intervals =
        Prepare(raw,
                "SELECT kind, begin_utc_ms, end_utc_ms FROM job_intervals WHERE job_seq = ?1"
                " ORDER BY begin_utc_ms");
    Statement corrections =
        Prepare(raw,
                "SELECT s.key, s.value, f.value FROM events e, json_each(e.detail, '$.stamped') s,"
                " json_each(e.detail, '$.final') f WHERE e.seq = ?1 AND s.key = f.key"
                " AND s.value IS NOT f.value ORDER BY s.id");
    if (!jobs || !intervals || !corrections) return Fail(raw, why);
    sqlite3_bind_int64(jobs.get(), 1, fromMs - 2 * kDayMs);
    sqlite3_bind_int64(jobs.get(), 2, toMs + 2 * kDayMs);
    while (sqlite3_step(jobs.get()) == SQLITE_ROW) {
        sqlite3_stmt* const s = jobs.get();
        JournalJob job;
        job.seq = sqlite3_column_int64(s, 0);
        job.machine = sqlite3_column_int(s, 1);
        job.workpiece = Text(s, 2);
        job.amount = std::int32_t(std::clamp<sqlite3_int64>(sqlite3_column_int64(s, 3), 0, INT32_MAX));
        if (sqlite3_column_type(s, 4) != SQLITE_NULL) job.mountMs = sqlite3_column_int64(s, 4);
        job.startMs = sqlite3_column_int64(s, 5);
        job.finishMs = std::max<std::int64_t>(job.startMs, sqlite3_column_int64(s, 6));
        job.offsetS = std::int32_t(sqlite3_column_int(s, 7));
        job.jumpMs = sqlite3_column_int64(s, 8);
        job.breakMs = sqlite3_column_int64(s, 9);
        job.reportLine = Text(s, 10);
        sqlite3_bind_int64(intervals.get(), 1, job.seq);
        while (sqlite3_step(intervals.get()) == SQLITE_ROW) {
            job.intervals.push_back({Text(intervals.get(), 0) == "jump",
                                     sqlite3_column_int64(intervals.get(), 1),
                                     sqlite3_column_int64(intervals.get(), 2)});
        }
        sqlite3_reset(intervals.get());
        if (sqlite3_column_int(s, 11) != 0) {
            sqlite3_bind_int64(corrections.get(), 1, job.seq);
            while (sqlite3_step(corrections.get()) == SQLITE_ROW) {
                const std::string key = Text(corrections.get(), 0);
                const char* field = FieldName(key);
                job.corrections.push_back(std::string(field ? field : key.c_str()) + "：" +
                                          Text(corrections.get(), 1) + " → " + Text(corrections.get(), 2));
            }
            sqlite3_reset(corrections.get());
        }
        out.jobs.push_back(std::move(job));
    }
    if (out.jobs.empty()) {
        sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
        return true;
    }

    // Archives follow their jobs: the archived events from the first job on, until a week past the last.
    std::map<std::int64_t, std::size_t> indexOf;
    for (std::size_t i = 0; i < out.jobs.size(); ++i)
        indexOf[out.jobs[i].seq] = i;
    Statement archived =
        Prepare(raw,
                "SELECT utc_ms, json_extract(detail, '$.file'), json_extract(j.value, '$[0]'),"
                " json_extract(j.value, '$[1]') FROM events, json_each(detail, '$.jobs') j"
                " WHERE seq >= ?1 AND kind = 'archived' ORDER BY seq");
    if (!archived) return Fail(raw, why);
    sqlite3_bind_int64(archived.get(), 1, out.jobs.front().seq);
    const std::int64_t until = out.jobs.back().finishMs + 7 * kDayMs;
    while (sqlite3_step(archived.get()) == SQLITE_ROW) {
        sqlite3_stmt* const s = archived.get();
        if (sqlite3_column_int64(s, 0) > until) break;
        const std::filesystem::path path(Text(s, 1));
        const std::int64_t line = sqlite3_column_int64(s, 3);
        if (line <= 0) continue;
        if (out.archiveFolder.empty()) out.archiveFolder = path.parent_path();
        const std::string fileName = path.filename().string();
        out.coveredLines[fileName].insert(std::size_t(line));
        const auto found = indexOf.find(sqlite3_column_int64(s, 2));
        // A snapshot loaded after an archive brings lines back: the first archive is where the job is.
        if (found != indexOf.end() && out.jobs[found->second].archivedFile.empty()) {
            out.jobs[found->second].archivedFile = fileName;
            out.jobs[found->second].archivedLine = std::size_t(line);
        }
    }
    CoverOpenArchive(raw, out);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    return true;
}

namespace {

// Where the journal's intervals make up the job's jump and break totals: a jump and a wire break open at
// once overlap, and the time they share is stopped once, not twice.
bool IntervalsAreExact(const JournalJob& job) {
    std::int64_t jump = 0, wireBreak = 0;
    for (const auto& interval : job.intervals)
        (interval.jump ? jump : wireBreak) += interval.endMs - interval.beginMs;
    return jump == job.jumpMs && wireBreak == job.breakMs;
}

// The job with no time running backwards: a start after the finish at the finish (a job counts on its
// finish), intervals and totals never below 0. How long it ran cannot be told; the report lists such a
// job as uncertain.
JournalJob Forwards(JournalJob job) {
    job.startMs = std::min(job.startMs, job.finishMs);
    if (job.mountMs) job.mountMs = std::min(*job.mountMs, job.startMs);
    job.jumpMs = std::max<std::int64_t>(0, job.jumpMs);
    job.breakMs = std::max<std::int64_t>(0, job.breakMs);
    for (auto& interval : job.intervals)
        interval.endMs = std::max(interval.endMs, interval.beginMs);
    return job;
}

// The time before the instant at that a jump and a wire break of the job both ran.
std::int64_t OverlapUpTo(const JournalJob& job, std::int64_t at) {
    std::int64_t shared = 0;
    for (const auto& jump : job.intervals) {
        if (!jump.jump) continue;
        for (const auto& wireBreak : job.intervals) {
            if (wireBreak.jump) continue;
            const std::int64_t begin = std::max(jump.beginMs, wireBreak.beginMs);
            const std::int64_t end = std::min({jump.endMs, wireBreak.endMs, at});
            shared += std::max<std::int64_t>(0, end - begin);
        }
    }
    return shared;
}

}  // namespace

bool TimeRanBackwards(const JournalJob& job) {
    if (job.finishMs < job.startMs || (job.mountMs && *job.mountMs > job.startMs)) return true;
    if (job.jumpMs < 0 || job.breakMs < 0) return true;
    return std::any_of(job.intervals.begin(), job.intervals.end(), [](const JournalJob::Interval& interval) {
        return interval.endMs < interval.beginMs;
    });
}

LocalMoment JournalLocalMoment(const JournalJob& job, std::int64_t ms) {
    const Clock clock(job);
    return {clock.DayOf(ms), clock.SecondOfDay(ms)};
}

DatedJob DateJournalJob(const JournalJob& given) {
    const JournalJob job = Forwards(given);
    const Clock clock(job);
    DatedJob dated;
    const std::int64_t mountMs = job.mountMs.value_or(job.startMs);
    dated.job.mount = clock.SecondOfDay(mountMs);
    dated.job.start = clock.SecondOfDay(job.startMs);
    dated.job.finish = clock.SecondOfDay(job.finishMs);
    dated.job.jump = Seconds(job.jumpMs);
    dated.job.wireBreak = Seconds(job.breakMs);
    dated.job.amount = job.amount;
    dated.job.mountToFinish = Seconds(job.finishMs - mountMs);
    dated.finishDay = clock.DayOf(job.finishMs);
    dated.machining = Seconds(job.finishMs - job.startMs);
    const int shared = IntervalsAreExact(job) ? Seconds(OverlapUpTo(job, job.finishMs)) : 0;
    dated.net = std::max(0, dated.machining - dated.job.jump - dated.job.wireBreak + shared);
    return dated;
}

std::vector<DayPart> JournalDayParts(const JournalJob& given) {
    const JournalJob job = Forwards(given);
    const Clock clock(job);
    std::int64_t intervalJump = 0, intervalBreak = 0;
    for (const auto& interval : job.intervals)
        (interval.jump ? intervalJump : intervalBreak) += interval.endMs - interval.beginMs;
    const double length = double(job.finishMs - job.startMs);
    // The jumps (or breaks) from the start up to an instant: the intervals themselves where they add up
    // to the total, else the total in proportion to the time.
    const auto upTo = [&](bool jump, std::int64_t at) {
        const std::int64_t total = jump ? job.jumpMs : job.breakMs;
        if (total != (jump ? intervalJump : intervalBreak)) {
            return length > 0 ? std::int64_t(std::llround(double(total) * double(at - job.startMs) / length))
                              : (at >= job.finishMs ? total : 0);
        }
        std::int64_t sum = 0;
        for (const auto& interval : job.intervals) {
            if (interval.jump == jump)
                sum += std::max<std::int64_t>(0, std::min(at, interval.endMs) - interval.beginMs);
        }
        return sum;
    };
    const bool exact = IntervalsAreExact(job);
    const auto sharedUpTo = [&](std::int64_t at) { return exact ? Seconds(OverlapUpTo(job, at)) : 0; };
    std::vector<DayPart> parts;
    const Day last = clock.DayOf(job.finishMs);
    for (Day day = clock.DayOf(job.startMs); day <= last; day += std::chrono::days(1)) {
        const std::int64_t begin = std::max(job.startMs, clock.MidnightMs(day));
        const std::int64_t end = std::min(job.finishMs, clock.MidnightMs(day + std::chrono::days(1)));
        if (end <= begin && day != last) continue;
        DayPart part;
        part.day = day;
        // Rounded where the days meet, so the parts add up to the job's own seconds.
        part.machining = Seconds(end - job.startMs) - Seconds(begin - job.startMs);
        part.jump = Seconds(upTo(true, end)) - Seconds(upTo(true, begin));
        part.wireBreak = Seconds(upTo(false, end)) - Seconds(upTo(false, begin));
        part.net =
            std::max(0, part.machining - part.jump - part.wireBreak + sharedUpTo(end) - sharedUpTo(begin));
        if (part.machining > 0 || parts.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace kerfolio
