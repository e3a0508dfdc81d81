#include "reports/figures.h"

#include <charconv>
#include <cmath>

namespace kerfolio {

std::string FormatDuration(std::int64_t seconds) {
    // Built by hand: snprintf cost more than summing the jobs did.
    const bool negative = seconds < 0;
    // Unsigned, so even the most negative count has a magnitude.
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(seconds) : std::uint64_t(seconds);
    char text[32];
    char* end = text;
    if (negative) *end++ = '-';
    end = std::to_chars(end, text + sizeof text, magnitude / 3600).ptr;
    const unsigned minutes = unsigned(magnitude / 60 % 60), rest = unsigned(magnitude % 60);
    for (const unsigned part : {minutes, rest}) {
        *end++ = ':';
        *end++ = char('0' + part / 10);
        *end++ = char('0' + part % 10);
    }
    return std::string(text, end);
}

void AppendOneDecimal(std::string& out, double value) {
    // Most values are nowhere near halfway between two tenths: rounding value * 10 then gives the
    // tenths printf gives, whatever error the multiplication made. Values within a hair of halfway,
    // huge ones and those that are not numbers take to_chars, which rounds as printf does.
    const double magnitude = std::fabs(value);
    if (magnitude < 1e8) {
        const double tenths = magnitude * 10.0;
        const double whole = std::floor(tenths);
        const double fraction = tenths - whole;
        if (std::fabs(fraction - 0.5) > 1e-6) {
            const auto rounded = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            char text[32];
            char* end = text;
            if (std::signbit(value)) *end++ = '-';
            end = std::to_chars(end, text + sizeof text, rounded / 10).ptr;
            *end++ = '.';
            *end++ = char('0' + rounded % 10);
            out.append(text, end);
            return;
        }
    }
    char text[400];  // room for the largest double written out in full
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    out.append(text, result.ptr);
}

std::string OneDecimal(double value) {
    std::string text;
    AppendOneDecimal(text, value);
    return text;
}

std::string FormatDecimal(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return {};
    std::string text = OneDecimal(*value);
    // "-0.0" says nothing "0.0" does not.
    return text == "-0.0" ? "0.0" : text;
}

std::vector<std::string> PeriodRow(const PeriodSums& sums) {
    return {sums.machine,
            sums.period.label,
            std::to_string(sums.jobs),
            std::to_string(sums.amount),
            FormatDuration(sums.machining),
            FormatDuration(sums.jump),
            FormatDuration(sums.wireBreak),
            FormatDuration(sums.net),
            FormatDecimal(sums.efficiency),
            FormatDecimal(sums.share * 100.0)};
}

std::vector<std::string> AdviceRow(const EfficiencyAdvice& advice) {
    return {advice.machine,
            std::to_string(advice.jobs),
            FormatDecimal(advice.learned),
            advice.stored.value_or(""),
            FormatDecimal(advice.offMinutes),
            AdviceText(advice)};
}

}  // namespace kerfolio
