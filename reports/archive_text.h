#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reports/gbk_line.h"
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

// What ScanArchiveText finds, line by line in file order.
class ArchiveLineSink {
  public:
    // A line that reads plainly, its names still GBK.
    virtual void Plain(const PlainGbkFields& fields, std::size_t lineNumber) = 0;
    // A line that took the general reader, decoded, with its line number.
    virtual void Job(ArchiveJob&& job) = 0;
    virtual void Problem(std::size_t lineNumber, std::string reason) = 0;

  protected:
    ~ArchiveLineSink() = default;
};

// ReadArchiveText without making a job of every line: a report of a year only needs each distinct name
// decoded once.
void ScanArchiveText(std::string_view gbkBytes, ArchiveLineSink& sink);

}  // namespace kerfolio
