// Feeds arbitrary settings-file bytes and names to the reader and the writer. Beyond not crashing, a
// key we write must read back, and a write must not change what any other key reads.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/gbk.h"
#include "storage/profile_text.h"

namespace {

// Takes a length-prefixed piece off the front of data.
std::string_view TakePiece(std::string_view& data) {
    if (data.empty()) return {};
    std::size_t length = static_cast<unsigned char>(data.front()) % 24;
    data.remove_prefix(1);
    length = std::min(length, data.size());
    std::string_view piece = data.substr(0, length);
    data.remove_prefix(length);
    return piece;
}

bool IsPlainName(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
    }
    return true;
}

// Values that read back unchanged: one line, no blank at either end, not enclosed in quotation marks.
bool IsRoundTripValue(std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!value.empty() &&
        (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t')) {
        return false;
    }
    return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
             value.back() == value.front());
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::string_view section = TakePiece(data);
    const std::string_view key = TakePiece(data);
    const std::string_view otherKey = TakePiece(data);
    const std::string_view value = TakePiece(data);
    const std::string_view file = data;

    std::string read = kerfolio::ReadProfileValue(file, section, key, "default");
    (void)kerfolio::FromGbk(kerfolio::GbkPrefix(read, 99));
    (void)kerfolio::ToGbk(file);

    if (!IsPlainName(section) || !IsPlainName(key) || kerfolio::ProfileNameProblem(section, key) ||
        !IsRoundTripValue(value)) {
        return 0;
    }
    const auto otherBefore = kerfolio::FindProfileValue(file, section, otherKey);
    const auto otherSectionBefore = kerfolio::FindProfileValue(file, otherKey, key);
    const std::string written = kerfolio::SetProfileValue(file, section, key, value);
    if (kerfolio::FindProfileValue(written, section, key) != value) std::abort();
    if (!SameName(key, otherKey) && kerfolio::FindProfileValue(written, section, otherKey) != otherBefore) {
        std::abort();
    }
    if (!SameName(section, otherKey) &&
        kerfolio::FindProfileValue(written, otherKey, key) != otherSectionBefore) {
        std::abort();
    }
    return 0;
}
