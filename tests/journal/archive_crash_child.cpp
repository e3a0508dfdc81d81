// Archives a NotePad of three finished jobs as the window does, killed just before a chosen file event.
// Prints the file events it counted when it was not killed.
#include <cstdio>
#include <cstdlib>

#include "tests/journal/archive_day.h"
#include "tests/journal/file_events.h"

int main(int argc, char** argv) {
    using namespace kerfolio::journal::testing;
    if (argc != 3) return 2;
    ArchiveDay day(argv[1]);
    KillAtFileEvent(std::atoi(argv[2]));
    day.Archive();
    std::printf("%d\n", FileEventsCounted());
    std::fflush(stdout);
    std::_Exit(0);
}
