// Saves the two sample snapshots in turn into the folder given, until it is killed, and tells the
// test each save it completed.
#include <cstdio>

#include "measured_kill.h"
#include "snapshot_samples.h"
#include "storage/work_snapshot.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const kerfolio::WorkSnapshot samples[2] = {kerfolio::testing::SampleSnapshot(false),
                                               kerfolio::testing::SampleSnapshot(true)};
    for (unsigned long i = 0;; ++i) {
        if (auto error = kerfolio::SaveWorkSnapshot(argv[1], samples[(i + 1) % 2])) {
            std::fprintf(stderr, "%s\n", error->c_str());
            return 1;
        }
        kerfolio::testing::TellSaved();
    }
}
