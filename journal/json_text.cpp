#include "journal/json_text.h"

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

}  // namespace kerfolio::journal
