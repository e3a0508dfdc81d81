#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kerfolio::share {

// A thread that works in rounds and sleeps between them, for the sender and the office board. Stop
// wakes it and waits for its round to end; the owner stops it before its own members go.
class RoundThread {
  public:
    RoundThread() = default;
    RoundThread(const RoundThread&) = delete;
    RoundThread& operator=(const RoundThread&) = delete;
    ~RoundThread() { Stop(); }

    // Runs run on a thread of its own, unless it runs already.
    void Start(std::function<void()> run);
    void Stop();
    // Ends the present or next sleep at once.
    void Wake();

    // On the thread: whether it is to end.
    bool Stopping();
    // On the thread: sleeps for span, or until woken or stopped; whether it is to end.
    bool Sleep(std::chrono::milliseconds span);

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool woken_ = false;
    std::thread thread_;
};

}  // namespace kerfolio::share
