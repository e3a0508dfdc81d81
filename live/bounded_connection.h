#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "live/live_server.h"

namespace kerfolio::live {

// One client connection as the HTTP library reads and writes it, with the budgets of ServerLimits:
// bytes and lines per request, a wait limit for each read and write, a deadline for the whole
// connection, and a stop descriptor that ends every wait at once when the server stops.
class BoundedStream : public httplib::Stream {
  public:
    using Clock = std::chrono::steady_clock;

    BoundedStream(int socket, int stopFd, const ServerLimits& limits);

    // A new request starts: its byte and line budget is full again.
    void BeginRequest();
    // Waits for the next request of a kept-alive connection; false when none comes in time.
    bool WaitForRequest() const;

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return socket_; }

  private:
    bool Wait(short events) const;

    int socket_;
    int stopFd_;
    const ServerLimits& limits_;
    Clock::time_point deadline_;
    std::size_t bytesLeft_ = 0;
    int linesLeft_ = 0;
    char buffer_[4096];
    std::size_t begin_ = 0, end_ = 0;
};

// The server's worker threads. Connections beyond the waiting room are answered 503 at once on the
// accepting thread (see RejectingNow), so a flood costs neither memory nor a stalled accept loop.
class BoundedPool : public httplib::TaskQueue {
  public:
    BoundedPool(int threads, std::size_t maxQueued);
    ~BoundedPool() override;
    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

    // True while a connection is handed over only to be refused.
    static bool RejectingNow();

  private:
    void Work();

    std::size_t maxQueued_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

}  // namespace kerfolio::live
