// What the file-reading fuzz targets share: a scratch folder of their own and the way one input is
// cut into save.ini and temp.sav.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

namespace kerfolio::fuzz {

// One folder per process, made on first use and removed when the process ends.
inline std::filesystem::path ScratchFolder() {
    static char name[] = "/tmp/kerfolio-fuzz-XXXXXX";
    static const bool made = [] {
        if (::mkdtemp(name) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(name, ignored);
        });
        return true;
    }();
    (void)made;
    return name;
}

inline void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

// The first two bytes say how much of the rest is save.ini; temp.sav gets what remains.
inline std::pair<std::string_view, std::string_view> SettingsAndNotePad(std::string_view data) {
    std::size_t settingsSize = 0;
    if (data.size() >= 2) {
        settingsSize = static_cast<unsigned char>(data[0]) | (static_cast<unsigned char>(data[1]) << 8);
        data.remove_prefix(2);
    }
    settingsSize = std::min(settingsSize, data.size());
    return {data.substr(0, settingsSize), data.substr(settingsSize)};
}

}  // namespace kerfolio::fuzz
