#include "journal/start_up.h"

#include <algorithm>

#include "journal/json_text.h"
#include "journal/replay.h"
#include "storage/work_snapshot.h"

namespace kerfolio::journal {

std::string SnapshotFingerprint(const WorkSnapshot& snapshot) {
    std::string board;
    for (const auto& [key, value] : SnapshotKeys(snapshot))
        board.append(key).append(1, '\n').append(value).append(1, '\n');
    return Fingerprint(board) + "-" + Fingerprint(snapshot.notePad);
}

StartUpRestore RestoreAtStart(Journal& journal, RunState lastRun, const std::string& recordedPcId,
                              const std::optional<std::string>& loaded, Stamp now, TJobBoard& board,
                              std::string& notePad) {
    StartUpRestore restore;
    restore.damagedAside = journal.TakeSetAsideNote();
    if (journal.IsOpen() && !recordedPcId.empty() && journal.PcId() != recordedPcId) {
        if (journal.BegunAfresh()) {
            restore.missing = restore.damagedAside.empty();
        } else if (journal.ReplacedPcId() == recordedPcId) {
            // Begun in place of this folder's journal, set aside while the last run wrote: ours.
        } else if (journal.SetAsideAsForeign(now)) {
            // Copied in from another PC: none of its events belong on this board.
            restore.foreignAside = journal.TakeSetAsideNote();
            lastRun = journal.ReadRunState();
        }
    }
    if (journal.IsOpen() && journal.PcId() != recordedPcId) restore.pcIdToRecord = journal.PcId();
    if (!loaded || lastRun.endedCleanly) {
        // This run's board did not come from the events since the last snapshot: they are done with.
        journal.SnapshotCoversAll(loaded.value_or(""));
        return restore;
    }
    const RunState::ReplayFrom from = lastRun.From(*loaded);
    restore.known = from.known;
    journal.SnapshotOnDisk(now, *loaded, from);
    restore.applied = Replay(journal.EventsAfter(std::min(from.boardAfter, from.notePadAfter)), from, board,
                             notePad, &restore.passedOver);
    if (restore.applied == 0) journal.SnapshotCoversAll(*loaded);
    return restore;
}

}  // namespace kerfolio::journal
