#include "storage/xml_escape.h"

#include <algorithm>

namespace kerfolio {
namespace {

// Length of the well-formed UTF-8 character text starts with, 0 when it is not one.
std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || text.size() < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return 0;
    }
    const auto second = static_cast<unsigned char>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

}  // namespace

void AppendEscapedXml(std::string& out, std::string_view text) {
    // Most texts need nothing: figures, dates, plain names.
    const auto plain = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
    };
    if (std::all_of(text.begin(), text.end(), plain)) {
        out += text;
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            // File names may hold bytes that are not UTF-8; XML takes none of them.
            const std::size_t length = Utf8Length(text.substr(i));
            out += length == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(i, length);
            i += length == 0 ? 0 : length - 1;
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                // XML 1.0 has no place for most control characters, even escaped.
                out += (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') ? '?' : c;
        }
    }
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    AppendEscapedXml(out, text);
    return out;
}

}  // namespace kerfolio
