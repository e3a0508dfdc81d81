#include "live/local_names.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cctype>

namespace kerfolio::live {

std::string HostPart(std::string_view host) {
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        host = close == std::string_view::npos ? std::string_view() : host.substr(1, close - 1);
    } else if (const std::size_t colon = host.find(':');
               colon != std::string_view::npos && host.find(':', colon + 1) == std::string_view::npos) {
        host = host.substr(0, colon);
    }
    if (!host.empty() && host.back() == '.') host.remove_suffix(1);  // "localhost." is the same name
    std::string lower;
    for (const char c : host)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool LocalNames::Has(std::string_view host) {
    const std::string name = HostPart(host);
    if (name.empty()) return false;
    if (name == "localhost") return true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (names_.count(name) != 0) return true;
    const auto now = std::chrono::steady_clock::now();
    if (!names_.empty() && now - readAt_ < std::chrono::seconds(5)) return false;
    readAt_ = now;
    Refresh();
    return names_.count(name) != 0;
}

void LocalNames::Refresh() {
    names_.clear();
    char hostName[256] = {};
    if (::gethostname(hostName, sizeof hostName - 1) == 0) names_.insert(HostPart(hostName));
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return;
    for (const ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr) continue;
        char text[INET6_ADDRSTRLEN] = {};
        if (i->ifa_addr->sa_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
            if (inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text)) names_.insert(text);
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
            if (inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text)) names_.insert(text);
        }
    }
    ::freeifaddrs(interfaces);
}

}  // namespace kerfolio::live
