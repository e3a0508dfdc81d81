#include "reports/figures.h"

#include <cmath>
#include <cstdio>

namespace kerfolio {

std::string FormatDuration(std::int64_t seconds) {
    const bool negative = seconds < 0;
    if (negative) seconds = -seconds;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", negative ? "-" : "", (long long)(seconds / 3600),
                  (long long)(seconds / 60 % 60), (long long)(seconds % 60));
    return text;
}

std::string FormatDecimal(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%.1f", *value);
    // "-0.0" says nothing "0.0" does not.
    return std::string(text) == "-0.0" ? "0.0" : text;
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
