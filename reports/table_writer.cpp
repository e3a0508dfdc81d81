#include "reports/table_writer.h"

#include <algorithm>

#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/text_width.h"

namespace kerfolio {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Control characters from a damaged or hand-edited file must not drive the terminal.
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return text;
}

// The first textColumns columns are names, left-aligned; the rest are figures.
void AppendAligned(std::string& out, const Rows& rows, std::size_t textColumns) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string padding(widths[c] - DisplayWidth(row[c]), ' ');
            if (c > 0) line += "  ";
            const bool last = c + 1 == row.size();
            if (c < textColumns || last) {
                line += Printable(row[c]);
                if (!last) line += padding;
            } else {
                line += padding + Printable(row[c]);
            }
        }
        out += line + "\n";
    }
}

}  // namespace

std::string RenderTable(const Report& report) {
    std::string out = std::string(rmsg::kTitle) + "  ";
    if (report.jobs > 0) out += FormatIsoDate(report.first) + " .. " + FormatIsoDate(report.last) + "  ";
    out += std::string(rmsg::kFilesRead) + " " + std::to_string(report.filesRead) + "  " +
           std::to_string(report.jobs) + " " + rmsg::kJobsRead + "\n\n";
    if (report.periods.empty()) {
        out += std::string(rmsg::kNoJobs) + "\n";
    } else {
        Rows rows{std::vector<std::string>(std::begin(rmsg::kPeriodHeaders), std::end(rmsg::kPeriodHeaders))};
        for (const PeriodSums& sums : report.periods)
            rows.push_back(PeriodRow(sums));
        AppendAligned(out, rows, 2);
    }
    if (!report.advice.empty()) {
        out += std::string("\n") + rmsg::kLearnedHeading + "\n";
        Rows rows{std::vector<std::string>(std::begin(rmsg::kAdviceHeaders), std::end(rmsg::kAdviceHeaders))};
        for (const EfficiencyAdvice& advice : report.advice)
            rows.push_back(AdviceRow(advice));
        AppendAligned(out, rows, 1);
    }
    if (!report.problems.empty()) {
        out += std::string("\n") + rmsg::kProblemsHeading + " (" + std::to_string(report.problems.size()) +
               ")\n";
        for (const InputProblem& problem : report.problems) {
            out += Printable(problem.file);
            if (problem.line > 0) out += ":" + std::to_string(problem.line);
            out += ": " + Printable(problem.reason) + "\n";
        }
    }
    return out;
}

}  // namespace kerfolio
