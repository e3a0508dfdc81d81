#include "reports/csv_writer.h"

#include <ostream>

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

void WriteCsv(const Report& report, CsvEncoding encoding, std::ostream& out) {
    // Written and encoded line by line: a decade by the day is never held, in either encoding.
    if (encoding != CsvEncoding::Gbk) out << "\xEF\xBB\xBF";
    std::string line;
    const auto append = [&](const std::vector<std::string>& row) {
        line.clear();
        AppendRow(line, row);
        out << (encoding == CsvEncoding::Gbk ? ToGbk(line) : line);
    };
    std::vector<std::string> headers(std::begin(rmsg::kPeriodHeaders), std::end(rmsg::kPeriodHeaders));
    headers.insert(headers.end(), std::begin(rmsg::kHourHeaders), std::end(rmsg::kHourHeaders));
    append(headers);
    for (const PeriodSums& sums : report.periods) {
        std::vector<std::string> row = PeriodRow(sums);
        const std::vector<std::string> hours = HourCells(sums);
        row.insert(row.end(), hours.begin(), hours.end());
        append(row);
    }
    out << "\r\n";
    append(std::vector<std::string>(std::begin(rmsg::kAdviceHeaders), std::end(rmsg::kAdviceHeaders)));
    for (const EfficiencyAdvice& advice : report.advice)
        append(AdviceRow(advice));
    // Added after the tables a spreadsheet or a script already reads from the top.
    if (!report.overview.empty()) {
        out << "\r\n";
        append(
            std::vector<std::string>(std::begin(rmsg::kOverviewHeaders), std::end(rmsg::kOverviewHeaders)));
        for (const auto& row : OverviewRows(report))
            append(row);
    }
    if (report.jobsListed) {
        out << "\r\n";
        append(std::vector<std::string>(std::begin(rmsg::kJobHeaders), std::end(rmsg::kJobHeaders)));
        for (const ListedJob& job : report.jobList)
            append(JobRow(job));
        append(JobTotalsRow(report.jobList));
    }
}

}  // namespace kerfolio
