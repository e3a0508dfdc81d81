#pragma once

#include <string>

#include "journal/json_text.h"
#include "storage/work_snapshot.h"

namespace kerfolio::journal::testing {

// The fingerprint the crash child gives the snapshots it saves.
inline std::string FingerprintOf(const WorkSnapshot& snapshot) {
    std::string board;
    for (const auto& [key, value] : SnapshotKeys(snapshot))
        board += key + '\n' + value + '\n';
    return Fingerprint(board) + "-" + Fingerprint(snapshot.notePad);
}

}  // namespace kerfolio::journal::testing
