#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "reports/report_line.h"

namespace kerfolio {

// Reading report lines in their GBK bytes. A year of archives is tens of thousands of lines, and
// decoding each whole line only to find fixed labels and digits costs more than everything else a
// report does: labels, colons, digits and blanks are fixed byte sequences, so only the two names are
// decoded.

// gbk decoded one character at a time, a character being what GbkCharLength marks: damage stays
// inside the character it hits. Lines are decoded so before ReadReportLine reads them.
std::string DecodeGbkCharacters(std::string_view gbk);

// The job of a GBK report line that reads plainly: exactly what ReadReportLine gives for the decoded
// line. Nothing when the line needs its closer look (a label missing, a time or amount that does not
// read, labels repeated inside the names), so the caller asks it.
std::optional<ArchiveJob> ReadPlainGbkLine(std::string_view gbkLine);

// The same reading with the names left in their GBK bytes (views into gbkLine), for a caller that
// decodes each distinct name once.
struct PlainGbkFields {
    std::string_view machine;
    std::string_view workpiece;
    JobFigures figures;
};
std::optional<PlainGbkFields> ReadPlainGbkFields(std::string_view gbkLine);

// The same fields of a line laid out as the program writes it: ASCII values after ASCII colons, the
// labels after blanks and the number. Found without looking at every character; nothing for any other
// line, which ReadPlainGbkFields then reads.
std::optional<PlainGbkFields> ReadWrittenGbkFields(std::string_view gbkLine);

// The job of such fields, its names decoded.
ArchiveJob DecodedJob(const PlainGbkFields& fields);

}  // namespace kerfolio
