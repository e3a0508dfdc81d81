#include "reports/table_writer.h"

#include <algorithm>
#include <functional>
#include <ostream>

#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/text_width.h"

namespace kerfolio {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Control characters from a damaged or hand-edited file must not drive the terminal.
void AppendPrintable(std::string& out, std::string_view text) {
    const std::size_t from = out.size();
    out += text;
    for (std::size_t i = from; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) < 0x20 || out[i] == 0x7F) out[i] = '?';
    }
}

using RowAt = std::function<std::vector<std::string>(std::size_t)>;

// The first textColumns columns are names, left-aligned; the rest are figures, but for a last column
// of words (lastIsText). The rows are made twice, for the widths and for the text, rather than held,
// and written as each is made: a decade by the day is a hundred thousand of them.
void WriteAligned(std::ostream& out, std::size_t count, const RowAt& rowAt, std::size_t textColumns,
                  bool lastIsText) {
    std::vector<std::size_t> widths;
    for (std::size_t r = 0; r < count; ++r) {
        const std::vector<std::string> row = rowAt(r);
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    std::string line;
    for (std::size_t r = 0; r < count; ++r) {
        const std::vector<std::string> row = rowAt(r);
        line.clear();
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::size_t padding = widths[c] - DisplayWidth(row[c]);
            if (c > 0) line += "  ";
            const bool last = c + 1 == row.size();
            if (c < textColumns || (last && lastIsText)) {
                AppendPrintable(line, row[c]);
                if (!last) line.append(padding, ' ');
            } else {
                line.append(padding, ' ');
                AppendPrintable(line, row[c]);
            }
        }
        line += '\n';
        out << line;
    }
}

void WriteAligned(std::ostream& out, const Rows& rows, std::size_t textColumns, bool lastIsText) {
    WriteAligned(
        out, rows.size(), [&rows](std::size_t r) { return rows[r]; }, textColumns, lastIsText);
}

}  // namespace

void WriteTable(const Report& report, std::ostream& out) {
    out << rmsg::kTitle << "  ";
    if (report.jobs > 0) out << FormatIsoDate(report.first) << " .. " << FormatIsoDate(report.last) << "  ";
    out << rmsg::kFilesRead << " " << report.filesRead << "  " << report.jobs << " " << rmsg::kJobsRead
        << "\n\n";
    if (report.periods.empty()) {
        out << rmsg::kNoJobs << "\n";
    } else {
        Rows overview{
            std::vector<std::string>(std::begin(rmsg::kOverviewHeaders), std::end(rmsg::kOverviewHeaders))};
        for (auto& row : OverviewRows(report))
            overview.push_back(std::move(row));
        out << rmsg::kOverviewHeading << "\n";
        WriteAligned(out, overview, 1, false);
        out << "\n";
        WriteAligned(
            out, report.periods.size() + 1,
            [&report](std::size_t r) {
                return r == 0 ? std::vector<std::string>(std::begin(rmsg::kPeriodHeaders),
                                                         std::end(rmsg::kPeriodHeaders))
                              : PeriodRow(report.periods[r - 1]);
            },
            2, false);
        out << rmsg::kSplitNote << "\n";
        if (const std::string note = CoveredNote(report); !note.empty()) out << note << "\n";
    }
    if (report.jobsListed) {
        out << "\n" << JobsHeading(report) << "\n";
        const std::vector<std::string> totals = JobTotalsRow(report.jobList);
        const std::size_t jobs = report.jobList.size();
        WriteAligned(
            out, jobs + 2,
            [&](std::size_t r) {
                if (r == 0)
                    return std::vector<std::string>(std::begin(rmsg::kJobHeaders),
                                                    std::end(rmsg::kJobHeaders));
                return r <= jobs ? JobRow(report.jobList[r - 1]) : totals;
            },
            5, false);
    }
    if (!report.advice.empty()) {
        out << "\n" << rmsg::kLearnedHeading << "\n";
        Rows rows{std::vector<std::string>(std::begin(rmsg::kAdviceHeaders), std::end(rmsg::kAdviceHeaders))};
        for (const EfficiencyAdvice& advice : report.advice)
            rows.push_back(AdviceRow(advice));
        WriteAligned(out, rows, 1, true);
    }
    std::string line;
    for (const auto& [heading, list] : {std::pair{rmsg::kProblemsHeading, &report.problems},
                                        std::pair{rmsg::kNoticesHeading, &report.notices}}) {
        if (list->empty()) continue;
        out << "\n" << heading << " (" << list->size() << ")\n";
        for (const InputProblem& problem : *list) {
            line.clear();
            AppendPrintable(line, problem.file);
            if (problem.line > 0) line += ":" + std::to_string(problem.line);
            if (!problem.file.empty()) line += ": ";
            AppendPrintable(line, problem.reason);
            line += '\n';
            out << line;
        }
    }
}

}  // namespace kerfolio
