// Waiting on a sender or the office board in tests, and a sender quick enough to wait on.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "share/sender.h"

namespace kerfolio::test {

inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// Retries within a test's patience, and an answer cut well before its limits.
inline share::SenderOptions QuickSenderOptions() {
    using namespace std::chrono_literals;
    share::SenderOptions options;
    options.poll = 20ms;
    options.firstRetry = 50ms;
    options.longestRetry = 400ms;
    options.ioTimeout = 1500ms;
    return options;
}

}  // namespace kerfolio::test
