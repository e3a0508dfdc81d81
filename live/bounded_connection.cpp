#include "live/bounded_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kerfolio::live {
namespace {

thread_local bool rejecting = false;

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

}  // namespace

BoundedStream::BoundedStream(int socket, int stopFd, const ServerLimits& limits)
    : socket_(socket), stopFd_(stopFd), limits_(limits), deadline_(Clock::now() + limits.connectionTime) {
    BeginRequest();
}

void BoundedStream::BeginRequest() {
    bytesLeft_ = limits_.maxRequestBytes;
    linesLeft_ = limits_.maxRequestLines;
}

bool BoundedStream::Wait(short events) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    const auto wait = std::min(left, limits_.ioTimeout);
    if (wait.count() <= 0) return false;
    pollfd fds[2] = {{socket_, events, 0}, {stopFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
    if (ready <= 0 || (fds[1].revents & POLLIN) != 0) return false;
    return (fds[0].revents & (events | POLLHUP | POLLERR)) != 0;
}

bool BoundedStream::WaitForRequest() const {
    return begin_ < end_ || Wait(POLLIN);
}

bool BoundedStream::is_readable() const {
    return begin_ < end_ || Wait(POLLIN);
}

bool BoundedStream::is_writable() const {
    return Wait(POLLOUT);
}

ssize_t BoundedStream::read(char* ptr, size_t size) {
    if (bytesLeft_ == 0 || linesLeft_ <= 0) return -1;  // over the request's budget: cut off
    while (begin_ == end_) {
        if (!Wait(POLLIN)) return -1;
        const ssize_t got = ::recv(socket_, buffer_, sizeof buffer_, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (got <= 0) return got < 0 ? -1 : 0;
        begin_ = 0;
        end_ = static_cast<std::size_t>(got);
    }
    std::size_t count = std::min({size, end_ - begin_, bytesLeft_});
    // Lines are counted as they are handed over, so a request can never hold more than its budget.
    const char* from = buffer_ + begin_;
    for (std::size_t i = 0; i < count; ++i) {
        if (from[i] == '\n' && --linesLeft_ <= 0) {
            count = i + 1;
            break;
        }
    }
    std::memcpy(ptr, from, count);
    begin_ += count;
    bytesLeft_ -= count;
    return static_cast<ssize_t>(count);
}

ssize_t BoundedStream::write(const char* ptr, size_t size) {
    if (!Wait(POLLOUT)) return -1;
    // Never blocks past the wait: what does not fit now goes at the next call, after the next wait.
    const ssize_t sent = ::send(socket_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    return sent;
}

void BoundedStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        AddressOf(address, ip, port);
}

void BoundedStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        AddressOf(address, ip, port);
}

BoundedPool::BoundedPool(int threads, std::size_t maxQueued) : maxQueued_(maxQueued) {
    for (int i = 0; i < std::max(threads, 1); ++i)
        threads_.emplace_back([this] { Work(); });
}

BoundedPool::~BoundedPool() {
    shutdown();
}

void BoundedPool::enqueue(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.size() < maxQueued_ && !stopping_) {
            jobs_.push_back(std::move(fn));
            wake_.notify_one();
            return;
        }
    }
    // The connection still has to be closed; the server answers it 503 without reading it.
    rejecting = true;
    fn();
    rejecting = false;
}

void BoundedPool::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ && threads_.empty()) return;
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

bool BoundedPool::RejectingNow() {
    return rejecting;
}

void BoundedPool::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace kerfolio::live
