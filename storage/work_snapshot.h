#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/job_board.h"

namespace kerfolio {

// The snapshotted columns of one machine, in this order.
inline constexpr std::array<TEventColumn, 4> kSnapshotColumns = {ecMount, ecStart, ecJumpStart, ecBreakStart};

struct SnapshotRow {
    std::array<std::string, 4> cells;  // columns 1, 2, 3, 5
    std::string jumpTotal, breakTotal, workName, workAmount;

    friend bool operator==(const SnapshotRow&, const SnapshotRow&) = default;
};

struct WorkSnapshot {
    std::array<SnapshotRow, 6> rows;
    std::int32_t jobCount = 0;
    std::string notePad;  // UTF-8, lines separated by '\n'

    friend bool operator==(const WorkSnapshot&, const WorkSnapshot&) = default;
};

WorkSnapshot TakeSnapshot(const TJobBoard& board, std::string notePad);

// Sets cells 1, 2, 3, 5 of every row (through SetCell, so the screen follows), the totals, names,
// amounts and JobCount. Columns 4, 6, 7 and the pending-event record stay as they are.
void RestoreSnapshot(const WorkSnapshot& snapshot, TJobBoard& board);

// temp.sav first; when it cannot be written save.ini is left alone. Then all 49 keys of section "save"
// in one atomic rewrite of save.ini. nullopt on success, else the text for the error box.
std::optional<std::string> SaveWorkSnapshot(const std::filesystem::path& folder,
                                            const WorkSnapshot& snapshot);

struct SnapshotLoad {
    std::optional<WorkSnapshot> snapshot;  // only when everything read and converted
    std::string error;
};

// All or nothing: the snapshot only when both files read and "E" converts.
SnapshotLoad LoadWorkSnapshot(const std::filesystem::path& folder);

// The pieces of save and load that need no files.
std::vector<std::pair<std::string, std::string>> SnapshotKeys(
    const WorkSnapshot& snapshot);                             // in write order
std::string NotePadFileBytes(std::string_view notePad);        // CR LF line breaks, GBK
std::string NotePadFromFileBytes(std::string_view fileBytes);  // any line break becomes '\n'
// settingsBytes are the raw save.ini bytes (empty when the file is missing).
SnapshotLoad ParseWorkSnapshot(std::string_view settingsBytes, std::string_view notePadBytes);

}  // namespace kerfolio
