#include "reports/html_writer.h"

#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/svg_charts.h"

namespace kerfolio {
namespace {

constexpr char kStyle[] =
    "body{font-family:'WenQuanYi Zen Hei','Noto Sans CJK SC',sans-serif;margin:24px;color:#222}"
    "table{border-collapse:collapse;margin:8px 0 24px}"
    "th,td{border:1px solid #bbb;padding:3px 8px}td.n{text-align:right}th{background:#eee}"
    "section{margin-bottom:32px}svg{display:block;margin:8px 0}";

void AppendTable(std::string& out, const char* tableClass, const char* const* headers, std::size_t count,
                 const std::vector<std::vector<std::string>>& rows, std::size_t textColumns) {
    out += std::string("<table class=\"") + tableClass + "\"><thead><tr>";
    for (std::size_t c = 0; c < count; ++c)
        out += "<th>" + EscapeXml(headers[c]) + "</th>";
    out += "</tr></thead><tbody>";
    for (const auto& row : rows) {
        out += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += c < textColumns || c + 1 == row.size() ? "<td>" : "<td class=\"n\">";
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
        AppendTable(out, "periods", rmsg::kPeriodHeaders, std::size(rmsg::kPeriodHeaders), rows, 2);
        out += "</section>\n";
    }

    if (!report.advice.empty()) {
        std::vector<std::vector<std::string>> rows;
        for (const EfficiencyAdvice& advice : report.advice)
            rows.push_back(AdviceRow(advice));
        out += std::string("<h2>") + rmsg::kLearnedHeading + "</h2>\n";
        AppendTable(out, "advice", rmsg::kAdviceHeaders, std::size(rmsg::kAdviceHeaders), rows, 1);
    }
    if (!report.problems.empty()) {
        out += std::string("<h2>") + rmsg::kProblemsHeading + " (" + std::to_string(report.problems.size()) +
               ")</h2>\n<ul class=\"problems\">";
        for (const InputProblem& problem : report.problems) {
            std::string where = problem.file;
            if (problem.line > 0) where += ":" + std::to_string(problem.line);
            out += "<li>" + EscapeXml(where) + ": " + EscapeXml(problem.reason) + "</li>";
        }
        out += "</ul>\n";
    }
    return out + "</body>\n</html>\n";
}

}  // namespace kerfolio
