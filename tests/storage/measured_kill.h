#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kerfolio::testing {

// The descriptor a crash child writes one byte to after each save it completed.
inline constexpr int kSavedFd = 3;

// In a crash child: one save is complete.
inline void TellSaved() {
    const char done = 1;
    [[maybe_unused]] const ssize_t written = ::write(kSavedFd, &done, 1);
}

// Runs program with args and kills it with SIGKILL inside a save: it waits for two saves to complete,
// then kills at a random point of the next one, measured by the last one's length. So the kill lands
// mid-save on a fast machine and under a sanitizer alike. The wait status, or -1 when the child ended
// or fell silent (30 s) before its second save.
inline int KillInsideASave(const std::string& program, const std::vector<std::string>& args,
                           std::mt19937& random) {
    int saved[2];
    if (::pipe2(saved, O_CLOEXEC) != 0) return -1;
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::dup2(saved[1], kSavedFd);  // dup2 clears close-on-exec
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(saved[1]);
    using Clock = std::chrono::steady_clock;
    Clock::time_point completed[2];
    bool heard = true;
    for (Clock::time_point& at : completed) {
        pollfd wait{saved[0], POLLIN, 0};
        char done = 0;
        heard = heard && ::poll(&wait, 1, 30'000) == 1 && ::read(saved[0], &done, 1) == 1;
        at = Clock::now();
    }
    if (heard) {
        const auto length =
            std::chrono::duration_cast<std::chrono::microseconds>(completed[1] - completed[0]);
        std::uniform_int_distribution<long> into(0, std::max<long>(1, length.count()));
        std::this_thread::sleep_for(std::chrono::microseconds(into(random)));
    }
    ::kill(child, SIGKILL);
    ::close(saved[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return heard ? status : -1;
}

}  // namespace kerfolio::testing
