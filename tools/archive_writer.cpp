// Adds lines to a day's archive file as the program's daily archive does, for races between PCs:
//   kerfolio-archive-writer FILE START_MS LINE...
// waits until START_MS (milliseconds since the epoch, so copies started apart still write at the same
// moment), archives the lines and exits 0, or prints the archive's error and exits 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "storage/daily_archive.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FILE START_MS LINE...\n", argv[0]);
        return 2;
    }
    std::string notePad;
    for (int i = 3; i < argc; ++i)
        notePad += std::string(i > 3 ? "\n" : "") + argv[i];
    const std::chrono::system_clock::time_point start{std::chrono::milliseconds(std::atoll(argv[2]))};
    std::this_thread::sleep_until(start);
    if (const auto error = kerfolio::AppendToArchive(argv[1], notePad)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    return 0;
}
