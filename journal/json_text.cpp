#include "journal/json_text.h"

#include <cstdint>

namespace kerfolio::journal {

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& textFields) {
    std::string out = "{";
    for (const auto& [key, value] : textFields) {
        if (out.size() > 1) out += ',';
        out += JsonString(key);
        out += ':';
        out += JsonString(value);
    }
    out += '}';
    return out;
}

std::string Fingerprint(std::string_view content) {
    // FNV-1a 64: stable across builds, unlike std::hash.
    std::uint64_t hash = 14'695'981'039'346'656'037ull;
    for (const char c : content) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1'099'511'628'211ull;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        text[static_cast<std::size_t>(i)] = kHex[hash & 0xF];
    return text;
}

}  // namespace kerfolio::journal
