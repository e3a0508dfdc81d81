#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "board/stamping.h"

namespace kerfolio {

// The report line: a finished job as the NotePad and the day's archive file keep it, written here from
// the completion dialog's fields and read back below from an archive's GBK bytes.

// The line of job number: the number, then each label followed by its field.
std::string BuildReportLine(int number, const CompletionFields& fields);

// Blank, tab, CR and LF: what surrounds the fields of a line. They are single bytes and never a GBK
// trail byte, so trimming bytes trims whole characters in UTF-8 and GBK alike.
inline bool IsBlank(char c) {
    constexpr std::uint64_t kBlanks = 1ull << ' ' | 1ull << '\t' | 1ull << '\r' | 1ull << '\n';
    return static_cast<unsigned char>(c) <= ' ' && (kBlanks >> c & 1) != 0;
}

inline std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The figures of a report line. Times of day and durations are whole seconds.
struct JobFigures {
    int mount = 0;
    int start = 0;
    int jump = 0;
    int wireBreak = 0;
    int finish = 0;
    std::int32_t amount = 0;
    // Seconds from mounting to finishing where they are known exactly (a journal's job may run for days),
    // else -1: the times of day tell them.
    std::int32_t mountToFinish = -1;
};

// One finished job as its report line tells it. Times of day and durations are whole seconds.
struct ArchiveJob {
    std::string machine;
    std::string workpiece;
    int mount = 0;
    int start = 0;
    int jump = 0;
    int wireBreak = 0;
    int finish = 0;
    std::int32_t amount = 0;
    std::size_t line = 0;  // its line in the file, counting from 1

    JobFigures Figures() const { return {mount, start, jump, wireBreak, finish, amount}; }
};

// A report line's fields with the two names left in their GBK bytes (views into the line): a year of
// archives holds tens of thousands of lines and a handful of names, each decoded once by the caller.
struct GbkJob {
    std::string_view line;  // the whole line as the file holds it
    std::string_view machine;
    std::string_view workpiece;
    JobFigures figures;
};

struct BlankLine {};

// A line that does not read: why, in words for the report.
struct LineProblem {
    std::string reason;
};

using LineReading = std::variant<BlankLine, GbkJob, LineProblem>;

// Reads one report line in its GBK bytes, as archive files hold it, by its labels: blanks, colons and
// even labels inside the machine or workpiece name do not matter, nor how many blanks separate the
// fields. A full-width colon after a label reads too, as hand edits with a Chinese input method give
// one. Labels are looked for only where a character starts, so damaged bytes never make one.
LineReading ReadReportLine(std::string_view gbkLine);

// gbk decoded one character at a time, a character being what GbkCharLength marks: damage stays
// inside the character it hits and shows as U+FFFD.
std::string DecodeGbkCharacters(std::string_view gbk);

// The job of such fields, its names decoded.
ArchiveJob DecodedJob(const GbkJob& fields);

}  // namespace kerfolio
