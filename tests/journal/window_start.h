#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "journal/board_events.h"
#include "journal/start_up.h"
#include "storage/data_folder.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio::journal::testing {

// A start as the window makes it with 自动调入 on: the snapshot, the journal's events past it, a save
// of what was restored, program_started. beforeRestore runs just before the journal is asked.
template <typename BeforeRestore>
StartUpRestore StartAsTheWindowDoes(Journal& journal, Stamp now, TJobBoard& board, std::string& notePad,
                                    BeforeRestore beforeRestore) {
    const std::filesystem::path folder = journal.Path().parent_path();
    journal.Open(now);
    const RunState lastRun = journal.ReadRunState();
    std::optional<std::string> loaded;
    if (const SnapshotLoad load = LoadWorkSnapshot(folder); load.snapshot) {
        RestoreSnapshot(*load.snapshot, board);
        notePad = load.snapshot->notePad;
        loaded = SnapshotFingerprint(*load.snapshot);
    }
    beforeRestore();
    SettingsFile settings(SettingsPath(folder));
    const StartUpRestore restore = RestoreAtStart(
        journal, lastRun, settings.Read(save_ini::kJournalSection, save_ini::kJournalPcIdKey, ""), loaded,
        now, board, notePad);
    if (!restore.pcIdToRecord.empty())
        settings.Write(save_ini::kJournalSection, save_ini::kJournalPcIdKey, restore.pcIdToRecord);
    if (restore.applied > 0) {
        const WorkSnapshot snapshot = TakeSnapshot(board, notePad);
        journal.SnapshotCoversAll(SnapshotFingerprint(snapshot));
        if (SaveWorkSnapshot(folder, snapshot)) journal.SnapshotNotSaved();
    }
    journal.Append(ProgramEvent(kind::kProgramStarted, now));
    return restore;
}

}  // namespace kerfolio::journal::testing
