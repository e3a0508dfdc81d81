#include "snapshot_samples.h"

namespace kerfolio::testing {

WorkSnapshot SampleSnapshot(bool second) {
    WorkSnapshot snapshot;
    for (int i = 0; i < 6; ++i) {
        SnapshotRow& row = snapshot.rows[i];
        const std::string machine = std::to_string(i + 1);
        row.cells = {std::to_string(second ? 7 : 8) + ":0" + machine + ":11",
                     second ? "" : "9:15:4" + machine, second ? "13:2" + machine + ":00" : "",
                     second ? "" : "14:0" + machine + ":59"};
        row.jumpTotal = second ? "0:1" + machine + ":05" : "1:0" + machine + ":00";
        row.breakTotal = second ? "0:00:0" + machine : "0:0" + machine + ":30";
        row.workName = (second ? "冲头" : "模具镶块") + machine;
        row.workAmount = second ? "" : machine + "2";
    }
    snapshot.jobCount = second ? 12 : 3;
    snapshot.notePad.clear();
    for (int line = 1; line <= (second ? 40 : 3); ++line) {
        snapshot.notePad += std::to_string(line) + "  机床" + std::to_string(line % 6 + 1) + "  " +
                            (second ? "冲头" : "镶块") + "  8:02:11  10:15:40  0:12:05  0:00:00  12\n";
    }
    return snapshot;
}

}  // namespace kerfolio::testing
