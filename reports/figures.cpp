#include "reports/figures.h"

#include <charconv>
#include <cmath>

#include "reports/messages.h"

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

namespace {

std::string DateTime(Day day, std::int64_t second) {
    // A start before the finish day's midnight is on the day before.
    while (second < 0) {
        second += kSecondsPerDay;
        day -= std::chrono::days(1);
    }
    std::string text = FormatIsoDate(day) + " ";
    AppendTwoDigits(text, unsigned(second / 3600));
    text += ':';
    AppendTwoDigits(text, unsigned(second / 60 % 60));
    text += ':';
    AppendTwoDigits(text, unsigned(second % 60));
    return text;
}

std::optional<double> Efficiency(std::int64_t amount, std::int64_t net) {
    if (net <= 0) return std::nullopt;
    return double(amount) / (double(net) / 60.0);
}

}  // namespace

std::vector<std::string> JobRow(const ListedJob& job) {
    const DatedJob& d = job.dated;
    const std::int64_t start = std::int64_t(d.job.finish) - d.machining;
    const auto at = [](const LocalMoment& moment) { return DateTime(moment.day, moment.second); };
    return {job.machine,
            job.workpiece,
            job.mounted ? at(*job.mounted) : DateTime(d.finishDay, start - job.mountToStart),
            job.started ? at(*job.started) : DateTime(d.finishDay, start),
            DateTime(d.finishDay, d.job.finish),
            FormatDuration(d.net),
            std::to_string(d.job.amount),
            FormatDecimal(Efficiency(d.job.amount, d.net)),
            job.file,
            std::to_string(job.line)};
}

std::vector<std::string> JobTotalsRow(const std::vector<ListedJob>& jobs) {
    std::int64_t amount = 0, net = 0;
    for (const ListedJob& job : jobs) {
        amount += job.dated.job.amount;
        net += job.dated.net;
    }
    return {rmsg::kJobsTotal,
            std::to_string(jobs.size()) + rmsg::kJobsCount,
            "",
            "",
            "",
            FormatDuration(net),
            std::to_string(amount),
            FormatDecimal(Efficiency(amount, net)),
            "",
            ""};
}

std::string JobsHeading(const Report& report) {
    std::string heading = rmsg::kJobsHeading;
    if (!report.workpiece.empty())
        heading += std::string("（") + rmsg::kJobsMatching + report.workpiece + rmsg::kJobsMatchingEnd + "）";
    return heading;
}

std::vector<std::vector<std::string>> OverviewRows(const Report& report) {
    std::vector<std::vector<std::string>> rows;
    for (const PeriodSums& sums : report.overview)
        rows.push_back(OverviewRow(sums));
    if (report.shop) rows.push_back(OverviewRow(*report.shop));
    return rows;
}

std::string CoveredNote(const Report& report) {
    if (report.jobs == 0 || report.covered <= report.first) return {};
    return std::string(rmsg::kCoveredNote) + FormatIsoDate(report.covered) + rmsg::kCoveredNoteEnd;
}

}  // namespace kerfolio
