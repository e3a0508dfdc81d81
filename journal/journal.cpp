#include "journal/journal.h"

#include <array>
#include <ctime>
#include <random>
#include <system_error>

#include "board/integer_text.h"
#include "journal/job_times.h"
#include "journal/journal_schema.h"
#include "journal/json_text.h"

namespace kerfolio::journal {
namespace {

constexpr int kBusyWaitMs = 100;  // a reader's brief lock; the window never waits longer

constexpr std::array<const char*, 8> kFieldKeys = {"machine", "workpiece", "mount",  "start",
                                                   "jump",    "break",     "finish", "amount"};

std::string MakePcId() {
    std::random_device random;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 32; ++i)
        id += kHex[random() & 0xF];
    return id;
}

std::string FieldsJson(const CompletionFields& fields) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < fields.size(); ++i)
        pairs.emplace_back(kFieldKeys[i], fields[i]);
    return JsonObject(pairs);
}

std::optional<std::int64_t> AmountOf(const std::string& text) {
    if (const auto value = TryParseIntegerText(text)) return *value;
    return std::nullopt;
}

// "journal-damaged-20261025-031500.sqlite" at the local time of now (or "journal-foreign-…").
std::string SetAsideName(Stamp now, bool foreign) {
    const std::time_t local = static_cast<std::time_t>(now.utcMs / 1000 + now.offsetS);
    std::tm parts{};
    gmtime_r(&local, &parts);
    char name[64];
    std::strftime(name, sizeof name,
                  foreign ? "journal-foreign-%Y%m%d-%H%M%S.sqlite" : "journal-damaged-%Y%m%d-%H%M%S.sqlite",
                  &parts);
    return name;
}

bool IsDamage(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

}  // namespace

struct Journal::Statements {
    Statement insertEvent, insertJob, insertInterval, writeMeta, deleteMeta, readMeta, machineEvents,
        jobsAfter, eventsAfter;
};

Journal::Journal(std::filesystem::path folder) : Journal(std::move(folder), kFileName) {}

Journal::Journal(std::filesystem::path folder, std::string fileName)
    : folder_(std::move(folder)), fileName_(std::move(fileName)) {}

Journal::~Journal() {
    Close();
}

std::filesystem::path Journal::Path() const {
    return folder_ / fileName_;
}

void Journal::Close() {
    statements_.reset();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Journal::Fail(int code, const char* what) {
    lastError_ = std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
    if (IsDamage(code)) damaged_ = true;
    return false;
}

bool Journal::Open(Stamp now) {
    if (db_) return true;
    if (OpenFile()) return true;
    if (!damaged_) return false;
    return SetAside(now) && OpenFile();
}

bool Journal::OpenFile() {
    damaged_ = false;
    begunAfresh_ = false;
    // A journal kept in the user's folder: the folder is made on first use.
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    const std::string path = Path().string();
    int code = sqlite3_open_v2(path.c_str(), &db_,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        Fail(code, "open");
        Close();
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    // WAL: readers never stop a click's commit; FULL: the commit is on disk when the dialog closes.
    static constexpr char kSetup[] = "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;";
    if ((code = sqlite3_exec(db_, kSetup, nullptr, nullptr, nullptr)) != SQLITE_OK ||
        (code = sqlite3_exec(db_, kSchemaSql, nullptr, nullptr, nullptr)) != SQLITE_OK) {
        Fail(code, "open");
        Close();
        return false;
    }
    statements_ = std::make_unique<Statements>();
    Statements& s = *statements_;
    s.insertEvent = Statement(db_,
                              "INSERT INTO events(pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, "
                              "workpiece, amount, detail) VALUES(?,?,?,?,?,?,?,?,?)");
    s.insertJob =
        Statement(db_,
                  "INSERT INTO jobs(seq, pc_id, machine, machine_name, workpiece, amount, mount_utc_ms, "
                  "start_utc_ms, finish_utc_ms, utc_offset_s, jump_ms, break_ms, report_line, "
                  "stamped_differs) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    s.insertInterval =
        Statement(db_, "INSERT INTO job_intervals(job_seq, kind, begin_utc_ms, end_utc_ms) VALUES(?,?,?,?)");
    s.writeMeta = Statement(db_, "INSERT OR REPLACE INTO meta(key, value) VALUES(?,?)");
    s.deleteMeta = Statement(db_, "DELETE FROM meta WHERE key = ?");
    s.readMeta = Statement(db_, "SELECT value FROM meta WHERE key = ?");
    // Newest first: the walk back to the job's mount stops there.
    s.machineEvents =
        Statement(db_, "SELECT kind, utc_ms, utc_offset_s FROM events WHERE machine = ? ORDER BY seq DESC");
    s.jobsAfter = Statement(db_, "SELECT seq, report_line FROM jobs WHERE seq > ? ORDER BY seq");
    s.eventsAfter =
        Statement(db_,
                  "SELECT seq, kind, utc_ms, utc_offset_s, coalesce(machine, 0), coalesce(workpiece, ''), "
                  "coalesce(json_extract(detail, '$.amount_text'), ''), "
                  "json_extract(detail, '$.final.machine'), json_extract(detail, '$.final.workpiece'), "
                  "json_extract(detail, '$.final.mount'), json_extract(detail, '$.final.start'), "
                  "json_extract(detail, '$.final.jump'), json_extract(detail, '$.final.break'), "
                  "json_extract(detail, '$.final.finish'), json_extract(detail, '$.final.amount'), "
                  "coalesce(json_extract(detail, '$.line'), '') "
                  "FROM events WHERE seq > ? ORDER BY seq");
    for (const Statement* statement :
         {&s.insertEvent, &s.insertJob, &s.insertInterval, &s.writeMeta, &s.deleteMeta, &s.readMeta,
          &s.machineEvents, &s.jobsAfter, &s.eventsAfter}) {
        if (!statement->Ok()) {
            Fail(statement->PrepareCode(), "open");
            Close();
            return false;
        }
    }

    const std::optional<std::string> pcId = ReadMeta(meta::kPcId);
    if (!db_) return false;
    if (pcId) {
        pcId_ = *pcId;
    } else {
        begunAfresh_ = true;
        pcId_ = MakePcId();
        if (!Begin() || !WriteMeta(meta::kSchema, std::to_string(kSchemaVersion)) ||
            !WriteMeta(meta::kPcId, pcId_) ||
            (!replacedPcId_.empty() && !WriteMeta(meta::kReplacesPcId, replacedPcId_)) || !Commit()) {
            Close();
            return false;
        }
    }
    Statement last(db_, "SELECT seq FROM sqlite_sequence WHERE name = 'events'");
    lastSeq_ = last.Ok() && last.Step() == SQLITE_ROW ? last.Int(0) : 0;
    openRunInFile_ = false;
    if (snapshotCoversAllOnOpen_) {
        pendingSnapshotSeq_ = lastSeq_;
        snapshotCoversAllOnOpen_ = false;
    }
    return true;
}

bool Journal::SetAsideAsForeign(Stamp now) {
    return SetAside(now, true) && OpenFile();
}

bool Journal::SetAside(Stamp now, bool foreign) {
    if (!pcId_.empty()) replacedPcId_ = pcId_;
    Close();
    const std::filesystem::path aside = folder_ / SetAsideName(now, foreign);
    std::error_code error;
    std::filesystem::rename(Path(), aside, error);
    if (error) {
        lastError_ = "set aside: " + error.message();
        return false;
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ignored;
        std::filesystem::rename(Path().string() + suffix, aside.string() + suffix, ignored);
    }
    setAsideNote_ = aside.string();
    // The new file starts empty: whatever snapshot is on disk came before all of its events.
    pendingSnapshotSeq_.reset();
    snapshotCoversAllOnOpen_ = false;
    return true;
}

std::string Journal::ReplacedPcId() {
    if (!db_) return {};
    return ReadMeta(meta::kReplacesPcId).value_or("");
}

std::string Journal::TakeSetAsideNote() {
    return std::exchange(setAsideNote_, {});
}

bool Journal::Begin() {
    const int code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    return code == SQLITE_OK || Fail(code, "begin");
}

bool Journal::Commit() {
    const int code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK) return true;
    Fail(code, "commit");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool Journal::WriteMeta(const char* key, const std::string& value) {
    const int code =
        statements_->writeMeta.Bind(1, std::string_view(key)).Bind(2, std::string_view(value)).Run();
    return code == SQLITE_DONE || Fail(code, "meta");
}

bool Journal::DeleteMeta(const char* key) {
    const int code = statements_->deleteMeta.Bind(1, std::string_view(key)).Run();
    return code == SQLITE_DONE || Fail(code, "meta");
}

std::optional<std::string> Journal::ReadMeta(const char* key) {
    Statement& read = statements_->readMeta;
    read.Bind(1, std::string_view(key));
    const int code = read.Step();
    std::optional<std::string> value;
    if (code == SQLITE_ROW) value = read.Text(0);
    read.Reset();
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        Fail(code, "read");
        Close();
    }
    return value;
}

std::int64_t Journal::ReadNumber(const char* key, std::int64_t otherwise) {
    // A value edited by hand or cut short reads as absent rather than ending the program.
    const std::optional<std::string> text = ReadMeta(key);
    if (!text) return otherwise;
    const std::optional<std::int64_t> number = TryParseIntegerText(*text);
    return number.value_or(otherwise);
}

bool Journal::WritePendingSnapshot() {
    if (!pendingSnapshotSeq_) return true;
    const std::int64_t seq = ReadNumber(meta::kSnapshotSeq, 0);
    const std::int64_t notePadSeq = ReadNumber(meta::kSnapshotNotePadSeq, seq);
    const auto fingerprint = ReadMeta(meta::kSnapshotFingerprint);
    if (!db_) return false;
    const std::string pending = std::to_string(*pendingSnapshotSeq_);
    return WriteMeta(meta::kPreviousSnapshotSeq, std::to_string(seq)) &&
           WriteMeta(meta::kPreviousSnapshotNotePadSeq, std::to_string(notePadSeq)) &&
           WriteMeta(meta::kPreviousSnapshotFingerprint, fingerprint.value_or("")) &&
           WriteMeta(meta::kSnapshotSeq, pending) && WriteMeta(meta::kSnapshotNotePadSeq, pending) &&
           WriteMeta(meta::kSnapshotFingerprint, pendingFingerprint_);
}

bool Journal::WriteMetaNow(Stamp now, const std::vector<std::pair<const char*, std::string>>& values) {
    if (!Open(now) || !Begin()) return false;
    for (const auto& [key, value] : values) {
        if (!WriteMeta(key, value)) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    return Commit();
}

bool Journal::SnapshotOnDisk(Stamp now, const std::string& fingerprint, RunState::ReplayFrom from) {
    pendingSnapshotSeq_.reset();
    snapshotCoversAllOnOpen_ = false;
    const std::string board = std::to_string(from.boardAfter);
    const std::string notePad = std::to_string(from.notePadAfter);
    return WriteMetaNow(now, {{meta::kSnapshotSeq, board},
                              {meta::kSnapshotNotePadSeq, notePad},
                              {meta::kSnapshotFingerprint, fingerprint},
                              {meta::kPreviousSnapshotSeq, board},
                              {meta::kPreviousSnapshotNotePadSeq, notePad},
                              {meta::kPreviousSnapshotFingerprint, fingerprint}});
}

bool Journal::BeginArchive(Stamp now, const std::string& file, const std::string& text) {
    return WriteMetaNow(now, {{meta::kArchiveIntent, JsonObject({{"file", file}, {"text", text}})}});
}

std::optional<ArchiveIntent> Journal::OpenArchiveIntent() {
    if (!db_) return std::nullopt;
    Statement read(db_,
                   "SELECT json_extract(value, '$.file'), json_extract(value, '$.text') FROM meta "
                   "WHERE key = ? AND json_valid(value)");
    if (!read.Ok()) return std::nullopt;
    read.Bind(1, std::string_view(meta::kArchiveIntent));
    if (read.Step() != SQLITE_ROW) return std::nullopt;
    return ArchiveIntent{read.Text(0), read.Text(1)};
}

std::optional<std::int64_t> Journal::InsertEvent(const Event& event) {
    Statement& insert = statements_->insertEvent;
    insert.Bind(1, std::string_view(pcId_))
        .Bind(2, event.stamp.utcMs)
        .Bind(3, std::int64_t{event.stamp.offsetS});
    insert.Bind(4, std::string_view(event.kind));
    if (event.machine > 0)
        insert.Bind(5, std::int64_t{event.machine}).Bind(6, std::string_view(event.machineName));
    insert.Bind(7, event.workpiece).Bind(8, event.amount).Bind(9, std::string_view(event.detail));
    const int code = insert.Run();
    if (code != SQLITE_DONE) {
        Fail(code, "insert");
        return std::nullopt;
    }
    return sqlite3_last_insert_rowid(db_);
}

template <typename Body>
std::optional<std::int64_t> Journal::InTransaction(Stamp now, Body body) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Open(now)) return std::nullopt;
        if (Begin()) {
            const std::optional<std::int64_t> seq = body();
            // A journal begun afresh mid-run learns with its first event that this run is open.
            const bool markRun = runOpen_ && !openRunInFile_;
            if (seq && WritePendingSnapshot() &&
                (!markRun || WriteMeta(meta::kOpenRun, std::to_string(*seq))) && Commit()) {
                lastSeq_ = *seq;
                pendingSnapshotSeq_.reset();
                if (markRun) openRunInFile_ = true;
                return seq;
            }
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        // A file found damaged on the way is set aside and the event written into a new one.
        if (!damaged_) return std::nullopt;
        Close();
        if (!SetAside(now)) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::int64_t> Journal::Append(const Event& event) {
    if (event.kind == kind::kProgramStarted) {
        runOpen_ = true;
        openRunInFile_ = false;
    }
    if (event.kind == kind::kProgramClosed) runOpen_ = false;
    return InTransaction(event.stamp, [&]() -> std::optional<std::int64_t> {
        const auto seq = InsertEvent(event);
        if (!seq) return std::nullopt;
        if (event.kind == kind::kProgramClosed && !DeleteMeta(meta::kOpenRun)) return std::nullopt;
        return seq;
    });
}

std::optional<std::int64_t> Journal::AppendCompleted(Event event, const Completion& completion) {
    event.kind = kind::kCompleted;
    event.workpiece = completion.confirmed[1];
    event.amount = AmountOf(completion.confirmed[7]);
    event.detail = "{\"report_no\":" + std::to_string(completion.reportNo) +
                   ",\"line\":" + JsonString(completion.line) +
                   ",\"stamped\":" + FieldsJson(completion.stamped) +
                   ",\"final\":" + FieldsJson(completion.confirmed) + "}";
    return InTransaction(event.stamp, [&]() -> std::optional<std::int64_t> {
        // The machine's events back to this job's mount (or its previous job's end), oldest first.
        std::vector<MachineEvent> jobEvents;
        Statement& walk = statements_->machineEvents;
        walk.Bind(1, std::int64_t{event.machine});
        int code = SQLITE_ROW;
        while ((code = walk.Step()) == SQLITE_ROW) {
            std::string kindText = walk.Text(0);
            if (kindText == kind::kCompleted || kindText == kind::kCancelled) break;
            jobEvents.insert(jobEvents.begin(),
                             {kindText, {walk.Int(1), static_cast<std::int32_t>(walk.Int(2))}});
            if (kindText == kind::kMounted) break;
        }
        walk.Reset();
        if (code != SQLITE_ROW && code != SQLITE_DONE) {
            Fail(code, "read");
            return std::nullopt;
        }
        const auto seq = InsertEvent(event);
        if (!seq) return std::nullopt;
        const JobTimes times = ComputeJobTimes(jobEvents, event.stamp, completion);
        Statement& job = statements_->insertJob;
        job.Bind(1, *seq).Bind(2, std::string_view(pcId_)).Bind(3, std::int64_t{event.machine});
        job.Bind(4, std::string_view(event.machineName)).Bind(5, std::string_view(completion.confirmed[1]));
        job.Bind(6, event.amount.value_or(0)).Bind(7, times.mountUtcMs).Bind(8, times.startUtcMs);
        job.Bind(9, times.finishUtcMs).Bind(10, std::int64_t{times.utcOffsetS}).Bind(11, times.jumpMs);
        job.Bind(12, times.breakMs).Bind(13, std::string_view(completion.line));
        job.Bind(14, std::int64_t{times.stampedDiffers ? 1 : 0});
        if ((code = job.Run()) != SQLITE_DONE) {
            Fail(code, "insert");
            return std::nullopt;
        }
        for (const Interval& interval : times.intervals) {
            Statement& insert = statements_->insertInterval;
            insert.Bind(1, *seq).Bind(2, std::string_view(interval.kind)).Bind(3, interval.beginUtcMs);
            if ((code = insert.Bind(4, interval.endUtcMs).Run()) != SQLITE_DONE) {
                Fail(code, "insert");
                return std::nullopt;
            }
        }
        return seq;
    });
}

std::optional<std::int64_t> Journal::AppendArchived(Event event, const std::string& file,
                                                    std::int64_t firstLine,
                                                    const std::vector<std::string>& notePadLines) {
    event.kind = kind::kArchived;
    return InTransaction(event.stamp, [&]() -> std::optional<std::int64_t> {
        const std::optional<std::string> archivedSeq = ReadMeta(meta::kArchivedSeq);
        if (!db_) return std::nullopt;
        // The jobs finished since the last archive, matched to the NotePad's lines in order; a line
        // that matches none (brought back from an older snapshot, typed elsewhere) stays unmatched.
        std::vector<std::pair<std::int64_t, std::string>> jobs;
        Statement& read = statements_->jobsAfter;
        read.Bind(1, archivedSeq ? TryParseIntegerText(*archivedSeq).value_or(0) : std::int64_t{0});
        int code = SQLITE_ROW;
        while ((code = read.Step()) == SQLITE_ROW)
            jobs.emplace_back(read.Int(0), read.Text(1));
        read.Reset();
        if (code != SQLITE_DONE) {
            Fail(code, "read");
            return std::nullopt;
        }
        std::string matches;
        std::size_t from = 0;
        for (std::size_t i = 0; i < notePadLines.size(); ++i) {
            for (std::size_t j = from; j < jobs.size(); ++j) {
                if (jobs[j].second != notePadLines[i]) continue;
                if (!matches.empty()) matches += ',';
                matches += "[" + std::to_string(jobs[j].first) + "," +
                           std::to_string(firstLine + static_cast<std::int64_t>(i)) + "]";
                from = j + 1;
                break;
            }
        }
        event.detail = "{\"file\":" + JsonString(file) + ",\"first_line\":" + std::to_string(firstLine) +
                       ",\"lines\":" + std::to_string(notePadLines.size()) + ",\"jobs\":[" + matches + "]}";
        const auto seq = InsertEvent(event);
        if (!seq || !WriteMeta(meta::kArchivedSeq, std::to_string(*seq)) || !DeleteMeta(meta::kArchiveIntent))
            return std::nullopt;
        return seq;
    });
}

void Journal::SnapshotCoversAll(const std::string& fingerprint) {
    pendingFingerprint_ = fingerprint;
    if (!db_) {
        snapshotCoversAllOnOpen_ = true;
        return;
    }
    pendingSnapshotSeq_ = lastSeq_;
    if (Begin()) {
        if (WritePendingSnapshot() && Commit()) {
            pendingSnapshotSeq_.reset();
        } else {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
}

void Journal::SnapshotNotSaved() {
    if (pendingSnapshotSeq_ || snapshotCoversAllOnOpen_) {
        pendingSnapshotSeq_.reset();
        snapshotCoversAllOnOpen_ = false;
        return;
    }
    if (!db_ || !Begin()) return;
    const std::int64_t seq = ReadNumber(meta::kPreviousSnapshotSeq, 0);
    const std::int64_t notePadSeq = ReadNumber(meta::kPreviousSnapshotNotePadSeq, seq);
    const auto fingerprint = ReadMeta(meta::kPreviousSnapshotFingerprint);
    if (!db_) return;
    if (WriteMeta(meta::kSnapshotSeq, std::to_string(seq)) &&
        WriteMeta(meta::kSnapshotNotePadSeq, std::to_string(notePadSeq)) &&
        WriteMeta(meta::kSnapshotFingerprint, fingerprint.value_or("")) && Commit()) {
        return;
    }
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

RunState Journal::ReadRunState() {
    RunState state;
    if (!db_) return state;
    state.endedCleanly = !ReadMeta(meta::kOpenRun);
    state.snapshotSeq = ReadNumber(meta::kSnapshotSeq, 0);
    state.snapshotNotePadSeq = ReadNumber(meta::kSnapshotNotePadSeq, state.snapshotSeq);
    state.snapshotFingerprint = ReadMeta(meta::kSnapshotFingerprint).value_or("");
    state.previousSeq = ReadNumber(meta::kPreviousSnapshotSeq, 0);
    state.previousNotePadSeq = ReadNumber(meta::kPreviousSnapshotNotePadSeq, state.previousSeq);
    state.previousFingerprint = ReadMeta(meta::kPreviousSnapshotFingerprint).value_or("");
    return state;
}

RunState::ReplayFrom RunState::From(const std::string& fingerprint) const {
    // "board-notepad". A half that is not the newer snapshot's is the one before's: where it matches
    // that, or where there was none before (the files were then missing and read as empty).
    const auto half = [](const std::string& text, bool first) {
        const auto dash = text.find('-');
        if (dash == std::string::npos) return std::string();
        return first ? text.substr(0, dash) : text.substr(dash + 1);
    };
    bool known = true;
    const auto seqOf = [&](bool first) {
        const std::int64_t newer = first ? snapshotSeq : snapshotNotePadSeq;
        const std::int64_t older = first ? previousSeq : previousNotePadSeq;
        const std::string loaded = half(fingerprint, first);
        if (loaded.empty() || loaded == half(snapshotFingerprint, first)) return newer;
        if (previousFingerprint.empty() || loaded == half(previousFingerprint, first)) return older;
        known = false;
        return newer;
    };
    const std::int64_t board = seqOf(true);
    const std::int64_t notePad = seqOf(false);
    return {board, notePad, known};
}

std::vector<StoredEvent> Journal::EventsAfter(std::int64_t seq) {
    std::vector<StoredEvent> events;
    if (!db_) return events;
    Statement& read = statements_->eventsAfter;
    read.Bind(1, seq);
    int code = SQLITE_ROW;
    while ((code = read.Step()) == SQLITE_ROW) {
        StoredEvent event;
        event.seq = read.Int(0);
        event.kind = read.Text(1);
        event.stamp = {read.Int(2), static_cast<std::int32_t>(read.Int(3))};
        event.machine = static_cast<int>(read.Int(4));
        event.workpiece = read.Text(5);
        event.amountText = read.Text(6);
        for (int i = 0; i < 8; ++i)
            event.confirmed[static_cast<std::size_t>(i)] = read.Text(7 + i);
        event.line = read.Text(15);
        events.push_back(std::move(event));
    }
    read.Reset();
    if (code != SQLITE_DONE) Fail(code, "read");
    return events;
}

}  // namespace kerfolio::journal
