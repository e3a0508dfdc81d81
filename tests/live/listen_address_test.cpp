#include "live/listen_address.h"

#include <gtest/gtest.h>

namespace kerfolio::live {
namespace {

TEST(ListenSetting, AddressesPortsAndOff) {
    const struct {
        const char* text;
        bool on;
        const char* host;
        int port;
        bool error;
    } cases[] = {
        {"", false, "", 0, false},
        {"   ", false, "", 0, false},
        {"127.0.0.1:8470", true, "127.0.0.1", 8470, false},
        {" 0.0.0.0:8470 ", true, "0.0.0.0", 8470, false},
        {"[::1]:8470", true, "::1", 8470, false},
        {"[::]:80", true, "::", 80, false},
        {"127.0.0.1:0", false, "", 0, true},  // any free port: no address to give anyone
        {"127.0.0.1:65535", true, "127.0.0.1", 65535, false},
        {"127.0.0.1:65536", false, "", 0, true},
        {"127.0.0.1:-1", false, "", 0, true},
        {"127.0.0.1:+80", false, "", 0, true},
        {"127.0.0.1:84x", false, "", 0, true},
        {"127.0.0.1:", false, "", 0, true},
        {"127.0.0.1", false, "", 0, true},
        {"8470", false, "", 0, true},
        {":8470", false, "", 0, true},
        {"localhost:8470", false, "", 0, true},  // no name lookups
        {"::1:8470", false, "", 0, true},
        {"300.1.1.1:8470", false, "", 0, true},
        {"on", false, "", 0, true},
    };
    for (const auto& c : cases) {
        const ListenSetting setting = ParseListenSetting(c.text);
        EXPECT_EQ(setting.address.has_value(), c.on) << c.text;
        EXPECT_EQ(!setting.error.empty(), c.error) << c.text;
        if (setting.address) {
            EXPECT_EQ(setting.address->host, c.host) << c.text;
            EXPECT_EQ(setting.address->port, c.port) << c.text;
        }
    }
}

}  // namespace
}  // namespace kerfolio::live
