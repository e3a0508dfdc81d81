#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reports/report_line.h"

namespace kerfolio {

// Something in the input that did not read; line 0 means the whole file or folder.
struct InputProblem {
    std::string file;
    std::size_t line = 0;
    std::string reason;
};

struct ArchiveText {
    std::vector<ArchiveJob> jobs;  // in the order of the file, which is the order they finished
    std::vector<InputProblem> problems;
};

// Every job of an archive file's GBK bytes. Lines end in CR LF, CR or LF; blank lines are skipped; a
// line that does not read is listed under fileLabel with its line number and the rest still read.
ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel);

}  // namespace kerfolio
