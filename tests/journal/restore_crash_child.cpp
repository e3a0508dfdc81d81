// One run of a two-run day, killed just before a chosen file event, for the restore crash test:
//   day FOLDER N      a machine left in a jump and a clean close, then a run that confirms four clicks
//                     and saves a snapshot, killed at the save's N-th file event (or crashing after it)
//   restart FOLDER N  a start that restores from the journal, killed at the N-th file event from the
//                     restore on (or crashing after its start)
// Prints the file events it counted when it was not killed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/journal/file_events.h"
#include "tests/journal/restore_day.h"
#include "tests/journal/window_start.h"

namespace kerfolio::journal::testing {
namespace {

void Save(Journal& journal, const TJobBoard& board, const std::string& notePad) {
    const WorkSnapshot snapshot = TakeSnapshot(board, notePad);
    journal.SnapshotCoversAll(SnapshotFingerprint(snapshot));
    if (SaveWorkSnapshot(journal.Path().parent_path(), snapshot)) journal.SnapshotNotSaved();
}

}  // namespace

}  // namespace kerfolio::journal::testing

int main(int argc, char** argv) {
    using namespace kerfolio;
    using namespace kerfolio::journal::testing;
    if (argc != 4) return 2;
    const std::filesystem::path folder = argv[2];
    const int killAt = std::atoi(argv[3]);
    if (std::strcmp(argv[1], "day") == 0) {
        {
            Shop first(folder);
            StartAsTheWindowDoes(first.journal, Local(2026, 12, 9, 6, 59, 8), first.board, first.notePad,
                                 [] {});
            FirstRun(first);
            Save(first.journal, first.board, first.notePad);
            first.journal.Append(
                journal::ProgramEvent(journal::kind::kProgramClosed, Local(2026, 12, 9, 9, 5, 8)));
        }
        Shop shop(folder);
        StartAsTheWindowDoes(shop.journal, Local(2026, 12, 9, 9, 10, 8), shop.board, shop.notePad, [] {});
        SecondRun(shop);
        KillAtFileEvent(killAt);
        Save(shop.journal, shop.board, shop.notePad);  // 现在保存
    } else {
        Shop shop(folder);
        StartAsTheWindowDoes(shop.journal, Local(2026, 12, 9, 10, 30, 8), shop.board, shop.notePad,
                             [&] { KillAtFileEvent(killAt); });
    }
    std::printf("%d\n", FileEventsCounted());
    std::fflush(stdout);
    std::_Exit(0);  // a crash: no program_closed
}
