#include "reports/archive_text.h"

#include <variant>

#include "storage/gbk.h"

namespace kerfolio {

ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel) {
    ArchiveText result;
    // GBK trail bytes are never CR or LF, so decoding the whole file first splits the same way.
    const std::string text = FromGbk(gbkBytes);
    std::string_view rest = text;
    std::size_t lineNumber = 0;
    while (!rest.empty()) {
        ++lineNumber;
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            rest.remove_prefix(end + (crlf ? 2 : 1));
        }
        LineReading reading = ReadReportLine(line);
        if (auto* job = std::get_if<ArchiveJob>(&reading)) {
            result.jobs.push_back(std::move(*job));
        } else if (auto* problem = std::get_if<LineProblem>(&reading)) {
            result.problems.push_back({fileLabel, lineNumber, std::move(problem->reason)});
        }
    }
    return result;
}

}  // namespace kerfolio
