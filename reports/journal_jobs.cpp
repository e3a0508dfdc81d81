#include "reports/journal_jobs.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "journal/report_rows.h"
#include "reports/local_days.h"
#include "storage/atomic_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

constexpr std::int64_t kDayMs = 86'400'000;

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

std::int64_t Number(const std::optional<std::string>& text) {
    std::int64_t value = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// An archive the PC began and never recorded as done (killed between the day file and its archived
// event): where the day file holds its lines, the journal's jobs are those lines, as after the archive.
void CoverOpenArchive(const journal::ReportRows& rows, JournalJobs& out) {
    if (!rows.archiveIntentFile || !rows.archiveIntentText) return;
    const std::filesystem::path file(*rows.archiveIntentFile);
    const std::string& text = *rows.archiveIntentText;
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

void JournalJobsFromRows(const journal::ReportRows& rows, JournalJobs& out) {
    namespace column = journal::job_column;
    out.pcId = rows.pcId;
    out.unsent = rows.unsent;
    out.unsentSinceMs = rows.unsentSinceMs;
    out.unsentSinceOffsetS = rows.unsentSinceOffsetS;
    for (const journal::TextRow& row : rows.names) {
        const std::int64_t machine = Number(row[0]);
        if (machine >= 1 && machine <= 6 && row[1]) out.currentNames[int(machine)] = *row[1];
    }
    std::map<std::int64_t, std::size_t> indexOf;
    for (const journal::TextRow& row : rows.jobs) {
        JournalJob job;
        job.seq = Number(row[column::kSeq]);
        job.machine = int(std::clamp<std::int64_t>(Number(row[column::kMachine]), INT_MIN, INT_MAX));
        job.workpiece = row[column::kWorkpiece].value_or("");
        job.amount = std::int32_t(std::clamp<std::int64_t>(Number(row[column::kAmount]), 0, INT32_MAX));
        if (row[column::kMount]) job.mountMs = Number(row[column::kMount]);
        job.startMs = Number(row[column::kStart]);
        job.finishMs = std::max(job.startMs, Number(row[column::kFinish]));
        job.offsetS =
            std::int32_t(std::clamp<std::int64_t>(Number(row[column::kOffset]), INT32_MIN, INT32_MAX));
        job.jumpMs = Number(row[column::kJump]);
        job.breakMs = Number(row[column::kBreak]);
        job.reportLine = row[column::kReportLine].value_or("");
        indexOf[job.seq] = out.jobs.size();
        out.jobs.push_back(std::move(job));
    }
    for (const journal::TextRow& row : rows.intervals) {
        const auto found = indexOf.find(Number(row[0]));
        if (found == indexOf.end()) continue;
        out.jobs[found->second].intervals.push_back(
            {row[1].value_or("") == "jump", Number(row[2]), Number(row[3])});
    }
    for (const journal::TextRow& row : rows.corrections) {
        const auto found = indexOf.find(Number(row[0]));
        if (found == indexOf.end()) continue;
        const std::string key = row[1].value_or("");
        const char* field = FieldName(key);
        out.jobs[found->second].corrections.push_back(std::string(field ? field : key.c_str()) + "：" +
                                                      row[2].value_or("") + " → " + row[3].value_or(""));
    }
    if (out.jobs.empty()) return;

    // Archives follow their jobs: the archived events from the first job on, until a week past the last.
    const std::int64_t until = out.jobs.back().finishMs + 7 * kDayMs;
    for (const journal::TextRow& row : rows.archived) {
        if (Number(row[0]) > until) break;
        const std::filesystem::path path(row[1].value_or(""));
        const std::int64_t line = Number(row[3]);
        if (line <= 0) continue;
        if (out.archiveFolder.empty()) out.archiveFolder = path.parent_path();
        const std::string fileName = path.filename().string();
        out.coveredLines[fileName].insert(std::size_t(line));
        const auto found = indexOf.find(Number(row[2]));
        // A snapshot loaded after an archive brings lines back: the first archive is where the job is.
        if (found != indexOf.end() && out.jobs[found->second].archivedFile.empty()) {
            out.jobs[found->second].archivedFile = fileName;
            out.jobs[found->second].archivedLine = std::size_t(line);
        }
    }
    CoverOpenArchive(rows, out);
}

bool ReadJournalJobs(const std::filesystem::path& file, std::int64_t fromMs, std::int64_t toMs,
                     JournalJobs& out, std::string& why) {
    journal::ReportRows rows;
    const JobRange range = JobRangeOf(fromMs, toMs);
    if (auto problem = journal::ReadJournalFileRows(file, range.fromMs, range.toMs, rows)) {
        why = *problem;
        return false;
    }
    JournalJobsFromRows(rows, out);
    return true;
}

JobRange JobRangeOf(std::int64_t fromMs, std::int64_t toMs) {
    // A job's local day may be a day either side of the instants' UTC day, whatever the zone.
    return {fromMs - 2 * kDayMs, toMs + 2 * kDayMs};
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
