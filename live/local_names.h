#pragma once

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace kerfolio::live {

// The names a request may address this PC by: "localhost", its host name and each address of its
// network interfaces. Read again when a name is not found, at most once every few seconds, so an
// address the PC gets later is known without letting a stream of foreign names cost a reading each.
class LocalNames {
  public:
    // host: a Host header's value, with or without a port ("pc1:8470", "[::1]:8470", "10.0.0.5").
    bool Has(std::string_view host);

  private:
    void Refresh();

    std::mutex mutex_;
    std::set<std::string> names_;
    std::chrono::steady_clock::time_point readAt_{};
};

// The host part of a Host header's value, lower case, without port or IPv6 brackets.
std::string HostPart(std::string_view host);

}  // namespace kerfolio::live
