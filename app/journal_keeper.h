#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "journal/event.h"
#include "journal/journal.h"

namespace kerfolio {

class Messages;

// The window's side of the journal. A write that fails never stops the click that made it: one message
// says so when the journal stops, nothing more until it has written again, and every later event tries
// the file afresh. A damaged file set aside is told once.
class JournalKeeper {
  public:
    JournalKeeper(const std::filesystem::path& journalFile, Messages& messages);

    // Opens the file and reads what the last run left; called once, before anything is recorded.
    journal::RunState Start(journal::Stamp now);

    void Record(const journal::Event& event);
    void RecordCompleted(const journal::Event& event, const journal::Completion& completion);
    // An archive of notePad into file is about to append. Returns the text an earlier archive into file
    // set out to add and never recorded as done (a crash in between): some of it may be there already.
    std::string ArchiveStarting(journal::Stamp now, const std::filesystem::path& file,
                                std::string_view notePad);
    // A NotePad archived into file, its first line at line firstLine of the file.
    void RecordArchive(journal::Stamp now, const std::filesystem::path& file, std::int64_t firstLine,
                       std::string_view notePad);
    // A snapshot of every event recorded so far is about to be saved, or was loaded by hand.
    void SnapshotSaved(const std::string& fingerprint);
    // ... and it could not be saved after all.
    void SnapshotNotSaved() { journal_.SnapshotNotSaved(); }

    journal::Journal& File() { return journal_; }

  private:
    void After(bool written);

    journal::Journal journal_;
    Messages& messages_;
    bool stopped_ = false;
};

// The line of the day file where the NotePad's first line went, from the file as the archive left it.
std::int64_t ArchiveFirstLine(std::string_view fileBytesAfter, std::string_view notePad);

}  // namespace kerfolio
