#pragma once

#include "storage/work_snapshot.h"

#include <ostream>

namespace kerfolio {

// Readable failure messages instead of object bytes.
inline void PrintTo(const WorkSnapshot& snapshot, std::ostream* out) {
    for (const SnapshotRow& row : snapshot.rows) {
        *out << "[" << row.cells[0] << "|" << row.cells[1] << "|" << row.cells[2] << "|" << row.cells[3]
             << "|" << row.jumpTotal << "|" << row.breakTotal << "|" << row.workName << "|" << row.workAmount
             << "] ";
    }
    *out << "E=" << snapshot.jobCount << " NotePad=\"" << snapshot.notePad << "\"";
}

}  // namespace kerfolio

namespace kerfolio::testing {

// Two snapshots that differ in every key and in the NotePad, with GBK text, empty cells and a
// multi-line NotePad, so a torn or mixed write cannot pass for either of them.
WorkSnapshot SampleSnapshot(bool second);

}  // namespace kerfolio::testing
