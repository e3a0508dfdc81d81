#pragma once

#include <optional>
#include <string>

#include "board/job_board.h"
#include "journal/journal.h"

namespace kerfolio {
struct WorkSnapshot;
}

namespace kerfolio::journal {

// A short name of a snapshot's content, the same for the same board and NotePad: the board (save.ini's
// keys) and the NotePad (temp.sav) apart, since they are two files and a crash between their writes
// leaves one new and one old.
std::string SnapshotFingerprint(const WorkSnapshot& snapshot);

struct StartUpRestore {
    int applied = 0;     // events the snapshot lacked, now on the board and in the NotePad
    int passedOver = 0;  // events past the snapshot the board refused: what came before them is missing
    bool known = true;   // false: the snapshot on disk is not one the journal named (see ReplayFrom)
    // What could not be restored, and why; each empty when it did not happen.
    std::string damagedAside;  // the journal was damaged: set aside under this name
    std::string foreignAside;  // the journal was another PC's: set aside under this name
    bool missing = false;      // the journal this data folder had is gone: a new one was begun
    // The journal's id, for save.ini, when it differs from the one save.ini holds; empty otherwise.
    std::string pcIdToRecord;
};

// Start-up with the journal just opened, lastRun read from it, and the board and NotePad just loaded
// from the snapshot whose fingerprint is loaded (none: nothing was loaded). recordedPcId is the journal
// id save.ini holds for this data folder (empty: none yet). A journal of another id is set aside and a
// new one begun. After a run that did not end cleanly the events past the snapshot are applied. Either
// way the journal then names the snapshot on disk, so a save that a second crash cuts short still
// leaves it named. When applied is not 0 the caller saves a snapshot at once.
StartUpRestore RestoreAtStart(Journal& journal, RunState lastRun, const std::string& recordedPcId,
                              const std::optional<std::string>& loaded, Stamp now, TJobBoard& board,
                              std::string& notePad);

}  // namespace kerfolio::journal
