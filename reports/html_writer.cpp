#include "reports/html_writer.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <tuple>

#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/svg_charts.h"

namespace kerfolio {
namespace {

constexpr char kStyle[] =
    "body{font-family:'WenQuanYi Zen Hei','Noto Sans CJK SC',sans-serif;margin:24px;color:#222}"
    "table{border-collapse:collapse;margin:8px 0 8px}th,td{border:1px solid #bbb;padding:3px 8px}"
    "th{background:#eee}td.n,th.n{text-align:right}td.n{font-variant-numeric:tabular-nums}"
    // Figures, dates and names never break inside; only the advice's words may.
    "td.n,table.periods td,table.overview td{white-space:nowrap}"
    "p.note{color:#555;font-size:90%;margin:0 0 24px}"
    "section{margin-bottom:32px}svg{display:block;margin:8px 0;max-width:100%;height:auto}"
    // On A4 a chart or a table row is never cut between two pages, and charts shrink to the page.
    "@media print{@page{size:A4;margin:12mm}body{margin:0;font-size:10pt}"
    "svg,tr,h2{break-inside:avoid}h2{break-after:avoid}"
    // A machine's charts and table on one page, where they fit one.
    "section{break-inside:avoid;page-break-inside:avoid}}";

// Which columns hold text (left-aligned); the rest are figures, right-aligned.
using TextColumns = std::initializer_list<std::size_t>;
using RowAt = std::function<std::vector<std::string>(std::size_t)>;

// The table's rows are made one at a time and written as each is made, never held together.
void WriteTable(std::ostream& out, const char* tableClass, const char* const* headers, std::size_t count,
                std::size_t rowCount, const RowAt& rowAt, TextColumns textColumns) {
    const auto isText = [&](std::size_t c) {
        return std::find(textColumns.begin(), textColumns.end(), c) != textColumns.end();
    };
    std::string line = std::string("<table class=\"") + tableClass + "\"><thead><tr>";
    for (std::size_t c = 0; c < count; ++c)
        line += (isText(c) ? "<th>" : "<th class=\"n\">") + EscapeXml(headers[c]) + "</th>";
    line += "</tr></thead><tbody>";
    out << line;
    for (std::size_t r = 0; r < rowCount; ++r) {
        const std::vector<std::string> row = rowAt(r);
        line = "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += isText(c) ? "<td>" : "<td class=\"n\">";
            AppendEscapedXml(line, row[c]);
            line += "</td>";
        }
        line += "</tr>";
        out << line;
    }
    out << "</tbody></table>\n";
}

void WriteTable(std::ostream& out, const char* tableClass, const char* const* headers, std::size_t count,
                const std::vector<std::vector<std::string>>& rows, TextColumns textColumns) {
    WriteTable(
        out, tableClass, headers, count, rows.size(), [&rows](std::size_t r) { return rows[r]; },
        textColumns);
}

// More periods than a year of days is more than a page a foreman reads or a browser opens well: the
// page shows such a report by month, and the CSV keeps the rows as asked.
constexpr std::size_t kMostPeriodsOnAPage = 366;

// How many periods PeriodsBetween gives, counted without making their labels.
std::size_t PeriodCount(Day first, Day last, Grouping grouping) {
    if (grouping == Grouping::Total) return 1;
    const std::chrono::days length(grouping == Grouping::Month ? 31 : grouping == Grouping::Week ? 7 : 1);
    std::size_t count = 0;
    for (Day start = PeriodStart(first, grouping); start <= last; ++count)
        start = PeriodStart(start + length, grouping);
    return count;
}

// One machine's rows summed by month, made one day at a time: a decade by the day never held. A day's
// efficiency gives back the net cutting time of the jobs finished on it, so the month's efficiency is that of
// its jobs, as the report's own. begin and end: the machine's rows in report.periods.
std::vector<PeriodSums> ByMonth(const Report& report, std::size_t begin, std::size_t end) {
    std::vector<PeriodSums> months;
    std::vector<double> minutes;  // the net cutting minutes of each month's finished jobs
    for (std::size_t row = begin; row < end; ++row) {
        const PeriodSums sums = report.periods[row];
        const Period month = PeriodOf(sums.period.first, Grouping::Month);
        if (months.empty() || months.back().period.first != month.first) {
            months.push_back({});
            months.back().machine = sums.machine;
            months.back().period = month;
            minutes.push_back(0);
        }
        PeriodSums& into = months.back();
        into.jobs += sums.jobs;
        into.amount += sums.amount;
        into.machining += sums.machining;
        into.jump += sums.jump;
        into.wireBreak += sums.wireBreak;
        into.net += sums.net;
        if (sums.efficiency && *sums.efficiency > 0) minutes.back() += double(sums.amount) / *sums.efficiency;
    }
    for (std::size_t i = 0; i < months.size(); ++i) {
        PeriodSums& month = months[i];
        if (minutes[i] > 0) month.efficiency = double(month.amount) / minutes[i];
        const Day from = std::max({month.period.first, report.first, report.covered});
        const Day to = std::min(month.period.last, report.last);
        const long days = std::max<long>(0, (to - from).count() + 1);
        month.share = days > 0 ? double(month.net) / (double(days) * kSecondsPerDay) : 0;
    }
    return months;
}

}  // namespace

void WriteHtml(const Report& report, std::ostream& out) {
    out << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"zh-CN\">\n<head><meta "
           "charset=\"UTF-8\"/>"
           "<title>"
        << EscapeXml(rmsg::kTitle) << "</title><style>" << kStyle << "</style></head>\n<body>\n<h1>"
        << EscapeXml(rmsg::kTitle) << "</h1>\n<p>";
    if (report.jobs > 0) out << FormatIsoDate(report.first) << " – " << FormatIsoDate(report.last) << " · ";
    out << rmsg::kFilesRead << " " << report.filesRead << " · " << report.jobs << " " << rmsg::kJobsRead
        << "</p>\n";

    if (report.periods.empty()) out << "<p>" << rmsg::kNoJobs << "</p>\n";
    if (!report.overview.empty()) {
        // The whole shop first, on one screen; each machine's detail follows.
        out << "<section class=\"overview\"><h2>" << rmsg::kOverviewHeading << "</h2>\n";
        WriteTable(out, "overview", rmsg::kOverviewHeaders, std::size(rmsg::kOverviewHeaders),
                   OverviewRows(report), {0});
        out << "<p class=\"note\">" << rmsg::kSplitNote;
        if (const std::string note = CoveredNote(report); !note.empty()) out << "<br/>" << EscapeXml(note);
        out << "</p>\n" << MachinesChart(report.overview) << "\n</section>\n";
    }
    const std::size_t count =
        report.periods.empty() ? 0 : PeriodCount(report.first, report.last, report.grouping);
    const bool byMonth = count > kMostPeriodsOnAPage;
    if (byMonth) out << "<p class=\"note\">" << count << rmsg::kByMonthNote << "</p>\n";
    // The periods the charts show, a year's at most.
    const std::vector<Period> periods =
        count == 0 ? std::vector<Period>{}
                   : PeriodsBetween(report.first, report.last, byMonth ? Grouping::Month : report.grouping);
    const PeriodRows& all = report.periods;
    for (std::size_t i = 0; i < all.size();) {
        std::size_t end = i;
        while (end < all.size() && all.MachineOf(end) == all.MachineOf(i))
            ++end;
        // A machine's rows as shown: its months, or its own rows, of which a page shows at most a year.
        std::vector<PeriodSums> shown;
        if (byMonth) {
            shown = ByMonth(report, i, end);
        } else {
            shown.reserve(end - i);
            for (std::size_t row = i; row < end; ++row)
                shown.push_back(all[row]);
        }
        std::vector<const PeriodSums*> sums;
        sums.reserve(shown.size());
        for (const PeriodSums& row : shown)
            sums.push_back(&row);
        out << "<section><h2>" << EscapeXml(all.MachineOf(i)) << "</h2>\n"
            << StackedTimeChart(periods, sums) << "\n"
            << ShareChart(periods, sums) << "\n";
        WriteTable(out, "periods", rmsg::kPeriodHeaders, std::size(rmsg::kPeriodHeaders), shown.size(),
                   [&shown](std::size_t r) { return PeriodRow(shown[r]); }, {0, 1});
        out << "</section>\n";
        i = end;
    }

    if (report.jobsListed) {
        const std::vector<std::string> totals = JobTotalsRow(report.jobList);
        const std::size_t jobs = report.jobList.size();
        out << "<section class=\"jobs\"><h2>" << EscapeXml(JobsHeading(report)) << "</h2>\n";
        WriteTable(out, "jobs", rmsg::kJobHeaders, std::size(rmsg::kJobHeaders), jobs + 1,
                   [&](std::size_t r) { return r < jobs ? JobRow(report.jobList[r]) : totals; },
                   {0, 1, 2, 3, 4, 8});
        out << "</section>\n";
    }
    if (!report.advice.empty()) {
        out << "<h2>" << rmsg::kLearnedHeading << "</h2>\n";
        WriteTable(out, "advice", rmsg::kAdviceHeaders, std::size(rmsg::kAdviceHeaders), report.advice.size(),
                   [&report](std::size_t r) { return AdviceRow(report.advice[r]); },
                   {0, std::size(rmsg::kAdviceHeaders) - 1});
    }
    for (const auto& [heading, listClass, list] :
         {std::tuple{rmsg::kProblemsHeading, "problems", &report.problems},
          std::tuple{rmsg::kNoticesHeading, "notices", &report.notices}}) {
        if (list->empty()) continue;
        out << "<h2>" << heading << " (" << list->size() << ")</h2>\n<ul class=\"" << listClass << "\">";
        for (const InputProblem& problem : *list) {
            std::string where = problem.file;
            if (problem.line > 0) where += ":" + std::to_string(problem.line);
            out << "<li>" << (where.empty() ? "" : EscapeXml(where) + ": ") << EscapeXml(problem.reason)
                << "</li>";
        }
        out << "</ul>\n";
    }
    out << "</body>\n</html>\n";
}

}  // namespace kerfolio
