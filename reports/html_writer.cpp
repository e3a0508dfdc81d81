#include "reports/html_writer.h"

#include <algorithm>
#include <initializer_list>
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
    "svg,tr,h2{break-inside:avoid}h2{break-after:avoid}}";

// Which columns hold text (left-aligned); the rest are figures, right-aligned.
using TextColumns = std::initializer_list<std::size_t>;

void AppendTable(std::string& out, const char* tableClass, const char* const* headers, std::size_t count,
                 const std::vector<std::vector<std::string>>& rows, TextColumns textColumns) {
    const auto isText = [&](std::size_t c) {
        return std::find(textColumns.begin(), textColumns.end(), c) != textColumns.end();
    };
    out += std::string("<table class=\"") + tableClass + "\"><thead><tr>";
    for (std::size_t c = 0; c < count; ++c)
        out += (isText(c) ? "<th>" : "<th class=\"n\">") + EscapeXml(headers[c]) + "</th>";
    out += "</tr></thead><tbody>";
    for (const auto& row : rows) {
        out += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += isText(c) ? "<td>" : "<td class=\"n\">";
            AppendEscapedXml(out, row[c]);
            out += "</td>";
        }
        out += "</tr>";
    }
    out += "</tbody></table>\n";
}

}  // namespace

std::string RenderHtml(const Report& report) {
    std::string out =
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"zh-CN\">\n<head><meta "
        "charset=\"UTF-8\"/>"
        "<title>" +
        EscapeXml(rmsg::kTitle) + "</title><style>" + kStyle + "</style></head>\n<body>\n<h1>" +
        EscapeXml(rmsg::kTitle) + "</h1>\n<p>";
    if (report.jobs > 0) out += FormatIsoDate(report.first) + " – " + FormatIsoDate(report.last) + " · ";
    out += std::string(rmsg::kFilesRead) + " " + std::to_string(report.filesRead) + " · " +
           std::to_string(report.jobs) + " " + rmsg::kJobsRead + "</p>\n";

    if (report.periods.empty()) out += std::string("<p>") + rmsg::kNoJobs + "</p>\n";
    if (!report.overview.empty()) {
        // The whole shop first, on one screen; each machine's detail follows.
        std::vector<std::vector<std::string>> rows;
        for (const PeriodSums& machine : report.overview)
            rows.push_back(OverviewRow(machine));
        out += std::string("<section class=\"overview\"><h2>") + rmsg::kOverviewHeading + "</h2>\n";
        AppendTable(out, "overview", rmsg::kOverviewHeaders, std::size(rmsg::kOverviewHeaders), rows, {0});
        out += std::string("<p class=\"note\">") + rmsg::kSplitNote + "</p>\n" +
               MachinesChart(report.overview) + "\n</section>\n";
    }
    const std::vector<Period> periods = report.periods.empty()
                                            ? std::vector<Period>{}
                                            : PeriodsBetween(report.first, report.last, report.grouping);
    for (std::size_t i = 0; i < report.periods.size();) {
        const std::string& machine = report.periods[i].machine;
        std::vector<const PeriodSums*> sums;
        std::vector<std::vector<std::string>> rows;
        for (; i < report.periods.size() && report.periods[i].machine == machine; ++i) {
            sums.push_back(&report.periods[i]);
            rows.push_back(PeriodRow(report.periods[i]));
        }
        out += "<section><h2>" + EscapeXml(machine) + "</h2>\n" + StackedTimeChart(periods, sums) + "\n" +
               ShareChart(periods, sums) + "\n";
        AppendTable(out, "periods", rmsg::kPeriodHeaders, std::size(rmsg::kPeriodHeaders), rows, {0, 1});
        out += "</section>\n";
    }

    if (!report.advice.empty()) {
        std::vector<std::vector<std::string>> rows;
        for (const EfficiencyAdvice& advice : report.advice)
            rows.push_back(AdviceRow(advice));
        out += std::string("<h2>") + rmsg::kLearnedHeading + "</h2>\n";
        AppendTable(out, "advice", rmsg::kAdviceHeaders, std::size(rmsg::kAdviceHeaders), rows,
                    {0, std::size(rmsg::kAdviceHeaders) - 1});
    }
    for (const auto& [heading, listClass, list] :
         {std::tuple{rmsg::kProblemsHeading, "problems", &report.problems},
          std::tuple{rmsg::kNoticesHeading, "notices", &report.notices}}) {
        if (list->empty()) continue;
        out += std::string("<h2>") + heading + " (" + std::to_string(list->size()) + ")</h2>\n<ul class=\"" +
               listClass + "\">";
        for (const InputProblem& problem : *list) {
            std::string where = problem.file;
            if (problem.line > 0) where += ":" + std::to_string(problem.line);
            out +=
                "<li>" + (where.empty() ? "" : EscapeXml(where) + ": ") + EscapeXml(problem.reason) + "</li>";
        }
        out += "</ul>\n";
    }
    return out + "</body>\n</html>\n";
}

}  // namespace kerfolio
