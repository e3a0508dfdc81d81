#include "share/round_thread.h"

namespace kerfolio::share {

void RoundThread::Start(std::function<void()> run) {
    if (thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread(std::move(run));
}

void RoundThread::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void RoundThread::Wake() {
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

bool RoundThread::Stopping() {
    const std::lock_guard lock(mutex_);
    return stopping_;
}

bool RoundThread::Sleep(std::chrono::milliseconds span) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, span, [this] { return stopping_ || woken_; });
    woken_ = false;
    return stopping_;
}

}  // namespace kerfolio::share
