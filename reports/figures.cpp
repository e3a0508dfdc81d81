#include "reports/figures.h"

#include <charconv>
#include <cmath>

namespace kerfolio {

namespace {

// value with places decimals, "." as the point, exactly as printf writes it.
void AppendFixed(std::string& out, double value, int places) {
    char text[400];  // room for the largest double written out in full
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, places);
    out.append(text, result.ptr);
}

void AppendTwoDigits(std::string& out, unsigned value) {
    if (value < 10) out += '0';
    char text[4];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

std::string FormatDuration(std::int64_t seconds) {
    // Unsigned, so even the most negative count has a magnitude.
    const std::uint64_t magnitude = seconds < 0 ? 0 - std::uint64_t(seconds) : std::uint64_t(seconds);
    std::string text = seconds < 0 ? "-" : "";
    char hours[24];
    text.append(hours, std::to_chars(hours, hours + sizeof hours, magnitude / 3600).ptr);
    text += ':';
    AppendTwoDigits(text, unsigned(magnitude / 60 % 60));
    text += ':';
    AppendTwoDigits(text, unsigned(magnitude % 60));
    return text;
}

std::string FormatHours(std::int64_t seconds) {
    std::string text;
    AppendFixed(text, double(seconds) / 3600.0, 4);
    return text;
}

void AppendOneDecimal(std::string& out, double value) {
    AppendFixed(out, value, 1);
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

std::vector<std::string> HourCells(const PeriodSums& sums) {
    return {FormatHours(sums.machining), FormatHours(sums.jump), FormatHours(sums.wireBreak),
            FormatHours(sums.net)};
}

std::vector<std::string> OverviewRow(const PeriodSums& sums) {
    return {sums.machine,
            std::to_string(sums.jobs),
            std::to_string(sums.amount),
            FormatDecimal(double(sums.net) / 3600.0),
            FormatDecimal(double(sums.jump + sums.wireBreak) / 3600.0),
            FormatDecimal(sums.share * 100.0),
            FormatDecimal(sums.efficiency)};
}

std::vector<std::string> AdviceRow(const EfficiencyAdvice& advice) {
    return {advice.machine,
            std::to_string(advice.jobs),
            advice.stored.value_or(""),
            FormatDecimal(advice.offMinutes),
            FormatDecimal(advice.fitting),
            FormatDecimal(advice.learned),
            AdviceText(advice)};
}

}  // namespace kerfolio
