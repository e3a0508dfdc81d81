#include "reports/csv_writer.h"

#include "reports/figures.h"
#include "reports/messages.h"
#include "storage/gbk.h"

namespace kerfolio {
namespace {

std::string Field(const std::string& text) {
    // A leading "=", "+", "-" or "@" would run as a formula in a spreadsheet; names come from files.
    const bool formula =
        !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '@' ||
                          (text[0] == '-' && text.find_first_not_of("-0123456789.:") != std::string::npos));
    if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    if (formula) quoted += '\'';
    for (char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

void AppendRow(std::string& out, const std::vector<std::string>& row) {
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (c > 0) out += ',';
        out += Field(row[c]);
    }
    out += "\r\n";
}

}  // namespace

std::string RenderCsv(const Report& report, CsvEncoding encoding) {
    std::string out;
    std::vector<std::string> headers(std::begin(rmsg::kPeriodHeaders), std::end(rmsg::kPeriodHeaders));
    headers.insert(headers.end(), std::begin(rmsg::kHourHeaders), std::end(rmsg::kHourHeaders));
    AppendRow(out, headers);
    for (const PeriodSums& sums : report.periods) {
        std::vector<std::string> row = PeriodRow(sums);
        const std::vector<std::string> hours = HourCells(sums);
        row.insert(row.end(), hours.begin(), hours.end());
        AppendRow(out, row);
    }
    out += "\r\n";
    AppendRow(out,
              std::vector<std::string>(std::begin(rmsg::kAdviceHeaders), std::end(rmsg::kAdviceHeaders)));
    for (const EfficiencyAdvice& advice : report.advice)
        AppendRow(out, AdviceRow(advice));
    // Added after the tables a spreadsheet or a script already reads from the top.
    if (!report.overview.empty()) {
        out += "\r\n";
        AppendRow(out, std::vector<std::string>(std::begin(rmsg::kOverviewHeaders),
                                                std::end(rmsg::kOverviewHeaders)));
        for (const auto& row : OverviewRows(report))
            AppendRow(out, row);
    }
    if (report.jobsListed) {
        out += "\r\n";
        AppendRow(out, std::vector<std::string>(std::begin(rmsg::kJobHeaders), std::end(rmsg::kJobHeaders)));
        for (const ListedJob& job : report.jobList)
            AppendRow(out, JobRow(job));
        AppendRow(out, JobTotalsRow(report.jobList));
    }
    if (encoding == CsvEncoding::Gbk) return ToGbk(out);
    return "\xEF\xBB\xBF" + out;
}

}  // namespace kerfolio
