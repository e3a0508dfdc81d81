#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kerfolio::live {

struct ListenAddress {
    std::string host;  // numeric IPv4 or IPv6 address, without brackets
    int port = 0;      // 0: any free port, which only tests ask for
    std::string text;  // as the administrator wrote it, for messages
};

// What the "listen" key of the settings file asks for.
struct ListenSetting {
    std::optional<ListenAddress> address;  // nothing: the live board is off
    std::string error;                     // why the text is not an address; empty when it is
};

// "127.0.0.1:8470", "0.0.0.0:8470", "[::1]:8470"; blank or missing means off. Host names are refused:
// an address the PC owns is what an administrator means, and a name lookup could stall the start.
ListenSetting ParseListenSetting(std::string_view text);

}  // namespace kerfolio::live
