// Feeds arbitrary archive-file bytes to the archive reader. Beyond not crashing: every problem names
// its line and why, every job's line lies in the file, the bytes read in pieces (as files are read,
// through a window) read as the whole, and every job read reads back the same from the line the
// program would write for it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "board/time_text.h"
#include "reports/archive_text.h"
#include "storage/gbk.h"
#include "storage/report_line.h"

namespace {

std::string Time(int seconds) {
    return kerfolio::FormatTimeText(seconds / 86'400.0);
}

bool SameJob(const kerfolio::ArchiveJob& a, const kerfolio::ArchiveJob& b) {
    return a.machine == b.machine && a.workpiece == b.workpiece && a.mount == b.mount && a.start == b.start &&
           a.jump == b.jump && a.wireBreak == b.wireBreak && a.finish == b.finish && a.amount == b.amount &&
           a.line == b.line;
}

// What ReadArchiveText gives, from a scanner fed piece by piece.
class Collect final : public kerfolio::ArchiveLineSink {
  public:
    void Job(std::size_t lineNumber, const kerfolio::GbkJob& job) override {
        text.jobs.push_back(kerfolio::DecodedJob(job));
        text.jobs.back().line = lineNumber;
    }
    void Problem(std::size_t lineNumber, std::string reason) override {
        text.problems.push_back({"fuzz.txt", lineNumber, std::move(reason)});
    }
    kerfolio::ArchiveText text;
};

kerfolio::ArchiveText ReadInPieces(std::string_view data, std::size_t piece) {
    Collect collect;
    kerfolio::ArchiveScanner scanner(collect);
    std::string held;
    std::size_t pos = 0;
    for (bool last = false; !last;) {
        held.append(data.substr(pos, piece));
        pos += piece;
        last = pos >= data.size();
        held.erase(0, scanner.Feed(held, last));
    }
    return collect.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const kerfolio::ArchiveText text = kerfolio::ReadArchiveText(data, "fuzz.txt");
    const std::size_t lines = data.size() + 1;  // at most
    for (const auto& problem : text.problems) {
        if (problem.line == 0 || problem.line > lines || problem.reason.empty()) std::abort();
    }
    for (std::size_t i = 0; i < text.jobs.size(); ++i) {
        if (text.jobs[i].line == 0 || text.jobs[i].line > lines) std::abort();
        if (i > 0 && text.jobs[i].line <= text.jobs[i - 1].line) std::abort();
    }

    const kerfolio::ArchiveText pieces = ReadInPieces(data, 1 + (size > 0 ? bytes[0] % 16 : 0));
    if (pieces.jobs.size() != text.jobs.size() || pieces.problems.size() != text.problems.size())
        std::abort();
    for (std::size_t i = 0; i < text.jobs.size(); ++i) {
        if (!SameJob(pieces.jobs[i], text.jobs[i])) std::abort();
    }
    for (std::size_t i = 0; i < text.problems.size(); ++i) {
        if (pieces.problems[i].line != text.problems[i].line ||
            pieces.problems[i].reason != text.problems[i].reason) {
            std::abort();
        }
    }

    for (const kerfolio::ArchiveJob& job : text.jobs) {
        // A machine name holding the next label cannot be told from it; the program's names never do.
        if (job.machine.find("工件名称") != std::string::npos) continue;
        // Damage reads as U+FFFD, which GBK cannot write back.
        if (!kerfolio::CharactersOutsideGbk(job.machine + job.workpiece).empty()) continue;
        const std::string line = kerfolio::ToGbk(kerfolio::BuildReportLine(
            1, {job.machine, job.workpiece, Time(job.mount), Time(job.start), Time(job.jump),
                Time(job.wireBreak), Time(job.finish), std::to_string(job.amount)}));
        const kerfolio::LineReading again = kerfolio::ReadReportLine(line);
        const auto* reread = std::get_if<kerfolio::GbkJob>(&again);
        if (!reread) std::abort();
        kerfolio::ArchiveJob decoded = kerfolio::DecodedJob(*reread);
        decoded.line = job.line;
        if (!SameJob(decoded, job)) std::abort();
    }
    return 0;
}
