#include "live/listen_address.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>

#include "live/messages.h"
#include "storage/report_line.h"

namespace kerfolio::live {
namespace {

bool IsNumericAddress(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

ListenSetting ParseListenSetting(std::string_view text) {
    text = Trim(text);
    ListenSetting setting;
    if (text.empty()) return setting;
    const std::size_t colon = text.rfind(':');
    std::string_view host = colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
    const std::string_view portText = colon == std::string_view::npos ? text : text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        host = {};  // an IPv6 address without brackets leaves the port unclear
    }
    int port = -1;
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    const bool portOk = error == std::errc() && end == portText.data() + portText.size() &&
                        !portText.empty() && std::isdigit(static_cast<unsigned char>(portText.front())) &&
                        port >= 0 && port <= 65535;
    if (portOk && port == 0) {
        // The system would pick a port nobody could be told of.
        setting.error = msg::kPortZero;
        return setting;
    }
    if (host.empty() || !portOk || !IsNumericAddress(std::string(host))) {
        setting.error = msg::kBadAddress;
        return setting;
    }
    setting.address = ListenAddress{std::string(host), port, std::string(text)};
    return setting;
}

}  // namespace kerfolio::live
