#include "board/time_text.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "board/conversion_error.h"

namespace kerfolio {
namespace {

// One or two decimal digits within [0, limit], or nothing.
std::optional<int> TakeField(std::string_view& text, int limit) {
    int value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && digits < 2 && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + (text[digits] - '0');
        ++digits;
    }
    if (digits == 0 || value > limit) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

bool TakeColon(std::string_view& text) {
    if (text.empty() || text.front() != ':') return false;
    text.remove_prefix(1);
    return true;
}

std::optional<TDateTime> TryParse(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const auto hours = TakeField(text, 23);
    if (!hours || !TakeColon(text)) return std::nullopt;
    const auto minutes = TakeField(text, 59);
    if (!minutes) return std::nullopt;
    int seconds = 0;
    if (!text.empty()) {
        if (!TakeColon(text)) return std::nullopt;
        const auto s = TakeField(text, 59);
        if (!s) return std::nullopt;
        seconds = *s;
    }
    if (!text.empty()) return std::nullopt;
    return (*hours * 3'600'000.0 + *minutes * 60'000.0 + seconds * 1'000.0) / kMsPerDay;
}

}  // namespace

DayAndMs SplitDateTime(TDateTime value) {
    constexpr std::int64_t msPerDay = 86'400'000;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const auto ms = static_cast<std::int64_t>(std::nearbyint(value * kMsPerDay));
    const std::int64_t day = ms >= 0 ? ms / msPerDay : (ms - (msPerDay - 1)) / msPerDay;
    return {day, ms - day * msPerDay};
}

std::string FormatTimeText(TDateTime value) {
    const std::int64_t ms = SplitDateTime(value).ms;
    const auto h = ms / 3'600'000;
    const auto m = (ms / 60'000) % 60;
    const auto s = (ms / 1'000) % 60;
    std::string text = std::to_string(h) + ':';
    text += static_cast<char>('0' + m / 10);
    text += static_cast<char>('0' + m % 10);
    text += ':';
    text += static_cast<char>('0' + s / 10);
    text += static_cast<char>('0' + s % 10);
    return text;
}

std::optional<TDateTime> TryParseTimeText(std::string_view text) {
    return TryParse(text);
}

TDateTime ParseTimeText(std::string_view text) {
    if (const auto value = TryParse(text)) return *value;
    throw ConversionError("'" + std::string(text) + "' is not a valid time");
}

std::string AddInterval(std::string_view total, std::string_view start, std::string_view end) {
    const TDateTime s = ParseTimeText(start);
    const TDateTime e = ParseTimeText(end);
    // Across midnight: up to 23:59:59, the one second from there to midnight, then the end. The texts
    // cannot hold 24:00:00, so the day's end is spelt as the last second plus one.
    const TDateTime interval = s > e ? (ParseTimeText("23:59:59") - s) + e + ParseTimeText("0:0:1") : e - s;
    return FormatTimeText(ParseTimeText(total) + interval);
}

}  // namespace kerfolio
