#include "reports/report_line.h"

#include <cmath>
#include <optional>

#include "board/conversion_error.h"
#include "board/integer_text.h"
#include "board/messages.h"
#include "board/time_text.h"
#include "reports/messages.h"

namespace kerfolio {
namespace {

constexpr std::string_view kFullWidthColon = "：";

// The label's name without its ASCII colon, as written in the completion dialog.
std::string_view LabelName(int field) {
    std::string_view label = msg::kCompletionLabels[field];
    return label.substr(0, label.size() - 1);
}

struct Found {
    std::size_t at;       // where the label starts
    std::size_t valueAt;  // where its value starts
};

// Length of the colon at text[pos], 0 when there is none.
std::size_t ColonLength(std::string_view text, std::size_t pos) {
    if (pos < text.size() && text[pos] == ':') return 1;
    if (text.substr(pos).starts_with(kFullWidthColon)) return kFullWidthColon.size();
    return 0;
}

// The last "name:" that starts before end.
std::optional<Found> FindLast(std::string_view text, std::string_view name, std::size_t end) {
    std::size_t pos = end;
    while (pos > 0) {
        pos = text.rfind(name, pos - 1);
        if (pos == std::string_view::npos) return std::nullopt;
        const std::size_t colon = ColonLength(text, pos + name.size());
        if (colon != 0 && pos + name.size() + colon <= end) return Found{pos, pos + name.size() + colon};
    }
    return std::nullopt;
}

// The first "name:" at or after from.
std::optional<Found> FindFirst(std::string_view text, std::string_view name, std::size_t from) {
    for (std::size_t pos = text.find(name, from); pos != std::string_view::npos;
         pos = text.find(name, pos + 1)) {
        const std::size_t colon = ColonLength(text, pos + name.size());
        if (colon != 0) return Found{pos, pos + name.size() + colon};
    }
    return std::nullopt;
}

std::optional<int> Seconds(std::string_view text) {
    try {
        return static_cast<int>(std::lround(ParseTimeText(text) * 86'400.0));
    } catch (const ConversionError&) {
        return std::nullopt;
    }
}

std::string Quoted(int field, std::string_view value) {
    return std::string(msg::kCompletionLabels[field]) + std::string(value);
}

}  // namespace

LineReading ReadReportLine(std::string_view line) {
    line = Trim(line);
    if (line.empty()) return BlankLine{};

    // The six fields after the names hold times and a number, never a label, so they are found from the
    // right; whatever a workpiece name holds then stays inside it.
    std::string_view values[8];
    std::size_t end = line.size();
    for (int field = 7; field >= 2; --field) {
        const auto found = FindLast(line, LabelName(field), end);
        if (!found) return LineProblem{rmsg::kMissingLabel + std::string(msg::kCompletionLabels[field])};
        values[field] = Trim(line.substr(found->valueAt, end - found->valueAt));
        end = found->at;
    }
    const auto machine = FindFirst(line.substr(0, end), LabelName(0), 0);
    if (!machine) return LineProblem{rmsg::kMissingLabel + std::string(msg::kCompletionLabels[0])};
    const auto workpiece = FindFirst(line.substr(0, end), LabelName(1), machine->valueAt);
    if (!workpiece) return LineProblem{rmsg::kMissingLabel + std::string(msg::kCompletionLabels[1])};
    values[0] = Trim(line.substr(machine->valueAt, workpiece->at - machine->valueAt));
    values[1] = Trim(line.substr(workpiece->valueAt, end - workpiece->valueAt));

    ArchiveJob job;
    job.machine = values[0];
    job.workpiece = values[1];
    int* const times[] = {&job.mount, &job.start, &job.jump, &job.wireBreak, &job.finish};
    for (int field = 2; field <= 6; ++field) {
        const auto seconds = Seconds(values[field]);
        if (!seconds) return LineProblem{rmsg::kBadTime + Quoted(field, values[field])};
        *times[field - 2] = *seconds;
    }
    if (!IsIntegerText(values[7])) return LineProblem{rmsg::kBadAmount + Quoted(7, values[7])};
    job.amount = ParseIntegerText(values[7]);
    if (job.amount < 0) return LineProblem{rmsg::kNegativeAmount + Quoted(7, values[7])};
    return job;
}

}  // namespace kerfolio
