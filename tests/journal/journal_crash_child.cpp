// A long day of clicks, each committed to the journal, with a snapshot every seven; the test kills it
// with SIGKILL at a moment it does not choose.
#include "journal/start_up.h"
#include "storage/work_snapshot.h"
#include "tests/journal/shop.h"

int main(int argc, char** argv) {
    using namespace kerfolio;
    if (argc != 2) return 2;
    const std::filesystem::path folder = argv[1];
    journal::testing::Shop shop(folder);
    shop.journal.Append(journal::ProgramEvent(journal::kind::kProgramStarted, {1'780'000'000'000, 8 * 3600}));
    for (int i = 0; i < 1'000'000; ++i) {
        shop.Step(i);
        if (i % 7 != 6) continue;
        const WorkSnapshot snapshot = TakeSnapshot(shop.board, shop.notePad);
        shop.journal.SnapshotCoversAll(journal::SnapshotFingerprint(snapshot));
        if (SaveWorkSnapshot(folder, snapshot)) shop.journal.SnapshotNotSaved();
    }
    return 0;
}
