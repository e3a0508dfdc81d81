// Feeds arbitrary archive-file bytes to the archive reader. Beyond not crashing, every job it reads
// must read back the same from the line the program would write for it, and the reader of GBK bytes
// and its shortcut for lines as the program writes them must find the job that reading the decoded
// first line finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "board/completion.h"
#include "board/time_text.h"
#include "reports/archive_text.h"
#include "reports/gbk_line.h"

namespace {

std::string Time(int seconds) {
    return kerfolio::FormatTimeText(seconds / 86'400.0);
}

bool SameJob(const kerfolio::ArchiveJob& a, const kerfolio::ArchiveJob& b) {
    return a.machine == b.machine && a.workpiece == b.workpiece && a.mount == b.mount && a.start == b.start &&
           a.jump == b.jump && a.wireBreak == b.wireBreak && a.finish == b.finish && a.amount == b.amount;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::string_view firstLine = data.substr(0, data.find_first_of("\r\n"));
    const auto plain = kerfolio::ReadPlainGbkLine(firstLine);
    const auto written = kerfolio::ReadWrittenGbkFields(firstLine);
    if (plain || written) {
        const kerfolio::LineReading decoded =
            kerfolio::ReadReportLine(kerfolio::DecodeGbkCharacters(firstLine));
        const auto* job = std::get_if<kerfolio::ArchiveJob>(&decoded);
        if (!job || (plain && !SameJob(*job, *plain))) std::abort();
        if (written && !SameJob(*job, kerfolio::DecodedJob(*written))) std::abort();
    }
    const kerfolio::ArchiveText text = kerfolio::ReadArchiveText(data, "fuzz.txt");
    for (const auto& problem : text.problems) {
        if (problem.line == 0 || problem.reason.empty()) std::abort();
    }
    for (const kerfolio::ArchiveJob& job : text.jobs) {
        // A machine name holding the next label cannot be told from it; the program's names never do.
        if (job.machine.find("工件名称") != std::string::npos) continue;
        const std::string line = kerfolio::BuildReportLine(
            1, {job.machine, job.workpiece, Time(job.mount), Time(job.start), Time(job.jump),
                Time(job.wireBreak), Time(job.finish), std::to_string(job.amount)});
        const kerfolio::LineReading again = kerfolio::ReadReportLine(line);
        const auto* reread = std::get_if<kerfolio::ArchiveJob>(&again);
        if (!reread || !SameJob(*reread, job)) std::abort();
    }
    return 0;
}
