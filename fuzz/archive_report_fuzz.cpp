// Feeds whole archive files, a few days of them in one folder, through the full report: reading, sums,
// learned efficiency and the table, CSV and HTML writers. Beyond not crashing, the page must be
// well-formed XML made only of the writer's own elements, whatever the files held.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "reports/csv_writer.h"
#include "reports/html_writer.h"
#include "reports/report.h"
#include "reports/table_writer.h"

namespace {

constexpr std::array<std::string_view, 25> kElements = {
    "html",    "head",  "meta",  "title", "style",  "body",     "h1",   "h2", "p",
    "section", "table", "thead", "tbody", "tr",     "th",       "td",   "ul", "li",
    "svg",     "line",  "text",  "rect",  "circle", "polyline", "title"};

// Takes a piece whose length the next two bytes give off the front of data.
std::string_view TakePiece(std::string_view& data) {
    if (data.size() < 2) {
        std::string_view rest = data;
        data = {};
        return rest;
    }
    std::size_t length = static_cast<unsigned char>(data[0]) | (static_cast<unsigned char>(data[1]) << 8);
    data.remove_prefix(2);
    length = std::min(length, data.size());
    std::string_view piece = data.substr(0, length);
    data.remove_prefix(length);
    return piece;
}

// Shows where the page went wrong before the target stops, so a found input explains itself.
[[noreturn]] void Fail(std::string_view page, std::size_t at, const char* why) {
    const std::size_t from = at > 80 ? at - 80 : 0;
    std::fprintf(stderr, "page %s at byte %zu: ...%.*s<<HERE>>%.*s...\n", why, at,
                 static_cast<int>(at - from), page.data() + from, 80,
                 page.substr(std::min(at, page.size())).data());
    std::abort();
}

bool IsElement(std::string_view name) {
    return std::find(kElements.begin(), kElements.end(), name) != kElements.end();
}

// An "&" must start a named reference XML knows or a decimal one.
bool GoodReference(std::string_view text, std::size_t at) {
    for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        if (text.substr(at, entity.size()) == entity) return true;
    }
    std::size_t digits = at + 2;
    if (text.substr(at, 2) != "&#") return false;
    while (digits < text.size() && digits - at < 9 && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    return digits > at + 2 && digits < text.size() && text[digits] == ';';
}

bool GoodUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80         ? 1
                             : (lead >> 5) == 6  ? 2
                             : (lead >> 4) == 14 ? 3
                             : (lead >> 3) == 30 ? 4
                                                 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') return false;
        i += length;
    }
    return true;
}

// Well-formed XML after the doctype: every element one of ours, closed in order, attribute values
// quoted, text and values free of "<" and of "&" that is not a reference. A mismatch aborts.
void CheckPage(std::string_view page) {
    constexpr std::string_view kDoctype = "<!DOCTYPE html>\n";
    if (!page.starts_with(kDoctype) || !GoodUtf8(page)) Fail(page, 0, "no doctype or bad UTF-8");
    std::vector<std::string_view> open;
    bool rootSeen = false;
    for (std::size_t i = kDoctype.size(); i < page.size();) {
        if (page[i] == '&') {
            if (!GoodReference(page, i)) Fail(page, i, "stray ampersand");
            ++i;
            continue;
        }
        if (page[i] == '>') Fail(page, i, "stray >");
        if (page[i] != '<') {
            if (open.empty() && page[i] != '\n')
                Fail(page, i, "text outside the root");  // text outside the root element
            ++i;
            continue;
        }
        const bool closing = i + 1 < page.size() && page[i + 1] == '/';
        std::size_t nameStart = i + (closing ? 2 : 1);
        std::size_t nameEnd = page.find_first_of(" />", nameStart);
        if (nameEnd == std::string_view::npos) Fail(page, i, "unclosed tag");
        const std::string_view name = page.substr(nameStart, nameEnd - nameStart);
        if (!IsElement(name)) Fail(page, i, "foreign element");
        if (closing) {
            if (open.empty() || open.back() != name || page[nameEnd] != '>') Fail(page, i, "misnested close");
            open.pop_back();
            i = nameEnd + 1;
            continue;
        }
        if (open.empty() && (rootSeen || name != "html")) Fail(page, i, "second root");
        rootSeen = true;
        std::size_t at = nameEnd;
        for (;;) {  // attributes: blank name="value"
            if (at >= page.size()) Fail(page, i, "unclosed tag");
            if (page[at] == '>' || page.substr(at, 2) == "/>") break;
            if (page[at] != ' ') Fail(page, at, "bad attribute");
            const std::size_t equals = page.find("=\"", at);
            if (equals == std::string_view::npos) Fail(page, at, "bad attribute");
            const std::string_view attribute = page.substr(at + 1, equals - at - 1);
            if (attribute.empty() || attribute.find_first_of(" <>\"&") != std::string_view::npos)
                Fail(page, at, "bad attribute name");
            const std::size_t close = page.find('"', equals + 2);
            if (close == std::string_view::npos) Fail(page, at, "unclosed value");
            for (std::size_t k = equals + 2; k < close; ++k) {
                if (page[k] == '<' || (page[k] == '&' && !GoodReference(page, k))) Fail(page, k, "bad value");
            }
            at = close + 1;
        }
        if (page[at] == '>') {
            open.push_back(name);
            i = at + 1;
        } else {
            i = at + 2;
        }
    }
    if (!open.empty() || !rootSeen) Fail(page, page.size(), "unclosed element");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    if (data.empty()) return 0;
    const auto options = static_cast<unsigned char>(data.front());
    data.remove_prefix(1);

    const std::filesystem::path folder = kerfolio::fuzz::ScratchFolder();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        std::filesystem::remove(entry.path(), ignored);
    // Consecutive days and a month's turn, so a job crossing midnight and the week and month sums meet.
    constexpr std::array<const char*, 4> kNames = {"2026-11-29.txt", "2026-11-30.txt", "2026-12-1.txt",
                                                   "2026-12-02.txt"};
    const std::string_view settings = TakePiece(data);
    for (std::size_t i = 0; i < kNames.size() && !data.empty(); ++i)
        kerfolio::fuzz::WriteFile(folder / kNames[i], TakePiece(data));
    kerfolio::fuzz::WriteFile(folder / "save.ini", settings);

    kerfolio::ReportRequest request;
    request.grouping = static_cast<kerfolio::Grouping>(options % 3);
    request.archiveSecond = (options / 3) % 4 * 21'600;
    request.folders = {folder};
    request.records = kerfolio::ReadMachineRecords(folder / "save.ini");
    const kerfolio::Report report = kerfolio::BuildReport(request);
    for (const auto& problem : report.problems) {
        if (problem.reason.empty()) std::abort();  // a problem must say what it is
    }
    std::ostringstream table, utf8, gbk, page;
    kerfolio::WriteTable(report, table);
    kerfolio::WriteCsv(report, kerfolio::CsvEncoding::Utf8WithBom, utf8);
    kerfolio::WriteCsv(report, kerfolio::CsvEncoding::Gbk, gbk);
    kerfolio::WriteHtml(report, page);
    CheckPage(page.str());
    return 0;
}
