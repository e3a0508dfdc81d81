#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/event.h"
#include "journal/sqlite_statement.h"

namespace kerfolio::journal {

// What the last run left behind, read once at start-up.
struct RunState {
    bool endedCleanly = true;  // no program_started without its program_closed
    // The last two snapshots recorded: the last event each holds and the fingerprint of its content.
    std::int64_t snapshotSeq = 0;
    std::string snapshotFingerprint;
    std::int64_t previousSeq = 0;
    std::string previousFingerprint;
    // The NotePad halves' own seqs, where a start-up recorded a snapshot found half new, half old.
    std::int64_t snapshotNotePadSeq = 0;
    std::int64_t previousNotePadSeq = 0;

    // Where replay starts for the snapshot loaded with this fingerprint. A crash while a snapshot was
    // being written leaves the new one or the one before on disk, or the new NotePad beside the board of
    // the one before (two files); the fingerprint's two halves (board, NotePad) tell which.
    struct ReplayFrom {
        std::int64_t boardAfter = 0;    // the board holds the events up to this seq
        std::int64_t notePadAfter = 0;  // the NotePad holds the lines of the jobs up to this seq
        // False when a half of the snapshot is neither of the two the journal names (a file copied in
        // or restored by hand): replay then starts after the newest, and may lack or repeat events.
        bool known = true;
    };
    ReplayFrom From(const std::string& fingerprint) const;
};

// What an archive was about to add to a day file when it last left no archived event behind.
struct ArchiveIntent {
    std::string file;
    std::string text;  // the NotePad text, UTF-8, '\n' between lines
};

// An event as replay needs it back.
struct StoredEvent {
    std::int64_t seq = 0;
    std::string kind;
    Stamp stamp;
    int machine = 0;
    std::string workpiece;
    std::string amountText;
    CompletionFields confirmed;  // completed only
    std::string line;            // completed only: the report line
};

// The journal file of one data folder. Every append is one transaction, durable when it returns. Any
// failure leaves the caller's work untouched: the append says false, LastError() says why, and the
// next append opens the file afresh. A file SQLite finds damaged is set aside under a dated name and a
// new journal begun (SetAsideNote() then names it once).
class Journal {
  public:
    explicit Journal(std::filesystem::path folder);  // its journal.sqlite
    Journal(std::filesystem::path folder, std::string fileName);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    std::filesystem::path Path() const;
    // Opens or creates the file; now dates a damaged file's new name. True when open.
    bool Open(Stamp now);
    bool IsOpen() const { return db_ != nullptr; }
    void Close();

    // The seq given to the event, or nothing when it could not be written.
    std::optional<std::int64_t> Append(const Event& event);
    // The completed event and its jobs and job_intervals rows.
    std::optional<std::int64_t> AppendCompleted(Event event, const Completion& completion);
    // The archived event: where the NotePad's lines went, each report line matched to its completed event.
    std::optional<std::int64_t> AppendArchived(Event event, const std::string& file, std::int64_t firstLine,
                                               const std::vector<std::string>& notePadLines);

    // A snapshot of every event written so far is about to be saved (or was loaded); fingerprint names
    // its content. Recorded now when it can be, else with the next event that is written.
    void SnapshotCoversAll(const std::string& fingerprint = {});

    // The snapshot just announced could not be saved: the one before is still the one on disk.
    void SnapshotNotSaved();

    // At start-up: the snapshot with this fingerprint is on disk, its halves holding the events up to
    // from's seqs. Both records name it, so a save announced next and never finished still leaves the
    // one on disk named.
    bool SnapshotOnDisk(Stamp now, const std::string& fingerprint, RunState::ReplayFrom from);

    // An archive is about to append text to file: on record before the day file is touched, so the start
    // after a crash in between knows which lines may be there already. Removed with its archived event.
    bool BeginArchive(Stamp now, const std::string& file, const std::string& text);
    // The intent of an archive that never recorded its archived event.
    std::optional<ArchiveIntent> OpenArchiveIntent();

    // Sets the file aside under a dated "journal-foreign-" name and begins a new one: it holds another
    // data folder's work (TakeSetAsideNote() names it). True when the new one is open.
    bool SetAsideAsForeign(Stamp now);

    RunState ReadRunState();
    std::vector<StoredEvent> EventsAfter(std::int64_t seq);

    const std::string& LastError() const { return lastError_; }
    // The name a damaged journal was set aside under, once; empty when none was.
    std::string TakeSetAsideNote();
    const std::string& PcId() const { return pcId_; }
    // The open file was made by this open: no journal was there before (or it was set aside).
    bool BegunAfresh() const { return begunAfresh_; }
    // The id of the journal this one was begun in place of when that one was set aside; empty if none.
    std::string ReplacedPcId();
    std::int64_t LastSeq() const { return lastSeq_; }

  private:
    bool OpenFile();
    bool Fail(int code, const char* what);
    bool SetAside(Stamp now, bool foreign = false);
    bool Begin();
    bool Commit();
    std::optional<std::int64_t> InsertEvent(const Event& event);
    bool WriteMeta(const char* key, const std::string& value);
    bool DeleteMeta(const char* key);
    bool WritePendingSnapshot();
    std::optional<std::string> ReadMeta(const char* key);
    std::int64_t ReadNumber(const char* key, std::int64_t otherwise);
    bool WriteMetaNow(Stamp now, const std::vector<std::pair<const char*, std::string>>& values);
    template <typename Body>
    std::optional<std::int64_t> InTransaction(Stamp now, Body body);

    std::filesystem::path folder_;
    std::string fileName_;
    sqlite3* db_ = nullptr;
    std::string pcId_;
    std::string replacedPcId_;  // of the file last set aside, for the next one made
    std::int64_t lastSeq_ = 0;
    std::optional<std::int64_t> pendingSnapshotSeq_;
    std::string pendingFingerprint_;
    bool snapshotCoversAllOnOpen_ = false;
    bool damaged_ = false;
    bool begunAfresh_ = false;
    bool runOpen_ = false;        // program_started asked for, program_closed not yet
    bool openRunInFile_ = false;  // the open file already marks this run open
    std::string lastError_;
    std::string setAsideNote_;
    struct Statements;
    std::unique_ptr<Statements> statements_;
};

}  // namespace kerfolio::journal
