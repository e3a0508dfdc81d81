// Counts the moments a crash can fall between (each fsync, fdatasync and rename of this process,
// SQLite's included) and, once armed, kills the process with SIGKILL just before the one asked for.
#include "tests/journal/file_events.h"

#include <dlfcn.h>
#include <signal.h>

namespace {

int armedAt = 0;
int counted = 0;

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

void Event() {
    if (armedAt > 0 && ++counted == armedAt) ::raise(SIGKILL);
}

}  // namespace

namespace kerfolio::journal::testing {

void KillAtFileEvent(int n) {
    armedAt = n > 0 ? n : 1 << 30;
    counted = 0;
}

int FileEventsCounted() {
    return counted;
}

}  // namespace kerfolio::journal::testing

extern "C" int fsync(int fd) {
    Event();
    static const auto real = Next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    Event();
    static const auto real = Next<int (*)(int)>("fdatasync");
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    Event();
    static const auto real = Next<int (*)(const char*, const char*)>("rename");
    return real(from, to);
}
