#include "board/integer_text.h"

#include <optional>
#include <string>

#include "board/conversion_error.h"

namespace kerfolio {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> TryParse(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);

    std::size_t prefix = 0;
    if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
        prefix = 1;
    } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
        prefix = 2;
    }
    if (prefix > 0) {
        const std::string_view digits = rest.substr(prefix);
        if (digits.empty()) return std::nullopt;
        std::uint32_t pattern = 0;
        int significant = 0;
        for (const char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return std::nullopt;
            pattern = (pattern << 4) | static_cast<std::uint32_t>(d);
        }
        // Two's-complement pattern, negated as a 32-bit value when a minus sign came first.
        if (negative) pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    if (rest.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2'147'483'648LL) return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > 2'147'483'647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> TryParseIntegerText(std::string_view text) {
    return TryParse(text);
}

bool IsIntegerText(std::string_view text) {
    return TryParse(text).has_value();
}

std::int32_t ParseIntegerText(std::string_view text) {
    if (const auto value = TryParse(text)) return *value;
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace kerfolio
