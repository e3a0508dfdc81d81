#include "reports/archive_text.h"

#include <variant>
#include <vector>

#include "storage/gbk.h"

namespace kerfolio {
namespace {

// FromGbk through iconv costs more than everything else a report does, and an archive uses a few hundred
// distinct characters: each is converted once and remembered, ASCII is copied as it is.
std::string DecodeGbk(std::string_view gbk) {
    thread_local std::vector<std::string> known(0x10000 + 0x100);
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[pos]);
        if (lead < 0x80) {
            std::size_t end = pos + 1;
            while (end < gbk.size() && static_cast<unsigned char>(gbk[end]) < 0x80)
                ++end;
            out.append(gbk.substr(pos, end - pos));
            pos = end;
            continue;
        }
        const std::size_t length = GbkCharLength(gbk, pos);
        const std::size_t key = length == 2
                                    ? (std::size_t(lead) << 8 | static_cast<unsigned char>(gbk[pos + 1]))
                                    : 0x10000 + lead;
        std::string& utf8 = known[key];
        if (utf8.empty()) utf8 = FromGbk(gbk.substr(pos, length));
        out += utf8;
        pos += length;
    }
    return out;
}

}  // namespace

ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel) {
    ArchiveText result;
    // GBK trail bytes are never CR or LF, so decoding the whole file first splits the same way.
    const std::string text = DecodeGbk(gbkBytes);
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
