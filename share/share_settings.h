#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kerfolio::share {

// Where this PC's journal goes, as save.ini's section "share" says. Empty conninfo: sharing is off.
struct ShareSettings {
    std::string conninfo;                // a libpq connection string or postgresql:// URI
    std::optional<std::string> problem;  // why the settings could not be used, in words
};

// Keys of section "share", first one set wins:
//   database=       the connection string itself (a value holds at most 99 bytes)
//   database_file=  a file holding the connection string on its first line, for a longer one or one
//                   with a password that should not sit in save.ini
//   service=        a libpq service name (pg_service.conf), the longest setups without any limit
ShareSettings ReadShareSettings(const std::filesystem::path& dataFolder);

}  // namespace kerfolio::share
